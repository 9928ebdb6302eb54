// velmora-run effect: an image through the matting filter with a given
// effect and settings, written as a PNG.
#include "run-common.h"
#include "plugin-ids.h"

#include <obs.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace run {

namespace {

struct EffectOptions {
	std::string input;
	std::string output;
	std::string effect_file;
	std::string effect_text;
	bool has_text = false;
	std::vector<std::string> assignments;
	int frames = 1;
};

// 0, or the exit status of the usage error it reported.
int parse_options(const Args &args, EffectOptions *options,
		  CommonOptions *common)
{
	ParsedArgs parsed;
	std::string error;
	if (!parse_args(args,
			{{"--effect", true},
			 {"--text", true},
			 {"--set", true},
			 {"--frames", true}},
			&parsed, &error))
		return usage_error("effect", error);
	if (parsed.positional.size() != 2)
		return usage_error("effect", "needs INPUT and OUTPUT.png");
	if (parsed.has("--effect") == parsed.has("--text"))
		return usage_error("effect",
				   "give exactly one of --effect FILE and "
				   "--text TEXT");
	options->frames = atoi(parsed.value("--frames", "1").c_str());
	if (options->frames < 1 || options->frames > 100000)
		return usage_error("effect",
				   "--frames takes a count from 1 to 100000");
	options->input = parsed.positional[0];
	options->output = parsed.positional[1];
	options->effect_file = parsed.value("--effect");
	options->effect_text = parsed.value("--text");
	options->has_text = parsed.has("--text");
	options->assignments = parsed.values("--set");
	*common = parsed.common;
	return 0;
}

std::string absolute(const std::string &path)
{
	const std::string resolved = existing_absolute_path(path);
	return resolved.empty() ? path : resolved;
}

// The filter's settings: where the effect comes from, then --set. A file
// ending in ".effect" is taken as a complete effect, as the panel does.
void filter_settings(const EffectOptions &options, obs_data_t *settings)
{
	if (options.has_text) {
		obs_data_set_string(settings, "shader_text",
				    options.effect_text.c_str());
	} else {
		const std::string &file = options.effect_file;
		obs_data_set_bool(settings, "from_file", true);
		obs_data_set_string(settings, "shader_file_name",
				    absolute(file).c_str());
		const bool complete = file.size() > 7 &&
				      file.compare(file.size() - 7, 7,
						   ".effect") == 0;
		obs_data_set_bool(settings, "override_entire_effect", complete);
	}
	for (const std::string &assignment : options.assignments)
		apply_setting(settings, assignment);
}

bool wait_for_size(obs_source_t *source)
{
	for (int i = 0; i < 120; i++) {
		if (obs_source_get_width(source) && obs_source_get_height(source))
			return true;
		headless::wait_frames(1);
	}
	return false;
}

int render_through_filter(const EffectOptions &options)
{
	OBSSourceAutoRelease input =
		headless::make_image_source("input", absolute(options.input));
	if (!input || !wait_for_size(input)) {
		fprintf(stderr, "velmora-run: cannot read image %s\n",
			options.input.c_str());
		return 1;
	}

	OBSDataAutoRelease settings = obs_data_create();
	filter_settings(options, settings);
	OBSSourceAutoRelease filter = headless::add_filter(
		input, MATTING_FILTER_ID, "matting", settings);
	if (!filter) {
		fprintf(stderr, "velmora-run: cannot create the matting filter\n");
		return 1;
	}

	// Shown in the program, the filter runs every frame as it would live.
	obs_scene_t *program = headless::show_in_program(input);
	headless::wait_frames(options.frames + 1);
	headless::hide_from_program(program);

	OBSDataAutoRelease current = obs_source_get_settings(filter);
	const char *error = obs_data_get_string(current, "last_error");
	if (error && *error) {
		fprintf(stderr, "velmora-run: the effect did not build:\n%s\n",
			error);
		obs_source_filter_remove(input, filter);
		return 1;
	}

	headless::clear_log();
	headless::Image image = headless::render_in_scene(input);
	obs_source_filter_remove(input, filter);
	const std::vector<std::string> errors = host_errors();
	if (!errors.empty()) {
		fprintf(stderr, "velmora-run: the effect builds, but the host "
				"cannot draw it:\n");
		for (const std::string &line : errors)
			fprintf(stderr, "%s\n", line.c_str());
		return 1;
	}
	return save_scene_picture(image, options.output) ? 0 : 1;
}

} // namespace

int effect_main(const Args &args)
{
	CommonOptions common;
	EffectOptions options;
	if (int status = parse_options(args, &options, &common))
		return status;
	return with_host(common, [&] { return render_through_filter(options); });
}

} // namespace run
