// velmora-run key: keys an image (or the first frame of a video) with the
// matting filter's built-in keyer and writes the result over a background
// colour or with transparency.
#include "run-common.h"

#include <obs.hpp>
#include <util/platform.h>

#include <cstdio>
#include <string>

namespace run {

namespace {

const char *const MATTING_FILTER_ID = "velmora-matting";

struct KeyOptions {
	std::string input;
	std::string output;
	std::vector<std::string> assignments; // --set key=value
	uint32_t background = 0;              // 0xAABBGGRR; 0 = transparent
};

int parse_key_options(const Args &args, KeyOptions *options)
{
	std::vector<std::string> positional;
	for (size_t i = 0; i < args.size(); i++) {
		const std::string &arg = args[i];
		const bool has_value = i + 1 < args.size();
		if (arg == "--set" && has_value) {
			options->assignments.push_back(args[++i]);
		} else if (arg == "--background" && has_value) {
			if (!parse_colour(args[++i], &options->background))
				return usage_error("bad colour \"" + args[i] +
						   "\"");
		} else if (arg.rfind("--", 0) == 0) {
			return usage_error("key: unknown option " + arg);
		} else {
			positional.push_back(arg);
		}
	}
	if (positional.size() != 2)
		return usage_error("key needs INPUT and OUTPUT.png");
	options->input = positional[0];
	options->output = positional[1];
	return 0;
}

void print_coverage(const headless::Image &image)
{
	size_t clear = 0, opaque = 0;
	const size_t total = size_t(image.width) * image.height;
	for (size_t i = 0; i < total; i++) {
		const uint8_t a = image.rgba[i * 4 + 3];
		clear += a == 0;
		opaque += a == 255;
	}
	printf("keyed %ux%u: %.1f%% transparent, %.1f%% opaque, %.1f%% partly transparent\n",
	       image.width, image.height, 100.0 * clear / total,
	       100.0 * opaque / total,
	       100.0 * (total - clear - opaque) / total);
}

int key_input(obs_source_t *input, const KeyOptions &options)
{
	OBSDataAutoRelease settings = obs_data_create();
	for (const std::string &assignment : options.assignments)
		if (!apply_setting(settings, assignment))
			return usage_error("bad --set \"" + assignment + "\"");
	OBSSourceAutoRelease filter = headless::add_filter(
		input, MATTING_FILTER_ID, "keyer", settings);
	if (!filter) {
		fprintf(stderr, "velmora-run: cannot create the %s filter\n",
			MATTING_FILTER_ID);
		return 1;
	}
	headless::wait_frames(3);

	OBSDataAutoRelease current = obs_source_get_settings(filter);
	const char *error = obs_data_get_string(current, "last_error");
	if (error && *error) {
		fprintf(stderr, "velmora-run: the effect failed: %s\n", error);
		obs_source_filter_remove(input, filter);
		return 1;
	}

	headless::Image image = headless::render_in_scene(
		input, 0, 0, options.background);
	obs_source_filter_remove(input, filter);
	if (image.empty()) {
		fprintf(stderr, "velmora-run: nothing was rendered\n");
		return 1;
	}
	print_coverage(image);
	// A scene draws premultiplied colour; the file gets straight alpha.
	return save_image(image, options.output, true) ? 0 : 1;
}

int key_image(const KeyOptions &options)
{
	// The host makes a placeholder for an unknown id; ask for the type.
	if (!obs_source_get_display_name(MATTING_FILTER_ID)) {
		fprintf(stderr, "velmora-run: the module has no %s filter\n",
			MATTING_FILTER_ID);
		return 1;
	}
	const bool image = is_image_file(options.input);
	OBSSourceAutoRelease input =
		image ? headless::make_image_source("key input", options.input)
		      : make_media_source("key input", options.input);
	if (!input || !wait_for_first_frame(input, image)) {
		fprintf(stderr, "velmora-run: %s: no %s frame could be read\n",
			options.input.c_str(), image ? "image" : "video");
		return 1;
	}
	return key_input(input, options);
}

} // namespace

int key_main(const Args &raw)
{
	Args args = raw;
	CommonOptions common = take_common_options(args);
	KeyOptions options;
	if (int status = parse_key_options(args, &options))
		return status;
	if (!os_file_exists(options.input.c_str())) {
		fprintf(stderr, "velmora-run: no such file: %s\n",
			options.input.c_str());
		return 1;
	}
	return with_host(common, [&] { return key_image(options); });
}

} // namespace run
