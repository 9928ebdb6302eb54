// The conversion driver's failures, the inputs a literal reading would
// crash or loop on, and its report of what did not build. What it makes of
// texts: test-convert-cases.cpp.
#include "convert-test-data.h"
#include "shader-convert.h"

#include <algorithm>

TEST(ConvertDriver, FailuresAndTextsEndingEarly)
{
	const std::pair<std::string, ConvertStatus> cases[] = {
		{"", ConvertStatus::no_main_function},
		{"void mainImage(vec4 c) {}", ConvertStatus::no_main_function},
		{"void mainImage(out vec4 c) { c = vec4(1.0); }",
		 ConvertStatus::no_coordinate_parameter},
		{"vec4 effect(vec4 color) { return color; }",
		 ConvertStatus::no_coordinate_parameter},
		// The host reads its setting up to the first NUL byte.
		{std::string("x\0void main() {}", 16),
		 ConvertStatus::no_main_function},
		// The name skips would land past the end of the text.
		{"void mainImage(out vec4", ConvertStatus::no_coordinate_parameter},
		{"void mainImage( out vec4", ConvertStatus::no_coordinate_parameter},
		{"vec4 effect(vec4", ConvertStatus::no_coordinate_parameter},
		{"void mainImage(out vec4 c,", ConvertStatus::converted},
		// Everything inside "#if 0".
		{"#if 0\nvoid main() { gl_FragColor = vec4(1.0); }\n#endif",
		 ConvertStatus::nothing_left},
		{"#if 0\nvoid main() {}\n#else#endif", ConvertStatus::nothing_left},
		{"#if 0\nvoid main() {}\n#endif\n \t\r\n",
		 ConvertStatus::nothing_left},
	};
	for (const auto &[text, status] : cases) {
		const ConvertResult result = convert_shader(text);
		EXPECT_EQ(result.status, status) << text;
		EXPECT_TRUE(result.converted() || result.text.empty()) << text;
	}
}

// Inputs the fuzz target once found slow (over 1 s with sanitizers): the
// growth of the text by one-argument constructors made later passes crawl,
// and the literal constructor rule searched the whole text for each name.
// Each must convert with bounded growth. The first byte selects the fuzz
// target's mode (below 128: the whole driver).
TEST(ConvertDriver, FuzzRegressions)
{
	int count = 0;
	for (const auto &entry :
	     std::filesystem::directory_iterator(VELMORA_FUZZ_REGRESSIONS)) {
		const std::string input = read_file(entry.path());
		ASSERT_FALSE(input.empty()) << entry.path();
		if (static_cast<unsigned char>(input[0]) >= 128)
			continue;
		const ConvertResult result = convert_shader(input.substr(1));
		EXPECT_LE(result.text.size(), 64 * input.size() + 64 * 1024)
			<< entry.path();
		count++;
	}
	EXPECT_GT(count, 0);
}

// What --check says when the converted text does not build: the constructs
// left as they are and the names in the compilers' messages, with their
// lines in the user's text (a comment naming them does not count).
TEST(ConvertDriver, ExplainsWhatDidNotBuild)
{
	const std::string shader =
		"// glow and mainSound( in a comment\n"
		"uniform samplerCube sky;\n"
		"void mainImage(out vec4 c, in vec2 p)\n"
		"{\n\tc = vec4(glow) + sky_tint;\n}\n";
	const std::string converted = convert_shader(shader).text;
	const size_t sky_tint_line =
		std::count(converted.begin(),
			   converted.begin() + converted.find("sky_tint"), '\n') +
		1;
	EXPECT_EQ(explain_unconverted(
			  shader, converted, 10,
			  {"0:36(18): error: `glow' undeclared",
			   "0:36(9): cannot construct `vec4' from `return'",
			   "(null) (" + std::to_string(10 + sky_tint_line) +
				   ", 3): Unexpected token"}),
		  (std::vector<std::string>{
			  "line 2: a cube map (samplerCube), not converted: "
			  "uniform samplerCube sky;",
			  "line 5: `glow`: c = vec4(glow) + sky_tint;",
			  "line 5: near `glow`: c = vec4(glow) + sky_tint;"}));
}
