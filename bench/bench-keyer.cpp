// Per-frame cost of the matting filter's built-in keyer against the host's
// own chroma key filter (obs-filters, "chroma_key_filter_v2"), both with
// their defaults, on the same 1920x1080 picture, in one host.
//
//   bench-keyer PICTURE.png [FRAMES]
//
// Each measured frame renders the filtered source into a 1920x1080 target
// and waits for the graphics work to finish (a 1x1 copy of the result is
// read back). The cost of the bare source is measured the same way and
// subtracted, so the figures are the filters' own.
#include "headless-host.h"
#include "plugin-ids.h"
#include "bench-support.h"

#include <obs.hpp>
#include <util/platform.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Variant {
	const char *name;
	const char *filter_id = nullptr;   // null: the bare source
	const char *shader_text = nullptr; // replaces the default effect
	OBSSourceAutoRelease source;
	OBSSourceAutoRelease filter;
	std::vector<double> ms;
};

// Renders source and waits for the GPU by reading back one pixel of the
// result; returns the milliseconds taken. On the graphics thread.
double timed_render(obs_source_t *source, gs_texrender_t *full,
		    gs_texrender_t *tiny, gs_stagesurf_t *stage)
{
	const uint32_t w = obs_source_get_width(source);
	const uint32_t h = obs_source_get_height(source);
	const uint64_t start = os_gettime_ns();
	gs_texrender_reset(full);
	if (gs_texrender_begin(full, w, h)) {
		vec4 clear = {};
		gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
		gs_ortho(0.0f, float(w), 0.0f, float(h), -100.0f, 100.0f);
		obs_source_video_render(source);
		gs_texrender_end(full);
	}
	gs_texrender_reset(tiny);
	if (gs_texrender_begin(tiny, 1, 1)) {
		gs_ortho(0.0f, 1.0f, 0.0f, 1.0f, -100.0f, 100.0f);
		gs_effect_t *effect = obs_get_base_effect(OBS_EFFECT_DEFAULT);
		gs_effect_set_texture(gs_effect_get_param_by_name(effect,
								  "image"),
				      gs_texrender_get_texture(full));
		while (gs_effect_loop(effect, "Draw"))
			gs_draw_sprite(gs_texrender_get_texture(full), 0, 1, 1);
		gs_texrender_end(tiny);
	}
	wait_for_device(stage, gs_texrender_get_texture(tiny));
	return double(os_gettime_ns() - start) / 1e6;
}

const char PASS_THROUGH[] =
	"float4 mainImage(VertData v_in) : TARGET\n"
	"{\n\treturn image.Sample(textureSampler, v_in.uv);\n}\n";

std::string read_text(const char *path)
{
	char *file = os_quick_read_utf8_file(path);
	std::string text = file ? file : "";
	bfree(file);
	return text;
}

double median(const std::vector<double> &values)
{
	std::vector<double> sorted = values;
	std::sort(sorted.begin(), sorted.end());
	return sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
}

