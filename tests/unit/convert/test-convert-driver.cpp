// The conversion driver: main forms, the passes in order, failures and the
// inputs a literal reading would crash or loop on. The test shaders of
// tests/data/shaders are converted, compiled and drawn by the host tests.
#include "shader-convert.h"
#include "rewrites.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string HEADER = "float4 mainImage(VertData v_in) : TARGET";

std::string converted(const std::string &text)
{
	const ConvertResult result = convert_shader(text);
	EXPECT_TRUE(result.converted())
		<< convert_status_message(result.status) << ": " << text;
	return result.text;
}

void convert(std::string &text)
{
	text = converted(text);
}

// Converts a body inside a Shadertoy main function and strips the header
// and braces again.
void convert_body(std::string &body)
{
	const std::string text = converted(
		"void mainImage(out vec4 c, in vec2 p)\n{\n" + body + "}\n");
	const std::string head = HEADER + "\n{\n";
	const size_t at = text.find(head);
	body = at == std::string::npos
		       ? text
		       : text.substr(at + head.size(),
				     text.size() - at - head.size() - 2);
}

std::string prelude_of(const std::string &text)
{
	return text.substr(0, text.find(HEADER));
}

bool has(const std::string &text, const std::string &piece)
{
	return text.find(piece) != std::string::npos;
}

std::string read_file(const std::filesystem::path &path)
{
	std::ifstream file(path, std::ios::binary);
	std::ostringstream text;
	text << file.rdbuf();
	return text.str();
}

} // namespace

TEST(ConvertDriver, MainFormsAndTheirCoordinates)
{
	expect_rewrites(convert, {
		{"void mainImage( out vec4 fragColor, in vec2 fragCoord ) { "
		 "fragColor = vec4(fragCoord.xy/iResolution.xy, 0.0, 1.0); }",
		 HEADER + " { return  float4(v_in.uv, 0.0, 1.0); }"},
		// The order of the markers decides the form.
		{"void main() {}\nvoid mainImage(out vec4 c, in vec2 p) { c = "
		 "vec4(1.0); }",
		 "void main() {}\n" + HEADER +
			 " { return  float4(1.0,1.0,1.0,1.0); }"},
		{"void mainImage(out vec4 c, vec2 p)\n{\n"
		 "\tvec2 q = p + p.x + p2 + mp;\n\tc = vec4(q, 0.0, 1.0);\n}\n",
		 HEADER + "\n{\n\tfloat2 q = (v_in.uv * uv_size) + "
			  "(v_in.uv * uv_size).x + p2 + mp;\n"
			  "\treturn  float4(q, 0.0, 1.0);\n}\n"},
		{"vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 "
		 "screen_coords)\n{\n\treturn Texel(tex, texture_coords);\n}\n",
		 HEADER + "\n{\n\treturn image.Sample(textureSampler, "
			  "v_in.uv);\n}\n"},
		{"varying vec2 pos;\nvoid main()\n{\n"
		 "\tgl_FragColor = vec4(pos, 0.0, 1.0);\n}\n",
		 "//varying float2 v_in.uv;\n" + HEADER +
			 "\n{\n\treturn  float4(v_in.uv, 0.0, 1.0);\n}\n"},
		{"void main()\n{\n\tgl_FragColor = vec4(fNormal.xy, fNormal.x, "
		 "1.0) + vec4(fNormal, 1.0);\n}\n",
		 HEADER + "\n{\n\treturn  float4(v_in.uv, float3(v_in.uv,0.0).x, "
			  "1.0) + float4(float3(v_in.uv,0.0), 1.0);\n}\n"},
		{"out vec4 outColor;\nvoid main() {\n\toutColor = "
		 "vec4(gl_FragCoord.xy / iResolution.xy, 0.0, 1.0);\n}\n",
		 "\n" + HEADER + " {\n\treturn  float4(v_in.uv, 0.0, 1.0);\n}\n"},
		{"uniform float u_time;\nvoid main() { gl_FragColor = "
		 "vec4(u_time); }",
		 "\n" + HEADER + " { return  float4(elapsed_time); }"},
	});
	// "iTimeDelta" is caught by the "iTime" replacement too, so the
	// prelude does not declare it.
	const std::string time = converted(
		"void mainImage(out vec4 c, in vec2 p) { c = vec4(iTime + "
		"iTimeDelta); }");
	EXPECT_TRUE(has(time, "elapsed_time + elapsed_timeDelta")) << time;
	EXPECT_FALSE(has(time, "iTimeDelta;")) << time;
}

