// Shared by the benchmarks that time frames on the graphics thread.
#pragma once

#include <graphics/graphics.h>

// Copies texture to stage and maps it: returns once the device has
// finished drawing it, so a frame's time includes the device's work.
inline void wait_for_device(gs_stagesurf_t *stage, gs_texture_t *texture)
{
	gs_stage_texture(stage, texture);
	uint8_t *data = nullptr;
	uint32_t linesize = 0;
	if (gs_stagesurface_map(stage, &data, &linesize))
		gs_stagesurface_unmap(stage);
}