double minimum(const std::vector<double> &values)
{
	return values.empty() ? 0.0
			      : *std::min_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char **argv)
{
	if (argc < 2) {
		fprintf(stderr, "usage: bench-keyer PICTURE.png [FRAMES]\n");
		return 2;
	}
	const std::string picture = argv[1];
	const int frames = argc > 2 ? std::max(1, atoi(argv[2])) : 100;

	headless::HostConfig config;
	std::string error;
	if (!headless::start(config, &error)) {
		fprintf(stderr, "bench-keyer: %s\n", error.c_str());
		return 1;
	}

	// The pass-through effect shows what the matting filter's passes
	// cost without the keyer's arithmetic.
	std::vector<Variant> variants(4);
	variants[0].name = "bare source";
	variants[1].name = "velmora-matting (built-in keyer)";
	variants[1].filter_id = MATTING_FILTER_ID;
	variants[2].name = "chroma_key_filter_v2";
	variants[2].filter_id = "chroma_key_filter_v2";
	variants[3].name = "velmora-matting (pass-through)";
	variants[3].filter_id = MATTING_FILTER_ID;
	variants[3].shader_text = PASS_THROUGH;
	// Further effect texts to compare, as extra variants: files named in
	// VELMORA_BENCH_EFFECTS, separated by ":".
	std::vector<std::string> extra_names;
	if (const char *list = getenv("VELMORA_BENCH_EFFECTS")) {
		std::string rest = list;
		while (!rest.empty()) {
			const size_t colon = rest.find(':');
			extra_names.push_back(rest.substr(0, colon));
			rest = colon == std::string::npos
				       ? ""
				       : rest.substr(colon + 1);
		}
	}
	std::vector<std::string> extra_texts;
	extra_texts.reserve(extra_names.size());
	for (const std::string &name : extra_names) {
		extra_texts.push_back(read_text(name.c_str()));
		Variant v;
		v.name = name.c_str();
		v.filter_id = MATTING_FILTER_ID;
		v.shader_text = extra_texts.back().c_str();
		variants.push_back(std::move(v));
	}
	for (Variant &v : variants) {
		v.source = headless::make_image_source(v.name, picture);
		OBSDataAutoRelease settings = obs_data_create();
		if (v.shader_text)
			obs_data_set_string(settings, "shader_text",
					    v.shader_text);
		if (v.filter_id)
			v.filter = headless::add_filter(v.source, v.filter_id,
							"filter", settings);
	}
	headless::wait_frames(10);
	const uint32_t w = obs_source_get_width(variants[0].source);
	const uint32_t h = obs_source_get_height(variants[0].source);
	if (!w || !h) {
		fprintf(stderr, "bench-keyer: cannot read %s\n",
			picture.c_str());
		variants.clear();
		headless::stop();
		return 1;
	}

	gs_texrender_t *full = nullptr, *tiny = nullptr;
	gs_stagesurf_t *stage = nullptr;
	headless::on_graphics_thread([&] {
		full = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
		tiny = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
		stage = gs_stagesurface_create(1, 1, GS_RGBA);
	});
	// One frame per measurement, so that each one runs the whole filter
	// (the matting filter repeats only its last draw within a frame); the
	// variants take turns frame by frame so that they share the machine's
	// state, and the first turns only warm up.
	const int warm_up = 3;
	for (int turn = 0; turn < warm_up + frames; turn++)
		for (Variant &v : variants)
			headless::on_graphics_thread([&] {
				const double ms =
					timed_render(v.source, full, tiny, stage);
				if (turn >= warm_up)
					v.ms.push_back(ms);
			});
	headless::on_graphics_thread([&] {
		gs_stagesurface_destroy(stage);
		gs_texrender_destroy(tiny);
		gs_texrender_destroy(full);
	});

	// Medians, and minimums (the turns least disturbed by other work on
	// the machine).
	printf("picture %ux%u, %d frames per variant:\n", w, h, frames);
	printf("  %-34s %9s %9s\n", "", "median ms", "min ms");
	for (const Variant &v : variants)
		printf("  %-34s %9.2f %9.2f\n", v.name, median(v.ms),
		       minimum(v.ms));
	for (auto stat : {median, minimum}) {
		const double bare = stat(variants[0].ms);
		const double keyer = stat(variants[1].ms) - bare;
		const double chroma = stat(variants[2].ms) - bare;
		const double pass = stat(variants[3].ms) - bare;
		printf("%s, minus the bare source: keyer %.2f ms, chroma key "
		       "%.2f ms, matting pass-through %.2f ms; ratio keyer / "
		       "chroma key %.2f\n",
		       stat == median ? "medians" : "minimums", keyer, chroma,
		       pass, chroma > 0 ? keyer / chroma : 0.0);
	}

	for (Variant &v : variants)
		if (v.filter)
			obs_source_filter_remove(v.source, v.filter);
	variants.clear();
	const long leaks = headless::stop();
	return leaks == 0 ? 0 : 1;
}
