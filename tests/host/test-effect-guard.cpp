// Texts that crash or hang the host's effect compiler, fed through the
// matting filter: the host survives, last_error names the construct and
// its line, the input passes through, and the next good text works again.
#include "matting-fixture.h"

using namespace mattingtest;

namespace {

const uint32_t GREY = 0xFF808080;
const uint32_t BLUE = 0xFFFF0000;

struct Case {
	const char *name;
	std::string text;  // template-mode shader_text
	const char *words; // expected in last_error
};

std::string repeat(const std::string &s, size_t n)
{
	std::string out;
	for (size_t i = 0; i < n; i++)
		out += s;
	return out;
}

// A pixel function that reads its input, with code after the read.
std::string with_code(const std::string &before, const std::string &code)
{
	return before + "float4 mainImage(VertData v_in) : TARGET\n{\n"
			"\tfloat4 c = image.Sample(textureSampler, v_in.uv);\n" +
	       code + "\n\treturn c;\n}\n";
}

std::vector<Case> crashing_texts()
{
	std::string declarations, uses;
	for (int i = 0; i < 3000; i++) {
		declarations += "uniform float u" + std::to_string(i) + ";\n";
		uses += "\tc.r += u" + std::to_string(i) + ";\n";
	}
	return {
		{"unclosed function",
		 "float4 mainImage(VertData v_in) : TARGET\n{\n"
		 "\treturn image.Sample(textureSampler, v_in.uv);\n",
		 "function 'mainImage' opened at line 54 (line 2 of the effect "
		 "text) is never closed"},
		{"closing brace hidden by #ifdef",
		 "float4 mainImage(VertData v_in) : TARGET\n{\n"
		 "\treturn image.Sample(textureSampler, v_in.uv);\n"
		 "#ifdef NOT_SET\n}\n#endif\n",
		 "is never closed"},
		{"opening brace from a macro",
		 "#define OPEN {\nfloat4 mainImage(VertData v_in) : TARGET\nOPEN\n"
		 "\treturn image.Sample(textureSampler, v_in.uv);\n",
		 "(from macro 'OPEN') is never closed"},
		{"object-like macro into itself",
		 with_code("#define A A\n", "c.r = A;"),
		 "macro 'A' expands into itself (defined at line "},
		{"function-like macros into each other",
		 with_code("#define f(x) g(x)\n#define g(x) f(x)\n",
			   "c.r = f(1.0);"),
		 "expands into itself"},
		{"#ifdef nesting",
		 with_code(repeat("#ifdef OPENGL\n", 1000) +
				   repeat("#endif\n", 1000),
			   ""),
		 "#ifdef at line "},
		{"nested macro calls",
		 with_code("#define f(x) x\n",
			   "c.r = " + repeat("f(", 1000) + "1.0" +
				   repeat(")", 1000) + ";"),
		 "macros expand inside each other"},
		{"exponential macro",
		 with_code([] {
			 std::string pre = "#define E0 c.r\n";
			 for (int i = 0; i < 24; i++)
				 pre += "#define E" + std::to_string(i + 1) +
					" E" + std::to_string(i) + " E" +
					std::to_string(i) + "\n";
			 return pre;
		 }(),
			   "c.r = 0.0 E24;"),
		 "tokens after macro expansion"},
		{"function-like macro at the end of a macro",
		 with_code("#define F(x) x\n#define G F\n", "c.r = G(1.0);"),
		 "function-like macro 'F' is the last token of macro 'G'"},
		{"argument list left open",
		 with_code("#define F(x) x\n", "c.r = F(1.0;"),
		 "argument list of macro 'F'"},
		{"#include reaching the host",
		 with_code(" #include \"/dev/stdin\"\n", ""),
		 "#include at line "},
		{"'#' from a macro",
		 with_code("#define H #\n", "H include \"/dev/stdin\""),
		 "'#' at line "},
		{"pixel function without parameters",
		 "float4 mainImage() : TARGET\n{\n\treturn float4(1,0,0,1);\n}\n",
		 "has no input parameter with a semantic"},
		{"parameter without a semantic",
		 "float4 mainImage(float4 c) : TARGET\n{\n\treturn c;\n}\n",
		 "has no input parameter with a semantic"},
		{"no return semantic",
		 "float4 mainImage(VertData v_in)\n{\n"
		 "\treturn image.Sample(textureSampler, v_in.uv);\n}\n",
		 "returns 'float4' without a semantic"},
		{"output member without a semantic",
		 "struct Out { float4 c; };\n"
		 "Out mainImage(VertData v_in)\n{\n\tOut o;\n"
		 "\to.c = image.Sample(textureSampler, v_in.uv);\n"
		 "\treturn o;\n}\n",
		 "member 'c' of struct 'Out'"},
		{"structure containing itself",
		 "struct In { float4 pos : POSITION; In next : TEXCOORD1; };\n"
		 "float4 mainImage(In v_in) : TARGET\n{\n\treturn v_in.pos;\n}\n",
		 "struct 'In' at line "},
		{"many declarations",
		 with_code(declarations, uses),
		 "more than 2048 declarations"},
		// Not a crash, but the host leaks on it.
		{"no pixel function", "float4 other(VertData v_in) : TARGET\n"
		 "{\n\treturn image.Sample(textureSampler, v_in.uv);\n}\n",
		 "names function 'mainImage'"},
	};
}

} // namespace

TEST(EffectGuard, EveryCrashingTextIsRefusedAndTheInputPassesThrough)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	for (const Case &c : crashing_texts()) {
		SCOPED_TRACE(c.name);
		headless::clear_log();
		reload_with_text(filter, c.text);
		const std::string error = last_error(filter);
		EXPECT_NE(error.find(c.words), std::string::npos) << error;
		EXPECT_TRUE(headless::log_contains(
			"[vorq-matting] Unable to create effect. Errors "
			"returned from parser:\n" +
				error,
			LOG_WARNING));
		EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));
	}
	// The filter still compiles a good text afterwards.
	reload_with_text(filter, constant_body("float4(0.0, 0.0, 1.0, 1.0)"));
	EXPECT_EQ(last_error(filter), "");
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), BLUE, 1));
}

TEST(EffectGuard, WholeEffectFilesAreGuardedToo)
{
	// An effect file whose last line ends in a line splice inside a
	// comment: the loader ends the text with that splice and a line feed.
	// Lines count in the compiled text, after "#define OPENGL 1", and in
	// the file.
	const std::string path = write_temp_file(
		"splice.effect",
		"uniform float4x4 ViewProj;\nuniform texture2d image;\n"
		"sampler_state s { Filter = Linear; };\n"
		"struct V { float4 pos : POSITION; float2 uv : TEXCOORD0; };\n"
		"V vs(V v) { V o; o.pos = mul(float4(v.pos.xyz, 1.0), "
		"ViewProj); o.uv = v.uv; return o; }\n"
		"float4 ps(V v) : TARGET { return image.Sample(s, v.uv); }\n"
		"technique Draw { pass { vertex_shader = vs(v); pixel_shader = "
		"ps(v); } }\n// the end \\");
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "from_file", true);
	obs_data_set_bool(settings, "override_entire_effect", true);
	obs_data_set_string(settings, "shader_file_name", path.c_str());
	OBSSourceAutoRelease filter = add_matting(parent, "", settings);
	EXPECT_NE(last_error(filter).find("line splice ('\\' at the end of "
					  "line 9 (line 8 of " +
					  path + "))"),
		  std::string::npos)
		<< last_error(filter);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));
}
