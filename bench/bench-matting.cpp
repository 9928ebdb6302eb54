// The matting filter's costs in a real host at 1920x1080:
//  - per frame: a 1920x1080 image drawn alone against the same image drawn
//    through the filter with a pass-through effect, measured in the same
//    frames, and a second view of the filtered image in a frame;
//  - the time to rebuild a 14 KB effect.
// Run by hand: build/bench/bench-matting [frames]
#include "headless-host.h"
#include "plugin-ids.h"
#include "bench-support.h"

#include <obs.hpp>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const uint32_t WIDTH = 1920;
const uint32_t HEIGHT = 1080;

const char PASS_THROUGH[] = "float4 mainImage(VertData v_in) : TARGET\n"
			    "{\n"
			    "\treturn image.Sample(textureSampler, v_in.uv);\n"
			    "}\n";

std::string make_test_image()
{
	QImage image(int(WIDTH), int(HEIGHT), QImage::Format_RGBA8888);
	for (int y = 0; y < int(HEIGHT); y++)
		for (int x = 0; x < int(WIDTH); x++)
			image.setPixel(x, y,
				       qRgba(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF,
					     255));
	const std::string path = "/tmp/velmora-bench-1080p.png";
	image.save(QString::fromStdString(path));
	return path;
}

// A valid template-mode body of about 14 KB: annotated parameters, helper
// functions and a pixel function that uses them.
std::string make_large_effect()
{
	std::string text;
	int i = 0;
	for (; text.size() < 9000; i++) {
		const std::string n = std::to_string(i);
		text += "uniform float amount_" + n +
			"<\n\tstring label = \"Amount number " + n +
			"\";\n\tstring widget_type = \"slider\";\n"
			"\tfloat minimum = -1000.0;\n\tfloat maximum = 1000.0;\n"
			"\tfloat step = 1.0;\n> = " +
			n + ".0;\n";
	}
	const int params = i;
	for (int f = 0; text.size() < 13600; f++) {
		const std::string n = std::to_string(f);
		text += "float3 shade_" + n +
			"(float3 c, float k)\n{\n"
			"\tfloat3 lifted = c + k * 0.001;\n"
			"\treturn clamp(lifted * (1.0 + k * 0.0001), 0.0, 1.0);\n"
			"}\n";
	}
	text += "float4 mainImage(VertData v_in) : TARGET\n{\n"
		"\tfloat4 c = image.Sample(textureSampler, v_in.uv);\n"
		"\tfloat k = 0.0;\n";
	for (int p = 0; p < params; p++)
		text += "\tk += amount_" + std::to_string(p) + ";\n";
	text += "\tc.rgb = shade_0(c.rgb, k * 0.0);\n\treturn c;\n}\n";
	return text;
}

struct Timings {
	std::vector<double> empty, alone, filtered, second_view;
};

double render_ms(obs_source_t *source, gs_texrender_t *target,
		 gs_stagesurf_t *stage)
{
	const auto start = Clock::now();
	gs_texrender_reset(target);
	if (gs_texrender_begin(target, WIDTH, HEIGHT)) {
		vec4 clear;
		vec4_zero(&clear);
		gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
		gs_ortho(0.0f, float(WIDTH), 0.0f, float(HEIGHT), -100.0f,
			 100.0f);
		const bool previous = gs_set_linear_srgb(true);
		if (source)
			obs_source_video_render(source);
		gs_set_linear_srgb(previous);
		gs_texrender_end(target);
	}
	wait_for_device(stage, gs_texrender_get_texture(target));
	return std::chrono::duration<double, std::milli>(Clock::now() - start)
		.count();
}

double median(std::vector<double> values)
{
	std::sort(values.begin(), values.end());
	return values.empty() ? 0.0 : values[values.size() / 2];
}

