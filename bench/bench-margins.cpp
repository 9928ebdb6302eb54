// The matting filter with margins far beyond what a frame can carry: a
// 3840x2160 source with MARGIN pixels on every side (6000 by default asks
// for 15840 x 14160). Prints the size the filter reports and draws, the
// time of a frame (capture, effect and output, waited for on the device)
// and how much the process's peak memory grew over those frames.
// Run by hand: build/bench/bench-margins [frames] [margin]
#include "headless-host.h"
#include "plugin-ids.h"
#include "bench-support.h"

#include <obs.hpp>
#include <util/platform.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char PASS_THROUGH[] = "float4 mainImage(VertData v_in) : TARGET\n"
			    "{\n"
			    "\treturn image.Sample(textureSampler, v_in.uv);\n"
			    "}\n";

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long status_kb(const char *key)
{
	FILE *file = fopen("/proc/self/status", "r");
	if (!file)
		return 0;
	char line[256];
	long kb = 0;
	const size_t length = strlen(key);
	while (fgets(line, sizeof(line), file))
		if (!strncmp(line, key, length) && line[length] == ':')
			kb = atol(line + length + 1);
	fclose(file);
	return kb;
}

// Draws source scaled into a small target and reads one pixel back, which
// waits for the device; returns the milliseconds taken.
double timed_frame(obs_source_t *source, gs_texrender_t *target,
		   gs_stagesurf_t *stage)
{
	const uint32_t width = obs_source_get_width(source);
	const uint32_t height = obs_source_get_height(source);
	const uint64_t start = os_gettime_ns();
	gs_texrender_reset(target);
	if (gs_texrender_begin(target, 1, 1)) {
		vec4 clear = {};
		gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
		gs_ortho(0.0f, float(width), 0.0f, float(height), -100.0f,
			 100.0f);
		obs_source_video_render(source);
		gs_texrender_end(target);
	}
	wait_for_device(stage, gs_texrender_get_texture(target));
	return double(os_gettime_ns() - start) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
	const int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
	const int margin = argc > 2 ? atoi(argv[2]) : 6000;
	headless::HostConfig config;
	std::string error;
	if (!headless::start(config, &error)) {
		fprintf(stderr, "bench-margins: %s\n", error.c_str());
		return 1;
	}

	std::vector<double> ms;
	long grown_kb = 0;
	uint32_t width = 0, height = 0;
	std::string last_error;
	{
		OBSSourceAutoRelease source = headless::make_color_source(
			"uhd", 3840, 2160, 0xFF3080C0);
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_string(settings, "shader_text", PASS_THROUGH);
		for (const char *key : {"expand_left", "expand_right",
					"expand_top", "expand_bottom"})
			obs_data_set_int(settings, key, margin);
		OBSSourceAutoRelease filter = headless::add_filter(
			source, MATTING_FILTER_ID, "matting", settings);
		headless::wait_frames(5);
		width = obs_source_get_width(source);
		height = obs_source_get_height(source);
		OBSDataAutoRelease current = obs_source_get_settings(filter);
		last_error = obs_data_get_string(current, "last_error");

		const long before_kb = status_kb("VmRSS");
		gs_texrender_t *target = nullptr;
		gs_stagesurf_t *stage = nullptr;
		headless::on_graphics_thread([&] {
			target = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
			stage = gs_stagesurface_create(1, 1, GS_RGBA);
		});
		for (int frame = 0; frame < frames; frame++)
			headless::on_graphics_thread([&] {
				ms.push_back(timed_frame(source, target, stage));
			});
		grown_kb = status_kb("VmHWM") - before_kb;
		headless::on_graphics_thread([&] {
			gs_stagesurface_destroy(stage);
			gs_texrender_destroy(target);
		});
		obs_source_filter_remove(source, filter);
	}
	std::sort(ms.begin(), ms.end());
	printf("3840x2160 with %d-pixel margins: drawn at %ux%u\n", margin,
	       width, height);
	printf("frame: median %.1f ms of %d; peak memory grew %ld MB\n",
	       ms[ms.size() / 2], frames, grown_kb / 1024);
	if (!last_error.empty())
		printf("last_error: %s\n", last_error.c_str());
	const long leaks = headless::stop();
	return leaks == 0 ? 0 : 1;
}