TEST(ConvertDriver, BodiesTimeBlocksDirectivesAndSampling)
{
	expect_rewrites(convert_body, {
		// Without iTime, uTime or u_time every "time" goes, inside
		// words too.
		{"\tfloat lifetime = time;\n\tc = vec4(lifetime);\n",
		 "\tfloat lifeelapsed_time = elapsed_time;\n\treturn  "
		 "float4(lifeelapsed_time,lifeelapsed_time,lifeelapsed_time,"
		 "lifeelapsed_time);\n"},
		{"#if 0\nA\n#else\nB\n#endif\n\tc = k;\n", "\nB\n\n\treturn  k;\n"},
		{"#if 0\nA\n#elif X\nB\n#endif\n\tc = k;\n",
		 "#if X\nB\n#endif\n\treturn  k;\n"},
		{"#if 0\nA\n#endif\n\tc = k;\n", "\n\treturn  k;\n"},
		{"#if 1\nA\n#else\nB\n#endif\n\tc = k;\n", "\nA\n\n\treturn  k;\n"},
		{"#if 1\nA\n#endif\n\tc = k;\n", "\nA\n\n\treturn  k;\n"},
		// Without an "#endif" the blocks stay.
		{"\tc = k;\n#if 0\n#if 1\n", "\treturn  k;\n#if 0\n#if 1\n"},
		{"#if defined(FOO)\n#version 300\n\tc = float4(acos(-1.0), "
		 "acos(-1.), acos(-1), 0);\n#endif\n",
		 "#ifdef FOO \n//#version 300\n\treturn  float4(3.14159265359, "
		 "3.14159265359, 3.14159265359, 0);\n#endif\n"},
		// The first ")\n" after it closes the directive.
		{"#if defined(A) && defined(B)\n\tc = k;\n",
		 "#ifdef A) && defined(B \n\treturn  k;\n"},
		{"#if defined(A)\n#if defined(B) \n\tc = k;\n",
		 "#ifdef A \n#if defined(B) \n\treturn  k;\n"},
		{"\tc = point(line(k));\n", "\treturn  point2(line2(k));\n"},
		// A site after an identifier character is not converted; the
		// search after it covers all sampling names. A level of detail
		// is SampleLevel's (Sample's third argument is an offset).
		{"\tc = mytexture(a, p) + Texel(b, p) + textureLod(d, p, 0.0);\n",
		 "\treturn  mytexture(a, (v_in.uv * uv_size)) + "
		 "image.Sample(textureSampler, (v_in.uv * uv_size)) + "
		 "d.SampleLevel(textureSampler, (v_in.uv * uv_size), 0.0);\n"},
		// An empty sampler name leaves the bare sampling name.
		{"\tc = texture();\n", "\treturn  image.Sample(textureSampler);\n"},
	});
}

TEST(ConvertDriver, PreludeDefinitionsAndUniforms)
{
	EXPECT_EQ(converted("void mainImage(out vec4 c, in vec2 p) { c = "
			    "vec4(mod(iMouse.x, 2.0)); }"),
		  "#ifndef OPENGL\n"
		  "#define mod(x,y) ((x) - (y) * floor((x) / (y)))\n"
		  "#endif\n"
		  "uniform float4 iMouse<\n"
		  "string widget_type = \"slider\";\n"
		  "float minimum=0.0;\n"
		  "float maximum=1000.0;\n"
		  "float step=1.0;\n"
		  ">;\n" + HEADER +
			  " { return  float4(mod(iMouse.x, 2.0),mod(iMouse.x, "
			  "2.0),mod(iMouse.x, 2.0),mod(iMouse.x, 2.0)); }");
	EXPECT_EQ(prelude_of(converted(
			  "void mainImage(out vec4 c, in vec2 p) { mat2 a; mat3 "
			  "b; mat4 d;\nc = vec4(lessThan(p, p), greaterThan(p, "
			  "p)) * iFrame * iSampleRate; }")),
		  "#ifndef OPENGL\n"
		  "#define mat2 float2x2\n"
		  "#define mat3 float3x3\n"
		  "#define mat4 float4x4\n"
		  "#define lessThan(a,b) (a < b)\n"
		  "#define greaterThan(a,b) (a > b)\n"
		  "#endif\n"
		  "uniform float iFrame;\n"
		  "uniform float iSampleRate;\n");
	// Declared by the text itself: no prelude.
	EXPECT_EQ(prelude_of(converted("uniform float iFrame;\nuniform vec2 "
				       "iMouse;\nvoid main() { gl_FragColor = "
				       "vec4(iFrame, iMouse, 0.0); }")),
		  "uniform float iFrame;\nuniform float2 iMouse;\n");
}

