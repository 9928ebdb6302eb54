#include "vcam-test-support.h"
#include "plugin-ids.h"

#include <util/platform.h>

#include <cstdio>
#include <cstdlib>

namespace hosttest {

// These programs load the copy of the module that sits beside the
// recording camera library, or the one VELMORA_VCAM_MODULE names.
headless::HostConfig host_config()
{
	headless::HostConfig config;
	config.echo_log = getenv("VELMORA_HOST_LOG") != nullptr;
	const char *module = getenv("VELMORA_VCAM_MODULE");
	config.plugin_path = module ? module : VELMORA_VCAM_TEST_MODULE;
	return config;
}

} // namespace hosttest

namespace vcamtest {

OBSOutputAutoRelease vcam_instance()
{
	return obs_get_output_by_name(VCAM_OUTPUT_ID);
}

void use_video(uint32_t width, uint32_t height, video_format format,
	       video_colorspace colorspace, video_range_type range,
	       uint32_t fps)
{
	headless::VideoSettings video;
	video.width = width;
	video.height = height;
	video.format = format;
	video.colorspace = colorspace;
	video.range = range;
	video.fps_num = fps;
	// A stopped output lets go of the video on a thread of the host's
	// own; the video cannot be reset before that.
	for (int i = 0; i < 500 && obs_video_active(); i++)
		os_sleep_ms(10);
	ASSERT_TRUE(headless::reset_video(video));
}

uint32_t frame_pixel(const recorder::Frame &frame,
		     const recorder::Camera &camera, uint32_t x, uint32_t y)
{
	const size_t stride = (size_t(camera.width) * 3 + 3) & ~size_t(3);
	const uint8_t *p = frame.bytes.data() + y * stride + x * 3;
	return 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 |
	       uint32_t(p[2]);
}

std::array<unsigned long long, 3> last_run_figures()
{
	std::array<unsigned long long, 3> figures = {0, 0, 0};
	for (const headless::LogLine &line : headless::log_lines())
		sscanf(line.text.c_str(),
		       "velmora-rgb-cam: stopped: %llu frames received, %llu "
		       "sent, %llu dropped",
		       &figures[0], &figures[1], &figures[2]);
	return figures;
}

} // namespace vcamtest
