#include "run-common.h"

#include <obs.hpp>

#include <QImage>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace run {

namespace {

const std::vector<OptionSpec> COMMON_OPTIONS = {
	{"--plugin", true},
	{"--data", true},
	{"--locale", true},
	{"--verbose", false},
};

const OptionSpec *find_option(const std::vector<OptionSpec> &spec,
			      const std::string &name)
{
	for (const OptionSpec &option : spec)
		if (option.name == name)
			return &option;
	return nullptr;
}

CommonOptions common_options(const ParsedArgs &parsed)
{
	CommonOptions common;
	if (const char *env = getenv("VELMORA_PLUGIN_PATH"))
		common.plugin_path = env;
	if (const char *env = getenv("VELMORA_PLUGIN_DATA"))
		common.data_path = env;
	common.plugin_path = parsed.value("--plugin", common.plugin_path);
	common.data_path = parsed.value("--data", common.data_path);
	common.locale = parsed.value("--locale", common.locale);
	common.verbose = parsed.has("--verbose");
	return common;
}

} // namespace

bool ParsedArgs::has(const std::string &name) const
{
	return options.count(name) != 0;
}

std::string ParsedArgs::value(const std::string &name,
			      const std::string &fallback) const
{
	auto found = options.find(name);
	return found == options.end() ? fallback : found->second.back();
}

std::vector<std::string> ParsedArgs::values(const std::string &name) const
{
	auto found = options.find(name);
	return found == options.end() ? std::vector<std::string>()
				      : found->second;
}

bool parse_args(const Args &args, const std::vector<OptionSpec> &spec,
		ParsedArgs *parsed, std::string *error)
{
	for (size_t i = 0; i < args.size(); i++) {
		const std::string &arg = args[i];
		if (arg.size() < 2 || arg[0] != '-') {
			parsed->positional.push_back(arg);
			continue;
		}
		const OptionSpec *option = find_option(spec, arg);
		if (!option)
			option = find_option(COMMON_OPTIONS, arg);
		if (!option) {
			*error = "unknown option " + arg;
			return false;
		}
		if (option->takes_value && i + 1 >= args.size()) {
			*error = "missing value after " + arg;
			return false;
		}
		const std::string value =
			option->takes_value ? args[++i] : std::string();
		const size_t equals = value.find('=');
		if (arg == "--set" && (equals == std::string::npos || equals == 0)) {
			*error = "bad --set \"" + value +
				 "\" (expected key=value)";
			return false;
		}
		parsed->options[arg].push_back(value);
	}
	parsed->common = common_options(*parsed);
	return true;
}

int parse_picture_job(const std::string &command, const Args &args,
		      PictureJob *job)
{
	ParsedArgs parsed;
	std::string error;
	if (!parse_args(args, {{"--set", true}, {"--background", true}},
			&parsed, &error))
		return usage_error(command, error);
	if (parsed.positional.size() != 2)
		return usage_error(command, "needs INPUT and OUTPUT.png");
	const std::string background = parsed.value("--background");
	if (!background.empty() && !parse_colour(background, &job->background))
		return usage_error(command, "bad colour \"" + background + "\"");
	job->common = parsed.common;
	job->input = parsed.positional[0];
	job->output = parsed.positional[1];
	job->assignments = parsed.values("--set");
	return 0;
}

OBSDataAutoRelease settings_from(const std::vector<std::string> &assignments)
{
	OBSDataAutoRelease settings = obs_data_create();
	for (const std::string &assignment : assignments)
		apply_setting(settings, assignment);
	return settings;
}

bool start_host(const CommonOptions &options,
		const headless::VideoSettings &video)
{
	headless::HostConfig config;
	config.video = video;
	config.locale = options.locale;
	config.plugin_path = options.plugin_path;
	config.data_path = options.data_path;
	config.echo_log = options.verbose;
	config.stock_modules = {"image-source", "obs-ffmpeg"};
	std::string error;
	if (!headless::start(config, &error)) {
		fprintf(stderr, "velmora-run: %s\n", error.c_str());
		headless::stop();
		return false;
	}
	return true;
}

void stop_host()
{
	long leaks = headless::stop();
	if (leaks != 0)
		fprintf(stderr, "velmora-run: host reports %ld memory leaks\n",
			leaks);
}

int with_host(const CommonOptions &options, const std::function<int()> &job)
{
	if (!start_host(options))
		return 1;
	const int status = job();
	stop_host();
	return status;
}

static bool parse_integer(const std::string &text, long long *out)
{
	if (text.empty())
		return false;
	char *end = nullptr;
	const bool hex = text.size() > 2 && text[0] == '0' &&
			 (text[1] == 'x' || text[1] == 'X');
	long long value = hex ? (long long)strtoull(text.c_str() + 2, &end, 16)
			      : strtoll(text.c_str(), &end, 10);
	if (!end || *end != '\0')
		return false;
	*out = value;
	return true;
}

static bool parse_number(const std::string &text, double *out)
{
	if (text.empty())
		return false;
	char *end = nullptr;
	double value = strtod(text.c_str(), &end);
	if (!end || *end != '\0')
		return false;
	*out = value;
	return true;
}

