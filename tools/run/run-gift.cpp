// velmora-run gift: one frame of an alpha-packed image or video through the
// gift overlay filter, drawn the way a scene draws it over a background.
#include "run-common.h"
#include "plugin-ids.h"

#include <obs.hpp>

#include <cstdio>

namespace run {

namespace {

int render_gift(const PictureJob &job)
{
	OBSDataAutoRelease settings = settings_from(job.assignments);

	const bool image = is_image_file(job.input);
	OBSSourceAutoRelease source =
		image ? headless::make_image_source("gift input",
						    job.input)
		      : make_media_source("gift input", job.input);
	if (!source || !wait_for_first_frame(source, image)) {
		fprintf(stderr, "velmora-run: %s: no %s frame could be read\n",
			job.input.c_str(), image ? "image" : "video");
		return 1;
	}

	OBSSourceAutoRelease filter = headless::add_filter(
		source, GIFT_FILTER_ID, "gift", settings);
	if (!filter) {
		fprintf(stderr, "velmora-run: the gift filter could not be "
				"created (see --verbose)\n");
		return 1;
	}
	headless::wait_frames(2); // the filter's tick works out its size

	const headless::Image result = headless::render_source(
		source, 0, 0, headless::RenderMode::AsScene,
		job.background);
	obs_source_filter_remove(source, filter);
	return save_scene_picture(result, job.output) ? 0 : 1;
}

} // namespace

int gift_main(const Args &args)
{
	PictureJob job;
	if (int status = parse_picture_job("gift", args, &job))
		return status;
	const std::string absolute = existing_absolute_path(job.input);
	if (absolute.empty())
		return usage_error("gift", "cannot find " + job.input);
	job.input = absolute;
	return with_host(job.common, [&] { return render_gift(job); });
}

} // namespace run