TEST(ConvertDriver, TextureSampling)
{
	const std::string text = converted(
		"void mainImage(out vec4 c, in vec2 p)\n{\n"
		"\tvec2 uv = p / iResolution.xy;\n"
		"\tvec4 a = texture(iChannel0, uv);\n"
		"\tvec4 b = texture(iChannel1, uv) + texture(iChannel1, uv * "
		"2.0);\n"
		"\tvec2 s = textureSize(iChannel1, 0) + textureSize(iChannel0,0);\n"
		"\tc = a + b * s.x;\n}\n");
	EXPECT_EQ(prelude_of(text),
		  "#ifndef OPENGL\n#endif\nuniform texture2d iChannel1;\n");
	EXPECT_TRUE(has(text, "float4 a = image.Sample(textureSampler, uv);"));
	EXPECT_TRUE(has(text, "float4 b = iChannel1.Sample(textureSampler, "
			      "uv) + iChannel1.Sample(textureSampler, uv * "
			      "2.0);"));
	EXPECT_TRUE(has(text, "float2 s = uv_size + uv_size;")) << text;

	// The same later sampler through two sampling names is declared
	// twice, and so is one written once with a space and once without.
	EXPECT_EQ(prelude_of(converted(
			  "void mainImage(out vec4 c, in vec2 p) { c = "
			  "texture(iChannel0, p) + texture(iChannel1, p) + "
			  "textureLod(iChannel1, p, 0.0) + texture( iChannel2, "
			  "p) + texture(iChannel2, p); }")),
		  "#ifndef OPENGL\n#endif\n"
		  "uniform texture2d iChannel1;\nuniform texture2d iChannel1;\n"
		  "uniform texture2d iChannel2;\nuniform texture2d iChannel2;\n");
}

TEST(ConvertDriver, TheRulesInTheirOrderOnAShaderFile)
{
	const std::string text = converted(read_file(
		std::string(VELMORA_TEST_DATA) + "/shaders/shadertoy-features.glsl"));
	for (const char *piece :
	     {"const float PI = 3.14159;\n", "\nuniform float scale = 2.0;\n",
	      "    float c = cos(a), s = sin(a);\n",
	      "    float2 p = uv - float2(0.5,0.5);\n",
	      "    mat2 m = rotate(elapsed_time);\n", "    p = mul(m , p);\n",
	      "    float angle = atan2(p.y, p.x);\n",
	      "float3 col = float3(0.5,0.5,0.5) + 0.5 * ",
	      "        col = float3(1.0,1.0,1.0);\n",
	      "    return  float4(col, 1.0);\n"})
		EXPECT_TRUE(has(text, piece)) << piece << "\nin:\n" << text;
}

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
	expect_rewrites(convert, {
		{"void main() { gl_FragColor = vec4(1.0); }\nout vec4",
		 HEADER + " { gl_FragColor = float4(1.0,1.0,1.0,1.0); }\n"
			  "out float4"},
		{"void main() { gl_FragColor = k; }\nout vec4 ",
		 HEADER + " { gl_FragColor = k; }\nout float4 "},
		{"#if 0\nvoid main() {}\n#endif\nfloat k;", "\nuniform float k;"},
	});
}

