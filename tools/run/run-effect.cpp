// velmora-run effect: an image through the matting filter with a given
// effect and settings, written as a PNG.
#include "run-common.h"

#include <obs.hpp>
#include <util/bmem.h>
#include <util/platform.h>

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

const char USAGE[] = "effect INPUT OUTPUT.png --effect FILE|--text TEXT "
		     "[--set key=value ...] [--frames N]";

bool parse_options(const Args &args, EffectOptions *options, std::string *why)
{
	std::vector<std::string> positional;
	for (size_t i = 0; i < args.size(); i++) {
		const std::string &arg = args[i];
		const bool has_value = i + 1 < args.size();
		if (arg == "--effect" && has_value) {
			options->effect_file = args[++i];
		} else if (arg == "--text" && has_value) {
			options->effect_text = args[++i];
			options->has_text = true;
		} else if (arg == "--set" && has_value) {
			options->assignments.push_back(args[++i]);
		} else if (arg == "--frames" && has_value) {
			options->frames = atoi(args[++i].c_str());
		} else if (arg.rfind("--", 0) == 0) {
			*why = "unknown or incomplete option " + arg;
			return false;
		} else {
			positional.push_back(arg);
		}
	}
	if (positional.size() != 2) {
		*why = std::string("usage: velmora-run ") + USAGE;
		return false;
	}
	options->input = positional[0];
	options->output = positional[1];
	if (options->effect_file.empty() == !options->has_text) {
		*why = "give exactly one of --effect FILE and --text TEXT";
		return false;
	}
	if (options->frames < 1 || options->frames > 100000) {
		*why = "--frames takes a count from 1 to 100000";
		return false;
	}
	return true;
}

std::string absolute(const std::string &path)
{
	char *resolved = os_get_abs_path_ptr(path.c_str());
	std::string result = resolved ? resolved : path;
	bfree(resolved);
	return result;
}

// The filter's settings: where the effect comes from, then --set. A file
// ending in ".effect" is taken as a complete effect, as the panel does.
bool filter_settings(const EffectOptions &options, obs_data_t *settings)
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
	for (const std::string &assignment : options.assignments) {
		if (!apply_setting(settings, assignment)) {
			fprintf(stderr, "velmora-run: bad --set %s\n",
				assignment.c_str());
			return false;
		}
	}
	return true;
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
	if (!filter_settings(options, settings))
		return 2;
	OBSSourceAutoRelease filter = headless::add_filter(
		input, "velmora-matting", "matting", settings);
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

int effect_main(const Args &raw)
{
	Args args = raw;
	CommonOptions common = take_common_options(args);
	EffectOptions options;
	std::string why;
	if (!parse_options(args, &options, &why))
		return usage_error(why);
	return with_host(common, [&] { return render_through_filter(options); });
}

} // namespace run
