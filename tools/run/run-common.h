// Shared pieces of velmora-run's commands: argument parsing, settings from
// "--set key=value", starting the host, writing images.
#pragma once

#include "../host/headless-host.h"

#include <obs.hpp>

#include <functional>
#include <map>
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

// Options every command accepts.
struct CommonOptions {
	std::string plugin_path; // --plugin FILE or $VELMORA_PLUGIN_PATH
	std::string data_path;   // --data DIR or $VELMORA_PLUGIN_DATA
	std::string locale = "en-US"; // --locale NAME
	bool verbose = false;    // --verbose: echo the host log
};

// An option of a command: "--name VALUE" or a "--name" switch.
struct OptionSpec {
	std::string name;
	bool takes_value;
};

// A command line taken apart: the common options, the command's own options
// (every value given, in order; a switch has one empty value per use) and
// the positional arguments ("-" alone counts as positional).
struct ParsedArgs {
	CommonOptions common;
	std::vector<std::string> positional;
	std::map<std::string, std::vector<std::string>> options;

	bool has(const std::string &name) const;
	// The last value given for name, or fallback when there is none.
	std::string value(const std::string &name,
			  const std::string &fallback = "") const;
	std::vector<std::string> values(const std::string &name) const;
};

// Parses a command's arguments against its own options and the common
// ones; false with the reason in *error for an option the command does not
// take, one whose value is missing, or a --set value that is not
// key=value.
bool parse_args(const Args &args, const std::vector<OptionSpec> &spec,
		ParsedArgs *parsed, std::string *error);

// What key and gift take: INPUT OUTPUT.png [--set key=value ...]
// [--background COLOUR].
struct PictureJob {
	CommonOptions common;
	std::string input;
	std::string output;
	std::vector<std::string> assignments; // --set key=value
	uint32_t background = 0;              // 0xAABBGGRR; 0 = transparent
};

// 0, or the exit status of the usage error it reported.
int parse_picture_job(const std::string &command, const Args &args,
		      PictureJob *job);

// Settings from --set assignments (checked by parse_args).
OBSDataAutoRelease settings_from(const std::vector<std::string> &assignments);

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

// The one way a command reports a usage error: prints
// "velmora-run COMMAND: msg" and the command's usage line to stderr, and
// returns exit status 2.
int usage_error(const std::string &command, const std::string &msg);

// The absolute form of a path that exists; empty when it does not.
std::string existing_absolute_path(const std::string &path);

} // namespace run
