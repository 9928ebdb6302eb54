// velmora-run gift: one frame of an alpha-packed image or video through the
// gift overlay filter, drawn the way a scene draws it over a background.
#include "run-common.h"

#include <obs.hpp>
#include <util/platform.h>

#include <cstdio>

namespace run {

namespace {

struct GiftOptions {
	std::string input;
	std::string output;
	std::vector<std::string> settings; // "key=value"
	uint32_t background = 0x00000000;
};

bool parse_gift_options(const Args &args, GiftOptions *options,
			std::string *error)
{
	std::vector<std::string> positional;
	for (size_t i = 0; i < args.size(); i++) {
		const std::string &arg = args[i];
		const bool has_value = i + 1 < args.size();
		if (arg == "--set" && has_value) {
			options->settings.push_back(args[++i]);
		} else if (arg == "--background" && has_value) {
			if (!parse_colour(args[++i], &options->background)) {
				*error = "bad colour \"" + args[i] + "\"";
				return false;
			}
		} else if (arg.size() > 1 && arg[0] == '-') {
			*error = "unknown option \"" + arg + "\"";
			return false;
		} else {
			positional.push_back(arg);
		}
	}
	if (positional.size() != 2) {
		*error = "gift needs INPUT and OUTPUT.png";
		return false;
	}
	options->input = positional[0];
	options->output = positional[1];
	return true;
}

obs_data_t *filter_settings(const GiftOptions &options, std::string *error)
{
	obs_data_t *settings = obs_data_create();
	for (const std::string &assignment : options.settings) {
		if (!apply_setting(settings, assignment)) {
			*error = "bad setting \"" + assignment +
				 "\" (expected key=value)";
			obs_data_release(settings);
			return nullptr;
		}
	}
	return settings;
}

int render_gift(const GiftOptions &options)
{
	std::string error;
	OBSDataAutoRelease settings = filter_settings(options, &error);
	if (!settings) {
		fprintf(stderr, "velmora-run: %s\n", error.c_str());
		return 2;
	}

	const bool image = is_image_file(options.input);
	OBSSourceAutoRelease source =
		image ? headless::make_image_source("gift input",
						    options.input)
		      : make_media_source("gift input", options.input);
	if (!source || !wait_for_first_frame(source, image)) {
		fprintf(stderr, "velmora-run: %s: no %s frame could be read\n",
			options.input.c_str(), image ? "image" : "video");
		return 1;
	}

	OBSSourceAutoRelease filter = headless::add_filter(
		source, "velmora-gift", "gift", settings);
	if (!filter) {
		fprintf(stderr, "velmora-run: the gift filter could not be "
				"created (see --verbose)\n");
		return 1;
	}
	headless::wait_frames(2); // the filter's tick works out its size

	const headless::Image result = headless::render_source(
		source, 0, 0, headless::RenderMode::AsScene,
		options.background);
	obs_source_filter_remove(source, filter);
	return save_scene_picture(result, options.output) ? 0 : 1;
}

} // namespace

int gift_main(const Args &raw)
{
	Args args = raw;
	CommonOptions common = take_common_options(args);
	GiftOptions options;
	std::string error;
	if (!parse_gift_options(args, &options, &error))
		return usage_error(error);

	char *absolute = os_get_abs_path_ptr(options.input.c_str());
	if (!absolute)
		return usage_error("cannot find " + options.input);
	options.input = absolute;
	bfree(absolute);

	return with_host(common, [&] { return render_gift(options); });
}

} // namespace run
