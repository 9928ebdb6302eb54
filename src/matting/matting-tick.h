// The per-frame arithmetic of the tick, kept apart from the host so that it
// is tested on a bare record.
#pragma once

#include "matting-filter.h"

// loops runs up to this count and then on from its negation.
#define LOOPS_WRAP 4194304

// What one frame of the filter may take: the longest side of a render
// target and the pixels of one in all (the filter keeps two or more of
// them at the expanded size).
struct frame_limits {
	uint32_t max_side;
	uint64_t max_pixels;
};

// The pixel budget of one expanded frame: four times the host's canvas
// (a frame larger than that can only be shown shrunk), at least the target
// itself and at most 8192 x 8192.
#define FRAME_BUDGET_CANVASES 4u
#define FRAME_BUDGET_MAX_SIDE 8192u
uint64_t frame_pixel_budget(uint64_t canvas_pixels, uint64_t target_pixels);

// The longest side a filter frame may have: 16384 (the largest Direct3D 11
// makes), or less where the device makes less. Asks the device once per
// process, inside the graphics context.
uint32_t device_side_limit(void);

// The four margins in pixels.
struct margin_set {
	int32_t left, right, top, bottom;
};

// The margins as drawn: asked when base plus margins fits limits, otherwise
// all of them cut in the same proportion (so the target keeps its place in
// the expanded area) to the most that fits; none when the base alone does
// not fit.
margin_set fit_margins(uint32_t base_width, uint32_t base_height,
		       const margin_set &asked, const frame_limits &limits);

// total_width/total_height (base size plus the margins as drawn, see
// fit_margins) and the texture-coordinate mapping that puts the target's
// own area at 0..1 inside the expanded output; asked_width/asked_height
// keep the size the settings' margins ask for. A base width or height of 0
// leaves nothing to map along that axis: scale 1, offset 0 and pixel
// interval 0, never a division by 0.
void tick_mapping(matting_filter *filter, uint32_t base_width,
		  uint32_t base_height, const frame_limits &limits);

// Marks start_time on the first tick after a build, then advances
// elapsed_time and loop_second, counting one loop per tick at most when
// loop_second passes 1.
void tick_clocks(matting_filter *filter, float seconds);

// The enable edge (enable_time) and the parent's active and showing timers,
// which restart from 0 whenever their condition breaks.
void tick_enable_state(matting_filter *filter, float seconds, bool enabled,
		       bool parent_active, bool parent_showing);