TEST(ConvertDriver, SecondPress)
{
	const std::string once = converted(read_file(
		std::string(VELMORA_TEST_DATA) + "/shaders/shadertoy-uv-gradient.glsl"));
	EXPECT_EQ(convert_shader(once).status, ConvertStatus::no_main_function);
	// A marker still in the converted text is converted again.
	const std::string kept =
		converted("// void main() {}\nvoid mainImage(out vec4 c, in "
			  "vec2 p) { c = vec4(1.0); }");
	EXPECT_TRUE(has(kept, "void main()"));
	EXPECT_EQ(convert_shader(kept).status, ConvertStatus::converted);
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

// The constructs of real shaders the literal rules leave uncompilable: each
// text must convert to a text holding every piece listed.
TEST(ConvertDriver, ConstructsOfRealShaders)
{
	const std::string st = "void mainImage(out vec4 c, in vec2 p) ";
	const std::pair<std::string, std::vector<std::string>> cases[] = {
		{"\xEF\xBB\xBFvoid main(void) { gl_FragColor = vec4(1.0); }",
		 {HEADER + " { return  float4(1.0,1.0,1.0,1.0); }"}},
		{"void mainImage( out highp vec4 O,\n vec2 U ) { U = U / "
		 "iResolution.xy; O = vec4(U, 0.0, 1.0); }",
		 {"float2 pixelCoord = (v_in.uv * uv_size); pixelCoord = "
		  "pixelCoord / uv_size; return  float4(pixelCoord"}},
		{"vec4 effect( vec4 col, Image t, vec2 uv, vec2 px ) { return "
		 "Texel(t, uv) * col; }",
		 {"float4 col = float4(1.0,1.0,1.0,1.0);",
		  "return image.Sample(textureSampler, v_in.uv) * col;"}},
		{"precision mediump float;\nhighp float f(lowp vec2 q) { "
		 "return q.x; }\n" + st + "{ c = vec4(f(p)); }",
		 {"//precision mediump float;\nfloat f(float2 q)"}},
		{st + "{ c = vec4(iGlobalTime + iChannelTime[2], "
		      "iChannelResolution[0].x, iDate.x, iFrameRate * iTimeDelta); }",
		 {"float4(elapsed_time + elapsed_time, float3(uv_size,1.0).x, "
		  "iDate.x, iFrameRate * elapsed_timeDelta)",
		  "#define iFrameRate 60.0", "#define elapsed_timeDelta",
		  "#define iDate float4(float(current_time_year + 1900)"}},
		{"const float A = 2.0;\nconst vec2 B = vec2(A * 0.5);\nfloat s = "
		 "0.0;\nfloat k = 1.0;\nfloat g = A * 3.0;\n" + st +
			 "{ s += k; c = vec4(B, s, g); }",
		 {"//const float A = 2.0;\n#define A float(2.0)",
		  "#define B float2(A * 0.5,A * 0.5)",
		  "float s;\nuniform float k = 1.0;\nfloat g;", "\ts = 0.0;\n",
		  "\tg = A * 3.0;\n"}},
		{"const vec2 P[2] = vec2[](vec2(1.0, 0.0), vec2(0.0, 1.0));\n" +
			 st + "{ float w[2] = float[2](0.25, 0.75); c = "
			      "vec4(P[1] * w[0], 0.0, 1.0); }",
		 {"{\n\tfloat2 P[2]; P[0] = float2(1.0, 0.0); P[1] = float2(0.0, "
		  "1.0); float w[2]; w[0] = 0.25; w[1] = 0.75;"}},
		{"mat2 rot(float a) { return mat2(cos(a), sin(a), -sin(a), "
		 "cos(a)); }\n" + st +
			 "{ mat3 m = mat3(1.0); mat2 k = mat2(p, p); vec2 q = "
			 "rot(0.5) * p; c = vec4(q * k, 0.0, 1.0); }",
		 {"glsl_mat2_s(cos(a), sin(a), -sin(a), cos(a))",
		  "glsl_mat3_d(1.0)", "glsl_mat2_c(", "mul(rot(0.5) , ",
		  "#define glsl_mat2_s(a,b,c,d) float2x2(a,c,b,d)",
		  "#else\n#define glsl_mat2_s mat2\n"}},
		{"uniform sampler2D iChannel0;\nvec3 tap(sampler2D s, vec2 uv) { "
		 "return texture(s, uv).rgb; }\n" + st +
			 "{ c = vec4(tap(iChannel0, p), 1.0) + "
			 "texelFetch(iChannel1, ivec2(p), 0); }",
		 {"float3 tap_iChannel0( float2 uv) { return "
		  "image.Sample(textureSampler, uv).rgb; }",
		  "tap_iChannel0( (v_in.uv * uv_size))",
		  "iChannel1.Load( int3( int2((v_in.uv * uv_size)), 0))",
		  "uniform texture2d iChannel1;\n"}},
		{st + "{\n\tif (p.x > 1.0) c = vec4(1.0);\n\telse c = "
		      "vec4(0.5);\n\tif (p.y > 2.0) return;\n}",
		 {"{\n\tfloat4 c = float4(0.0,0.0,0.0,1.0);\n",
		  "\telse c = float4(0.5,0.5,0.5,0.5);\n\tif ((v_in.uv * "
		  "uv_size).y > 2.0) return c;\n\treturn c;\n}"}},
		{"void main() {\n\tif (true) { gl_FragColor = vec4(1.0); }\n}",
		 {"float4 FragColor_ = float4(0.0,0.0,0.0,1.0);",
		  "FragColor_ = float4(1.0,1.0,1.0,1.0); }\n\treturn FragColor_;"}},
		{"uniform vec2 resolution;\nextern number time;\n#define time2 "
		 "(time * 2.0)\nvoid main() { gl_FragColor = vec4(gl_FragCoord.xy "
		 "/ resolution, time2, 1.0); }",
		 {"\n\n#define elapsed_time2 (elapsed_time * 2.0)\n",
		  "float4((v_in.uv * uv_size).xy / uv_size, elapsed_time2"}},
		{"#define time 2.5\n" + st + "{ c = vec4(time); }",
		 {"#define elapsed_time_ 2.5\n", "float4(elapsed_time_,"}},
	};
	for (const auto &[text, pieces] : cases)
		for (const std::string &piece : pieces)
			EXPECT_TRUE(has(converted(text), piece))
				<< piece << "\nin:\n" << converted(text);
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
