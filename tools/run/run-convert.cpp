// velmora-run convert: converts a Shadertoy, GLSL or LOVE shader into the
// matting filter's effect text, as the filter's convert button does. Pure
// text: the host is not started, unless --check asks for the converted
// text to be built (and drawn once) by a real matting filter.
#include "run-common.h"
#include "plugin-ids.h"

#include "shader-convert.h"
#include "effect-text.h"

#include <obs.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace run {

namespace {

bool read_input(const std::string &path, std::string *text)
{
	std::ostringstream buffer;
	if (path == "-") {
		buffer << std::cin.rdbuf();
	} else {
		std::ifstream file(path, std::ios::binary);
		if (!file) {
			fprintf(stderr, "velmora-run: cannot read \"%s\"\n",
				path.c_str());
			return false;
		}
		buffer << file.rdbuf();
	}
	*text = buffer.str();
	return true;
}

// Stands in last_error until the filter's build writes its outcome there:
// the build removes it on success and sets the errors on failure.
const char NOT_BUILT[] = "velmora-run: the effect was not built";

std::string without_trailing_space(std::string text)
{
	while (!text.empty() && isspace((unsigned char)text.back()))
		text.pop_back();
	return text;
}

void print_lines(const std::vector<std::string> &lines)
{
	for (const std::string &line : lines)
		fprintf(stderr, "%s\n", without_trailing_space(line).c_str());
}

bool mentions(const std::vector<std::string> &lines, const char *text)
{
	for (const std::string &line : lines)
		if (line.find(text) != std::string::npos)
			return true;
	return false;
}

// How many lines the filter puts ahead of a template-mode text on this
// back end: error positions count them.
size_t lines_ahead_of_user_text()
{
	std::string ahead = EFFECT_TEMPLATE_TEXT;
	adapt_effect_text_for_opengl(ahead);
	return size_t(std::count(ahead.begin(), ahead.end(), '\n'));
}

std::string build_outcome(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_get_string(settings, "last_error");
}

// The build runs in the filter's first settings update, at its first tick.
std::string wait_for_build(obs_source_t *filter)
{
	std::string outcome = build_outcome(filter);
	for (int i = 0; i < 300 && outcome == NOT_BUILT; i++) {
		headless::wait_frames(1);
		outcome = build_outcome(filter);
	}
	return outcome;
}

void report_build_failure(const std::string &shader,
			  const std::string &converted,
			  const std::string &outcome)
{
	fprintf(stderr,
		"velmora-run: the converted effect does not build:\n%s\n",
		without_trailing_space(outcome).c_str());
	// The graphics driver's messages count lines of the GLSL it was
	// given; the parser's and the guard's count lines of the effect text.
	const std::vector<std::string> compiler = host_errors();
	print_lines(compiler);
	if (compiler.empty())
		fprintf(stderr,
			"velmora-run: line numbers count the %zu lines the "
			"filter puts ahead of the converted text\n",
			lines_ahead_of_user_text());
	std::vector<std::string> messages = compiler;
	messages.push_back(outcome);
	const std::vector<std::string> culprits = explain_unconverted(
		shader, converted, lines_ahead_of_user_text(), messages);
	for (const std::string &culprit : culprits)
		fprintf(stderr, "velmora-run: in the shader, %s\n",
			culprit.c_str());
	if (culprits.empty())
		fprintf(stderr, "velmora-run: no construct of the shader "
				"itself is named by these messages\n");
}

// Draws the source once as a scene does; false with the host's messages
// when the effect cannot be drawn.
bool draws(obs_source_t *input)
{
	headless::clear_log();
	headless::render_in_scene(input);
	const std::vector<std::string> errors = host_errors();
	if (errors.empty())
		return true;
	fprintf(stderr, "velmora-run: the converted effect builds, but the "
			"host cannot draw it:\n");
	print_lines(errors);
	if (mentions(errors, "Could not find attribute"))
		fprintf(stderr, "velmora-run: on OpenGL a pixel function must "
				"read the texture coordinate (v_in.uv) to be "
				"drawn\n");
	return false;
}

// Builds text (converted from shader) in a matting filter on a colour
// source, exactly as the filter builds its shader_text (template, back-end
// adaptation, the compiler guard), then draws it once. 0 when both work.
int build_in_filter(const std::string &shader, const std::string &text)
{
	OBSSourceAutoRelease input = headless::make_color_source(
		"convert check input", 64, 64, 0xFF808080);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "shader_text", text.c_str());
	obs_data_set_string(settings, "last_error", NOT_BUILT);

	headless::clear_log();
	OBSSourceAutoRelease filter = headless::add_filter(
		input, MATTING_FILTER_ID, "convert check", settings);
	if (!filter) {
		fprintf(stderr,
			"velmora-run: cannot create the matting filter\n");
		return 1;
	}
	const std::string outcome = wait_for_build(filter);
	bool works = false;
	if (outcome == NOT_BUILT)
		fprintf(stderr, "velmora-run: the filter did not build the "
				"effect in time\n");
	else if (!outcome.empty())
		report_build_failure(shader, text, outcome);
	else
		works = draws(input);
	if (works)
		fprintf(stderr, "velmora-run: the converted effect builds and "
				"draws\n");
	obs_source_filter_remove(input, filter);
	return works ? 0 : 1;
}

} // namespace

int convert_main(const Args &args)
{
	ParsedArgs parsed;
	std::string error;
	if (!parse_args(args, {{"--check", false}}, &parsed, &error))
		return usage_error("convert", error);
	if (parsed.positional.size() > 1)
		return usage_error("convert", "takes one INPUT (a file, or - "
					      "for standard input)");
	const CommonOptions &common = parsed.common;
	const bool check = parsed.has("--check");
	const std::string input =
		parsed.positional.empty() ? "-" : parsed.positional[0];
	std::string text;
	if (!read_input(input, &text))
		return 1;
	const ConvertResult result = convert_shader(text);
	if (!result.converted()) {
		fprintf(stderr, "velmora-run: %s: %s\n",
			input == "-" ? "standard input" : input.c_str(),
			convert_status_message(result.status));
		return 1;
	}
	fwrite(result.text.data(), 1, result.text.size(), stdout);
	if (fflush(stdout) != 0)
		return 1;
	if (!check)
		return 0;

	return with_host(common,
			 [&] { return build_in_filter(text, result.text); });
}

} // namespace run
