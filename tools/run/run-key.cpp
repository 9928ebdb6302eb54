// velmora-run key: keys an image (or the first frame of a video) with the
// matting filter's built-in keyer and writes the result over a background
// colour or with transparency.
#include "run-common.h"
#include "plugin-ids.h"

#include <obs.hpp>
#include <util/platform.h>

#include <cstdio>
#include <string>

namespace run {

namespace {

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

int key_input(obs_source_t *input, const PictureJob &job)
{
	OBSDataAutoRelease settings = settings_from(job.assignments);
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
		input, 0, 0, job.background);
	obs_source_filter_remove(input, filter);
	if (image.empty()) {
		fprintf(stderr, "velmora-run: nothing was rendered\n");
		return 1;
	}
	print_coverage(image);
	// A scene draws premultiplied colour; the file gets straight alpha.
	return save_image(image, job.output, true) ? 0 : 1;
}

int key_image(const PictureJob &job)
{
	// The host makes a placeholder for an unknown id; ask for the type.
	if (!obs_source_get_display_name(MATTING_FILTER_ID)) {
		fprintf(stderr, "velmora-run: the module has no %s filter\n",
			MATTING_FILTER_ID);
		return 1;
	}
	const bool image = is_image_file(job.input);
	OBSSourceAutoRelease input =
		image ? headless::make_image_source("key input", job.input)
		      : make_media_source("key input", job.input);
	if (!input || !wait_for_first_frame(input, image)) {
		fprintf(stderr, "velmora-run: %s: no %s frame could be read\n",
			job.input.c_str(), image ? "image" : "video");
		return 1;
	}
	return key_input(input, job);
}

} // namespace

int key_main(const Args &args)
{
	PictureJob job;
	if (int status = parse_picture_job("key", args, &job))
		return status;
	if (!os_file_exists(job.input.c_str())) {
		fprintf(stderr, "velmora-run: no such file: %s\n",
			job.input.c_str());
		return 1;
	}
	return with_host(job.common, [&] { return key_image(job); });
}

} // namespace run
