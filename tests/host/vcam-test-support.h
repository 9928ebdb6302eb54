// Shared pieces of the virtual camera's host tests: the module copy that
// sits beside the recording camera library, the output instance the module
// made at load, and the host video it runs on.
#pragma once

#include "host-environment.h"
#include "camsink-recorder.h"

#include <array>
#include <string>

namespace vcamtest {

// The module's own output instance ("velmora-rgb-cam").
OBSOutputAutoRelease vcam_instance();

// Resets the host's video (the output must be stopped).
void use_video(uint32_t width, uint32_t height,
	       video_format format = VIDEO_FORMAT_NV12,
	       video_colorspace colorspace = VIDEO_CS_709,
	       video_range_type range = VIDEO_RANGE_PARTIAL,
	       uint32_t fps = 60);

// Pixel (x, y) of a recorded frame as 0xAABBGGRR (alpha 0xFF), as the
// host's colours are read back.
uint32_t frame_pixel(const recorder::Frame &frame, const recorder::Camera &camera,
		     uint32_t x, uint32_t y);

// Frames received, sent and dropped in the last run stopped, as the
// output's stop line in the host log gives them.
std::array<unsigned long long, 3> last_run_figures();

} // namespace vcamtest