Timings time_frames(obs_source_t *alone, obs_source_t *filtered, int frames)
{
	Timings timings;
	gs_texrender_t *target = nullptr;
	gs_stagesurf_t *stage = nullptr;
	headless::on_graphics_thread([&] {
		target = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
		stage = gs_stagesurface_create(WIDTH, HEIGHT, GS_RGBA);
	});
	for (int frame = 0; frame < frames; frame++) {
		headless::on_graphics_thread([&] {
			// Alternate the order so neither side always goes first.
			if (frame % 2) {
				timings.alone.push_back(
					render_ms(alone, target, stage));
				timings.filtered.push_back(
					render_ms(filtered, target, stage));
			} else {
				timings.filtered.push_back(
					render_ms(filtered, target, stage));
				timings.alone.push_back(
					render_ms(alone, target, stage));
			}
			timings.second_view.push_back(
				render_ms(filtered, target, stage));
			timings.empty.push_back(render_ms(nullptr, target, stage));
		});
	}
	headless::on_graphics_thread([&] {
		gs_stagesurface_destroy(stage);
		gs_texrender_destroy(target);
	});
	return timings;
}

std::vector<double> time_builds(obs_source_t *filter, int builds)
{
	std::vector<double> times;
	for (int i = 0; i < builds; i++) {
		headless::on_graphics_thread([&] {
			// The button schedules a rebuild; load runs the update
			// (and so the rebuild) at once, with no tick between.
			headless::press_button(filter, "reload_effect");
			const auto start = Clock::now();
			obs_source_load(filter);
			times.push_back(std::chrono::duration<double, std::milli>(
						Clock::now() - start)
						.count());
		});
	}
	return times;
}

} // namespace

int main(int argc, char **argv)
{
	const int frames = argc > 1 ? std::max(10, atoi(argv[1])) : 120;
	headless::HostConfig config;
	config.video.width = WIDTH;
	config.video.height = HEIGHT;
	std::string error;
	if (!headless::start(config, &error)) {
		fprintf(stderr, "bench: %s\n", error.c_str());
		headless::stop();
		return 1;
	}

	const std::string image_path = make_test_image();
	{
		OBSSourceAutoRelease alone =
			headless::make_image_source("alone", image_path);
		OBSSourceAutoRelease filtered =
			headless::make_image_source("filtered", image_path);
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_string(settings, "shader_text", PASS_THROUGH);
		OBSSourceAutoRelease filter = headless::add_filter(
			filtered, MATTING_FILTER_ID, "matting", settings);
		headless::wait_frames(10);

		const Timings t = time_frames(alone, filtered, frames);
		const double e = median(t.empty);
		const double a = median(t.alone) - e,
			     f = median(t.filtered) - e,
			     s = median(t.second_view) - e;
		printf("per frame at %ux%u, median of %d frames, less the "
		       "%.2f ms of clearing and reading back a frame:\n",
		       WIDTH, HEIGHT, frames, e);
		printf("  image alone:                   %7.2f ms\n", a);
		printf("  image through the filter:      %7.2f ms  (%.2fx)\n",
		       f, f / a);
		printf("  second view in the same frame: %7.2f ms  (%.2fx)\n",
		       s, s / a);

		const std::string large = make_large_effect();
		obs_data_set_string(settings, "shader_text", large.c_str());
		obs_source_update(filter, settings);
		headless::wait_frames(3);
		const std::vector<double> builds = time_builds(filter, 15);
		OBSDataAutoRelease current = obs_source_get_settings(filter);
		printf("rebuild of a %zu-byte effect: median %.2f ms, min %.2f, "
		       "max %.2f (%s)\n",
		       large.size(), median(builds),
		       *std::min_element(builds.begin(), builds.end()),
		       *std::max_element(builds.begin(), builds.end()),
		       *obs_data_get_string(current, "last_error") ? "FAILED"
								    : "built");
		obs_source_filter_remove(filtered, filter);
	}
	remove(image_path.c_str());
	const long leaks = headless::stop();
	if (leaks)
		fprintf(stderr, "bench: %ld allocations left\n", leaks);
	return 0;
}
