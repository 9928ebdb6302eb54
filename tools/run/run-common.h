// Shared pieces of velmora-run's commands: argument parsing, settings from
// "--set key=value", starting the host, writing images.
#pragma once

#include "../host/headless-host.h"

#include <obs.h>

#include <functional>
#include <string>
#include <vector>

namespace run {

// A command's arguments after the command name.
using Args = std::vector<std::string>;

struct Command {
	const char *name;
	const char *usage;
	int (*main)(const Args &args);
};

// All commands, in the order "velmora-run help" lists them.
const std::vector<Command> &commands();

// Options every command accepts, taken out of args by take_common_options.
struct CommonOptions {
	std::string plugin_path; // --plugin FILE or $VELMORA_PLUGIN_PATH
	std::string data_path;   // --data DIR or $VELMORA_PLUGIN_DATA
	std::string locale = "en-US"; // --locale NAME
	bool verbose = false;    // --verbose: echo the host log
};

CommonOptions take_common_options(Args &args);

// Starts the host with the plugin and the stock modules; prints the reason
// and returns false when it cannot.
bool start_host(const CommonOptions &options,
		const headless::VideoSettings &video = {});

// Stops the host; prints a warning when the host reports leaks.
void stop_host();

// Starts the host, runs job and stops the host: job's exit status, or 1
// when the host does not start.
int with_host(const CommonOptions &options, const std::function<int()> &job);

// Applies "key=value" to settings: true/false as bool, an integer (decimal
// or 0x hex) as int, a number as double, anything else as string.
bool apply_setting(obs_data_t *settings, const std::string &assignment);

// Parses a colour: "#RRGGBB", "#AARRGGBB", "transparent" or a name of a few
// common colours; result in the host's 0xAABBGGRR form.
bool parse_colour(const std::string &text, uint32_t *out);

// Writes an RGBA image with Qt; false and a message on failure. With
// premultiplied set, the pixels are read as premultiplied alpha (what a
// scene draws over a transparent background) and stored straight.
bool save_image(const headless::Image &image, const std::string &path,
		bool premultiplied = false);

// Whether path names a picture (by its extension) rather than a video.
bool is_image_file(const std::string &path);

// The host's media source playing path once, at 1% speed so that its first
// frame stays on screen long enough to be read.
obs_source_t *make_media_source(const char *name, const std::string &path);

// Waits for the source's first frame (image: true for a picture).
bool wait_for_first_frame(obs_source_t *source, bool image);

// Saves a picture read back as a scene draws it (premultiplied colour) with
// straight alpha, and prints its path and size.
bool save_scene_picture(const headless::Image &image, const std::string &path);

// The host's error-level lines logged since the last headless::clear_log:
// the graphics driver's compiler and draw messages among them.
std::vector<std::string> host_errors();

// Prints msg to stderr and returns exit status 2 (usage error).
int usage_error(const std::string &msg);

} // namespace run
