// velmora-run vcam: runs the virtual camera output on a test pattern or a
// picture for a while, through the camera library (the stand-in), and says
// how many frames reached the camera.
#include "run-common.h"
#include "plugin-ids.h"

#include <camsink.h>

#include <obs.hpp>
#include <util/platform.h>

#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <unistd.h>

namespace run {

namespace {

struct VcamOptions {
	double seconds = 5.0;
	uint32_t width = 1280;
	uint32_t height = 720;
	std::string source; // empty: a test pattern
};

bool parse_size(const std::string &text, uint32_t *width, uint32_t *height)
{
	unsigned w = 0, h = 0;
	char rest = 0;
	if (sscanf(text.c_str(), "%ux%u%c", &w, &h, &rest) != 2)
		return false;
	if (w < 16 || h < 16 || w > 8192 || h > 8192)
		return false;
	*width = w;
	*height = h;
	return true;
}

// 0, or the exit status of the usage error it reported.
int parse_options(const Args &args, VcamOptions *options, CommonOptions *common)
{
	ParsedArgs parsed;
	std::string error;
	if (!parse_args(args,
			{{"--seconds", true}, {"--size", true}, {"--source", true}},
			&parsed, &error))
		return usage_error("vcam", error);
	if (!parsed.positional.empty())
		return usage_error("vcam", "takes no INPUT, only options");
	if (parsed.has("--seconds")) {
		const std::string value = parsed.value("--seconds");
		char *end = nullptr;
		options->seconds = strtod(value.c_str(), &end);
		if (!end || *end || !(options->seconds > 0.0) ||
		    options->seconds > 3600.0)
			return usage_error("vcam", "--seconds takes a number of "
						   "seconds (up to 3600)");
	}
	if (parsed.has("--size") && !parse_size(parsed.value("--size"),
						&options->width,
						&options->height))
		return usage_error("vcam",
				   "--size takes WIDTHxHEIGHT (16 to 8192)");
	options->source = parsed.value("--source");
	if (!options->source.empty() &&
	    !os_file_exists(options->source.c_str()))
		return usage_error("vcam", "no such file: " + options->source);
	*common = parsed.common;
	return 0;
}

// Colour bars over a grey ramp, written to a temporary PNG.
std::string write_test_pattern(uint32_t width, uint32_t height)
{
	QImage pattern(int(width), int(height), QImage::Format_RGB32);
	QPainter painter(&pattern);
	const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green,
			       Qt::magenta, Qt::red, Qt::blue};
	const int bar_height = int(height) * 3 / 4;
	for (int i = 0; i < 7; i++) {
		const int x0 = int(width) * i / 7, x1 = int(width) * (i + 1) / 7;
		painter.fillRect(x0, 0, x1 - x0, bar_height, bars[i]);
	}
	for (int x = 0; x < int(width); x++) {
		const int level = x * 255 / int(width - 1);
		painter.fillRect(x, bar_height, 1, int(height) - bar_height,
				 QColor(level, level, level));
	}
	painter.end();
	const std::string path = std::string("/tmp/velmora-run-pattern-") +
				 std::to_string(getpid()) + ".png";
	return pattern.save(QString::fromStdString(path)) ? path : "";
}

void print_sink_hint(uint32_t width, uint32_t height, uint64_t published)
{
	const char *file = getenv("VELMORA_CAMSINK_FILE");
	const char *device = getenv("VELMORA_CAMSINK_DEVICE");
	if (file && *file)
		printf("published:         %llu frames to %s\n"
		       "  view: ffplay -f rawvideo -pixel_format bgr24 "
		       "-video_size %ux%u -framerate 60 -i %s\n",
		       (unsigned long long)published, file, width, height,
		       file);
	else if (published > 0)
		printf("published:         %llu frames to %s\n",
		       (unsigned long long)published,
		       device && *device ? device : "a v4l2loopback device");
	else
		printf("published:         none (set VELMORA_CAMSINK_FILE or "
		       "load v4l2loopback)\n");
}

} // namespace

int vcam_main(const Args &args)
{
	CommonOptions common;
	VcamOptions options;
	if (int status = parse_options(args, &options, &common))
		return status;

	headless::VideoSettings video;
	video.width = options.width;
	video.height = options.height;
	if (!start_host(common, video))
		return 1;

	obs_video_info ovi = {};
	obs_get_video_info(&ovi);
	const bool pattern = options.source.empty();
	const std::string picture =
		pattern ? write_test_pattern(ovi.output_width, ovi.output_height)
			: options.source;
	int status = 0;
	{
		OBSSourceAutoRelease source =
			headless::make_image_source("vcam picture", picture);
		obs_scene_t *scene = headless::show_in_program(source);
		headless::wait_frames(3);

		OBSOutputAutoRelease output =
			obs_get_output_by_name(VCAM_OUTPUT_ID);
		camsink_statistics before = {}, after = {};
		camsink_get_statistics(&before);
		const auto began = std::chrono::steady_clock::now();
		if (output && obs_output_start(output)) {
			std::this_thread::sleep_for(
				std::chrono::duration<double>(options.seconds));
			obs_output_stop(output);
			const double elapsed =
				std::chrono::duration<double>(
					std::chrono::steady_clock::now() - began)
					.count();
			camsink_get_statistics(&after);
			const uint64_t host_frames =
				obs_output_get_total_frames(output);
			const uint64_t delivered =
				after.frames_received - before.frames_received;
			printf("vcam:              %ux%u at %u fps for %.2f s, "
			       "%s\n",
			       ovi.output_width, ovi.output_height, ovi.fps_num,
			       elapsed,
			       pattern ? "test pattern" : picture.c_str());
			printf("frames from host:  %llu\n",
			       (unsigned long long)host_frames);
			printf("frames delivered:  %llu\n",
			       (unsigned long long)delivered);
			printf("frames dropped:    %llu\n",
			       (unsigned long long)(host_frames > delivered
							    ? host_frames - delivered
							    : 0));
			printf("delivery rate:     %.1f fps\n",
			       double(delivered) / elapsed);
			print_sink_hint(ovi.output_width, ovi.output_height,
					after.frames_published -
						before.frames_published);
		} else {
			fprintf(stderr, "velmora-run: the virtual camera output "
					"did not start (--verbose shows why)\n");
			status = 1;
		}
		headless::hide_from_program(scene);
	}
	if (pattern && !picture.empty())
		unlink(picture.c_str());
	stop_host();
	return status;
}

} // namespace run