bool apply_setting(obs_data_t *settings, const std::string &assignment)
{
	size_t eq = assignment.find('=');
	if (eq == std::string::npos || eq == 0)
		return false;
	const std::string key = assignment.substr(0, eq);
	const std::string value = assignment.substr(eq + 1);

	long long integer = 0;
	double number = 0.0;
	if (value == "true" || value == "false")
		obs_data_set_bool(settings, key.c_str(), value == "true");
	else if (parse_integer(value, &integer))
		obs_data_set_int(settings, key.c_str(), integer);
	else if (parse_number(value, &number))
		obs_data_set_double(settings, key.c_str(), number);
	else
		obs_data_set_string(settings, key.c_str(), value.c_str());
	return true;
}

bool parse_colour(const std::string &text, uint32_t *out)
{
	static const std::map<std::string, uint32_t> names = {
		{"transparent", 0x00000000}, {"black", 0xFF000000},
		{"white", 0xFFFFFFFF},       {"red", 0xFF0000FF},
		{"green", 0xFF00FF00},       {"blue", 0xFFFF0000},
		{"grey", 0xFF808080},        {"gray", 0xFF808080},
		{"magenta", 0xFFFF00FF},
	};
	auto named = names.find(text);
	if (named != names.end()) {
		*out = named->second;
		return true;
	}
	if (text.size() != 7 && text.size() != 9)
		return false;
	if (text[0] != '#')
		return false;
	for (size_t i = 1; i < text.size(); i++)
		if (!isxdigit((unsigned char)text[i]))
			return false;
	uint32_t argb = uint32_t(strtoul(text.c_str() + 1, nullptr, 16));
	if (text.size() == 7)
		argb |= 0xFF000000;
	const uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF,
		       g = (argb >> 8) & 0xFF, b = argb & 0xFF;
	*out = a << 24 | b << 16 | g << 8 | r;
	return true;
}

bool save_image(const headless::Image &image, const std::string &path,
		bool premultiplied)
{
	if (image.empty()) {
		fprintf(stderr, "velmora-run: nothing was rendered\n");
		return false;
	}
	QImage picture(image.rgba.data(), int(image.width), int(image.height),
		       int(image.width * 4),
		       premultiplied ? QImage::Format_RGBA8888_Premultiplied
				     : QImage::Format_RGBA8888);
	if (!picture.save(QString::fromStdString(path))) {
		fprintf(stderr, "velmora-run: cannot write %s\n", path.c_str());
		return false;
	}
	return true;
}

namespace {

const int FIRST_FRAME_TIMEOUT_FRAMES = 600; // 10 s at 60 fps

bool media_gave_up(obs_source_t *source)
{
	const obs_media_state state = obs_source_media_get_state(source);
	return state == OBS_MEDIA_STATE_ENDED || state == OBS_MEDIA_STATE_ERROR;
}

} // namespace

bool is_image_file(const std::string &path)
{
	static const char *const extensions[] = {
		"png", "jpg", "jpeg", "bmp", "tga", "gif", "psd", "webp", "jxr"};
	const size_t dot = path.rfind('.');
	if (dot == std::string::npos)
		return false;
	std::string extension = path.substr(dot + 1);
	std::transform(extension.begin(), extension.end(), extension.begin(),
		       [](unsigned char c) { return char(tolower(c)); });
	for (const char *known : extensions)
		if (extension == known)
			return true;
	return false;
}

obs_source_t *make_media_source(const char *name, const std::string &path)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "is_local_file", true);
	obs_data_set_string(settings, "local_file", path.c_str());
	obs_data_set_bool(settings, "looping", false);
	obs_data_set_bool(settings, "restart_on_activate", false);
	obs_data_set_bool(settings, "clear_on_media_end", false);
	obs_data_set_int(settings, "speed_percent", 1);
	return obs_source_create_private("ffmpeg_source", name, settings);
}

// An image is loaded when the source is created, and a media source that
// ends or fails without a frame has nothing more to give: both get a few
// frames, not the whole timeout.
bool wait_for_first_frame(obs_source_t *source, bool image)
{
	int grace = 10;
	for (int i = 0; i < FIRST_FRAME_TIMEOUT_FRAMES && grace > 0; i++) {
		if (obs_source_get_base_width(source) > 0 &&
		    obs_source_get_base_height(source) > 0)
			return true;
		if (image || media_gave_up(source))
			grace--;
		headless::wait_frames(1);
	}
	return false;
}

bool save_scene_picture(const headless::Image &image, const std::string &path)
{
	if (!save_image(image, path, true))
		return false;
	printf("%s: %ux%u\n", path.c_str(), image.width, image.height);
	return true;
}

std::vector<std::string> host_errors()
{
	std::vector<std::string> lines;
	for (const headless::LogLine &line : headless::log_lines())
		if (line.level == LOG_ERROR)
			lines.push_back(line.text);
	return lines;
}

int usage_error(const std::string &command, const std::string &msg)
{
	fprintf(stderr, "velmora-run %s: %s\n", command.c_str(), msg.c_str());
	for (const Command &entry : commands())
		if (command == entry.name)
			fprintf(stderr, "usage: velmora-run %s\n", entry.usage);
	return 2;
}

std::string existing_absolute_path(const std::string &path)
{
	std::error_code ec;
	const std::filesystem::path absolute =
		std::filesystem::canonical(path, ec);
	return ec ? std::string() : absolute.string();
}

} // namespace run
