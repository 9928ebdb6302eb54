// libFuzzer target over the shader conversion: the whole driver, and the
// rules one by one on arbitrary text (the first byte picks which), so that
// offsets and scans the driver never produces are exercised too.
#include "convert-rules.h"
#include "shader-convert.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
	if (!condition)
		abort();
}

void run_driver(const std::string &input)
{
	const ConvertResult result = convert_shader(input);
	check(result.converted() || result.text.empty());
	check(result.text.find('\0') == std::string::npos);
}

void run_rules(uint8_t selector, std::string text)
{
	const size_t limit = 2 * text.size() + 4096;
	switch (selector % 6) {
	case 0:
		for (const char *type : {"bool", "uint", "int", "float"})
			convert_global_declarations(text, type);
		break;
	case 1:
		for (const char *c : {"float(", "float2(", "float3(", "mat2("}) {
			const int count = c[5] == '(' ? 1 : 4;
			// The one-pass rule gives what the literal rule gives
			// (checked on small texts: the literal rule is slow).
			std::string linear = text;
			if (text.size() <= 8192 &&
			    expand_constructor_linear(linear, c, count, limit)) {
				expand_constructor_by_calls(text, c, count, limit);
				check(linear == text);
			} else {
				expand_constructor(text, c, count, limit);
			}
		}
		break;
	case 2:
		convert_atan(text);
		break;
	case 3:
		for (const char *type : {"mat2", "mat3"})
			convert_matrix_type(text, type);
		convert_matrix_variable(text, "m");
		break;
	case 4: {
		const size_t at =
			text.empty() ? 0 : uint8_t(text[0]) % (text.size() + 2);
		mul_open_left(text, convert_text::Offset(at) - 1);
		mul_close_right(text, at);
		break;
	}
	default: {
		const size_t main =
			text.empty() ? 0 : uint8_t(text[0]) % (text.size() + 2);
		convert_output_variable(text, "c", main);
		break;
	}
	}
	check(text.size() <= 64 * limit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	if (size == 0)
		return 0;
	const std::string input(reinterpret_cast<const char *>(data) + 1,
				size - 1);
	if (data[0] < 128)
		run_driver(input);
	else
		run_rules(data[0], input.substr(0, input.find('\0')));
	return 0;
}
