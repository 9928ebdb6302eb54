// velmora-run convert: converts a Shadertoy, GLSL or LOVE shader into the
// matting filter's effect text, as the filter's convert button does. Pure
// text: the host is not started.
#include "run-common.h"

#include "shader-convert.h"

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

} // namespace

int convert_main(const Args &raw)
{
	Args args = raw;
	take_common_options(args);
	bool check = false;
	std::string input = "-";
	int inputs = 0;
	for (const std::string &arg : args) {
		if (arg == "--check")
			check = true;
		else if (arg.size() > 1 && arg[0] == '-')
			return usage_error("convert: unknown option \"" + arg +
					   "\"");
		else if (++inputs > 1)
			return usage_error(
				"convert takes one INPUT (a file, or - "
				"for standard input)");
		else
			input = arg;
	}
	if (check) {
		fprintf(stderr, "velmora-run: --check is not available yet\n");
		return 2;
	}

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
	return fflush(stdout) == 0 ? 0 : 1;
}

} // namespace run
