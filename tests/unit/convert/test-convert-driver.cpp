// The conversion driver: main forms, the passes in order, failures and the
// inputs a literal reading would crash or loop on.
#include "shader-convert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::string HEADER = "float4 mainImage(VertData v_in) : TARGET";

std::string converted(const std::string &text)
{
	const ConvertResult result = convert_shader(text);
	EXPECT_TRUE(result.converted())
		<< convert_status_message(result.status);
	return result.text;
}

ConvertStatus status_of(const std::string &text)
{
	const ConvertResult result = convert_shader(text);
	EXPECT_TRUE(result.converted() || result.text.empty());
	return result.status;
}

// Converts a body placed inside a Shadertoy main function, and returns the
// body as converted (the header and braces stripped).
std::string body_converted(const std::string &body)
{
	const std::string text = converted(
		"void mainImage(out vec4 c, in vec2 p)\n{\n" + body + "}\n");
	const std::string head = HEADER + "\n{\n";
	const size_t at = text.find(head);
	EXPECT_NE(at, std::string::npos) << text;
	if (at == std::string::npos)
		return text;
	return text.substr(at + head.size(),
			   text.size() - at - head.size() - 2);
}

std::string prelude_of(const std::string &text)
{
	const size_t end = text.find(HEADER);
	return end == std::string::npos ? std::string() : text.substr(0, end);
}

bool has(const std::string &text, const std::string &piece)
{
	return text.find(piece) != std::string::npos;
}

std::string read_shader(const char *name)
{
	std::ifstream file(std::string(VELMORA_TEST_DATA) + "/shaders/" + name,
			   std::ios::binary);
	EXPECT_TRUE(file.good()) << name;
	std::ostringstream text;
	text << file.rdbuf();
	return text.str();
}

} // namespace

TEST(ConvertDriver, ShadertoyGradient)
{
	EXPECT_EQ(converted("void mainImage( out vec4 fragColor, in vec2 "
			    "fragCoord ) { fragColor = vec4(fragCoord.xy/"
			    "iResolution.xy, 0.0, 1.0); }"),
		  HEADER + " { return  float4(v_in.uv, 0.0, 1.0); }");
}

TEST(ConvertDriver, MarkerOrderDecidesTheForm)
{
	EXPECT_EQ(
		converted("void main() {}\nvoid mainImage(out vec4 c, in vec2 "
			  "p) { c = vec4(1.0); }"),
		"void main() {}\n" + HEADER +
			" { return  float4(1.0,1.0,1.0,1.0); }");
}

TEST(ConvertDriver, ShortParameterList)
{
	EXPECT_EQ(converted("void mainImage(out vec4 c, vec2 p)\n{\n"
			    "\tvec2 q = p + p.x + p2 + mp;\n"
			    "\tc = vec4(q, 0.0, 1.0);\n}\n"),
		  HEADER + "\n{\n\tfloat2 q = (v_in.uv * uv_size) + "
			   "(v_in.uv * uv_size).x + p2 + mp;\n"
			   "\treturn  float4(q, 0.0, 1.0);\n}\n");
}

TEST(ConvertDriver, LoveEffect)
{
	EXPECT_EQ(converted("vec4 effect(vec4 color, Image tex, vec2 "
			    "texture_coords, vec2 screen_coords)\n{\n"
			    "\treturn Texel(tex, texture_coords);\n}\n"),
		  HEADER + "\n{\n\treturn image.Sample(textureSampler, "
			   "v_in.uv);\n}\n");
}

TEST(ConvertDriver, GlslVaryingAndNormal)
{
	EXPECT_EQ(converted("varying vec2 pos;\nvoid main()\n{\n"
			    "\tgl_FragColor = vec4(pos, 0.0, 1.0);\n}\n"),
		  "varying float2 v_in.uv;\n" + HEADER +
			  "\n{\n\treturn  float4(v_in.uv, 0.0, 1.0);\n}\n");
	EXPECT_EQ(converted("void main()\n{\n\tgl_FragColor = vec4(fNormal.xy, "
			    "fNormal.x, 1.0) + vec4(fNormal, 1.0);\n}\n"),
		  HEADER + "\n{\n\treturn  float4(v_in.uv, "
			   "float3(v_in.uv,0.0).x, 1.0) + "
			   "float4(float3(v_in.uv,0.0), 1.0);\n}\n");
}

TEST(ConvertDriver, GlslOutVariable)
{
	EXPECT_EQ(converted("out vec4 outColor;\nvoid main() {\n\toutColor = "
			    "vec4(gl_FragCoord.xy / iResolution.xy, 0.0, "
			    "1.0);\n}\n"),
		  "\n" + HEADER +
			  " {\n\treturn  float4(v_in.uv, 0.0, 1.0);\n}\n");
}

TEST(ConvertDriver, TimeNames)
{
	// "iTimeDelta" is caught by the "iTime" replacement too, so the
	// prelude does not declare it.
	const std::string text =
		converted("void mainImage(out vec4 c, in vec2 p) { c = "
			  "vec4(iTime + iTimeDelta); }");
	EXPECT_TRUE(has(text, "elapsed_time + elapsed_timeDelta")) << text;
	EXPECT_FALSE(has(text, "iTimeDelta;")) << text;
	// Without iTime, uTime or u_time every "time" goes, inside words too.
	EXPECT_EQ(body_converted(
			  "\tfloat lifetime = time;\n\tc = vec4(lifetime);\n"),
		  "\tfloat lifeelapsed_time = elapsed_time;\n\treturn  "
		  "float4(lifeelapsed_time,lifeelapsed_time,lifeelapsed_time,"
		  "lifeelapsed_time);\n");
	EXPECT_EQ(converted("uniform float u_time;\nvoid main() { "
			    "gl_FragColor = vec4(u_time); }"),
		  "\n" + HEADER + " { return  float4(elapsed_time); }");
}

TEST(ConvertDriver, DisabledAndEnabledBlocks)
{
	EXPECT_EQ(body_converted("#if 0\nA\n#else\nB\n#endif\n\tc = k;\n"),
		  "\nB\n\n\treturn  k;\n");
	EXPECT_EQ(body_converted("#if 0\nA\n#elif X\nB\n#endif\n\tc = k;\n"),
		  "#if X\nB\n#endif\n\treturn  k;\n");
	EXPECT_EQ(body_converted("#if 0\nA\n#endif\n\tc = k;\n"),
		  "\n\treturn  k;\n");
	EXPECT_EQ(body_converted("#if 1\nA\n#else\nB\n#endif\n\tc = k;\n"),
		  "\nA\n\n\treturn  k;\n");
	EXPECT_EQ(body_converted("#if 1\nA\n#endif\n\tc = k;\n"),
		  "\nA\n\n\treturn  k;\n");
	// Without an "#endif" the blocks stay.
	EXPECT_EQ(body_converted("\tc = k;\n#if 0\n#if 1\n"),
		  "\treturn  k;\n#if 0\n#if 1\n");
}

TEST(ConvertDriver, DirectivesVersionAndPi)
{
	EXPECT_EQ(
		body_converted("#if defined(FOO)\n#version 300\n\tc = "
			       "float4(acos(-1.0), acos(-1.), acos(-1), 0);\n"
			       "#endif\n"),
		"#ifdef FOO \n//#version 300\n\treturn  float4(3.14159265359, "
		"3.14159265359, 3.14159265359, 0);\n#endif\n");
	// The first ")\n" after it closes the directive.
	EXPECT_EQ(body_converted("#if defined(A) && defined(B)\n\tc = k;\n"),
		  "#ifdef A) && defined(B \n\treturn  k;\n");
	EXPECT_EQ(body_converted("#if defined(A)\n#if defined(B) \n\tc = k;\n"),
		  "#ifdef A \n#if defined(B) \n\treturn  k;\n");
	EXPECT_EQ(body_converted("\tc = point(line(k));\n"),
		  "\treturn  point2(line2(k));\n");
}

TEST(ConvertDriver, PreludeDefinitionsAndUniforms)
{
	const std::string text = converted("void mainImage(out vec4 c, in vec2 "
					   "p) { c = vec4(mod(iMouse.x, "
					   "2.0)); }");
	EXPECT_EQ(text,
		  "#ifndef OPENGL\n"
		  "#define mod(x,y) (x - y * floor(x / y))\n"
		  "#endif\n"
		  "uniform float4 iMouse<\n"
		  "string widget_type = \"slider\";\n"
		  "float minimum=0.0;\n"
		  "float maximum=1000.0;\n"
		  "float step=1.0;\n"
		  ">;\n" + HEADER +
			  " { return  float4(mod(iMouse.x, 2.0),mod(iMouse.x, "
			  "2.0),mod(iMouse.x, 2.0),mod(iMouse.x, 2.0)); }");

	const std::string prelude = prelude_of(converted(
		"void mainImage(out vec4 c, in vec2 p) { mat2 a; mat3 b; mat4 "
		"d;\n"
		"c = vec4(lessThan(p, p), greaterThan(p, p)) * iFrame * "
		"iSampleRate; }"));
	EXPECT_EQ(prelude, "#ifndef OPENGL\n"
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
	const std::string text =
		converted("void mainImage(out vec4 c, in vec2 p)\n{\n"
			  "\tvec2 uv = p / iResolution.xy;\n"
			  "\tvec4 a = texture(iChannel0, uv);\n"
			  "\tvec4 b = texture(iChannel1, uv) + "
			  "texture(iChannel1, uv * 2.0);\n"
			  "\tvec2 s = textureSize(iChannel1, 0) + "
			  "textureSize(iChannel0,0);\n"
			  "\tc = a + b * s.x;\n}\n");
	EXPECT_EQ(prelude_of(text), "#ifndef OPENGL\n#endif\n"
				    "uniform texture2d iChannel1;\n");
	EXPECT_TRUE(has(text, "float4 a = image.Sample(textureSampler, uv);"))
		<< text;
	EXPECT_TRUE(has(text,
			"float4 b = iChannel1.Sample(textureSampler, "
			"uv) + iChannel1.Sample(textureSampler, uv * 2.0);"))
		<< text;
	EXPECT_TRUE(has(text, "float2 s = uv_size + uv_size;")) << text;
}

TEST(ConvertDriver, SamplingQuirksAndPassedOverSites)
{
	// The same later sampler through two sampling names is declared
	// twice, and so is one written once with a space and once without.
	const std::string twice = converted(
		"void mainImage(out vec4 c, in vec2 p) { c = "
		"texture(iChannel0, p) "
		"+ texture(iChannel1, p) + textureLod(iChannel1, p, 0.0) + "
		"texture( iChannel2, p) + texture(iChannel2, p); }");
	EXPECT_EQ(prelude_of(twice), "#ifndef OPENGL\n#endif\n"
				     "uniform texture2d iChannel1;\n"
				     "uniform texture2d iChannel1;\n"
				     "uniform texture2d iChannel2;\n"
				     "uniform texture2d iChannel2;\n");
	// A site after an identifier character is not converted; the search
	// after it covers all five sampling names.
	const std::string passed =
		body_converted("\tc = mytexture(a, p) + Texel(b, p) + "
			       "textureLod(d, p, 0.0);\n");
	EXPECT_EQ(passed,
		  "\treturn  mytexture(a, (v_in.uv * uv_size)) + "
		  "image.Sample(textureSampler, (v_in.uv * uv_size)) + "
		  "d.Sample(textureSampler, (v_in.uv * uv_size), 0.0);\n");
	// An empty sampler name leaves the bare sampling name as the site.
	EXPECT_EQ(body_converted("\tc = texture();\n"),
		  "\treturn  image.Sample(textureSampler);\n");
}

TEST(ConvertDriver, Failures)
{
	EXPECT_EQ(status_of(""), ConvertStatus::no_main_function);
	EXPECT_EQ(status_of("void mainImage(vec4 c) {}"),
		  ConvertStatus::no_main_function);
	EXPECT_EQ(status_of("void mainImage(out vec4 c) { c = vec4(1.0); }"),
		  ConvertStatus::no_coordinate_parameter);
	EXPECT_EQ(status_of("vec4 effect(vec4 color) { return color; }"),
		  ConvertStatus::no_coordinate_parameter);
	// The host reads its setting up to the first NUL byte.
	EXPECT_EQ(status_of(std::string("x\0void main() {}", 16)),
		  ConvertStatus::no_main_function);
}

TEST(ConvertDriver, SecondPress)
{
	const std::string once =
		converted(read_shader("shadertoy-uv-gradient.glsl"));
	EXPECT_EQ(status_of(once), ConvertStatus::no_main_function);
	// A marker still in the converted text is converted again.
	const std::string kept =
		converted("// void main() {}\nvoid mainImage(out vec4 c, in "
			  "vec2 p) { c = "
			  "vec4(1.0); }");
	EXPECT_TRUE(has(kept, "void main()"));
	EXPECT_EQ(status_of(kept), ConvertStatus::converted);
}

TEST(ConvertDriver, TextEndingInsideAMarkerOrDeclaration)
{
	// The name skips would land past the end of the text.
	EXPECT_EQ(status_of("void mainImage(out vec4"),
		  ConvertStatus::no_coordinate_parameter);
	EXPECT_EQ(status_of("void mainImage( out vec4"),
		  ConvertStatus::no_coordinate_parameter);
	EXPECT_EQ(status_of("vec4 effect(vec4"),
		  ConvertStatus::no_coordinate_parameter);
	EXPECT_EQ(status_of("void mainImage(out vec4 c,"),
		  ConvertStatus::converted);
	EXPECT_EQ(
		converted(
			"void main() { gl_FragColor = vec4(1.0); }\nout vec4"),
		HEADER + " { gl_FragColor = float4(1.0,1.0,1.0,1.0); }\n"
			 "out float4");
	EXPECT_EQ(converted("void main() { gl_FragColor = k; }\nout vec4 "),
		  HEADER + " { gl_FragColor = k; }\nout float4 ");
}

TEST(ConvertDriver, EverythingInsideIfZero)
{
	EXPECT_EQ(status_of("#if 0\nvoid main() { gl_FragColor = vec4(1.0); }\n"
			    "#endif"),
		  ConvertStatus::nothing_left);
	EXPECT_EQ(status_of("#if 0\nvoid main() {}\n#else#endif"),
		  ConvertStatus::nothing_left);
	EXPECT_EQ(converted("#if 0\nvoid main() {}\n#endif\nfloat k;"),
		  "\nuniform float k;");
}

TEST(ConvertShaders, ShadertoyGradientFile)
{
	EXPECT_EQ(converted(read_shader("shadertoy-uv-gradient.glsl")),
		  "// Red rises from left to right, green along the vertical "
		  "texture coordinate.\n" +
			  HEADER +
			  "\n{\n    float2 uv = v_in.uv;\n"
			  "    return  float4(uv.x, uv.y, 0.0, 1.0);\n}\n");
}

TEST(ConvertShaders, TwoChannelsFile)
{
	const std::string text =
		converted(read_shader("shadertoy-two-channels.glsl"));
	EXPECT_EQ(text.find("#ifndef OPENGL\n#endif\nuniform texture2d "
			    "iChannel1;\n// The first channel"),
		  0u);
	EXPECT_TRUE(has(text, "    float2 uv = v_in.uv;\n")) << text;
	EXPECT_TRUE(has(text,
			"    float4 a = image.Sample(textureSampler, uv);\n"));
	EXPECT_TRUE(
		has(text,
		    "    float4 b = iChannel1.Sample(textureSampler, uv);\n"));
	EXPECT_TRUE(has(text, "    return  lerp(a, b, 0.5);\n")) << text;
}

TEST(ConvertShaders, FeaturesFile)
{
	const std::string text =
		converted(read_shader("shadertoy-features.glsl"));
	EXPECT_TRUE(has(text, "#define mat2 float2x2\n")) << text;
	EXPECT_TRUE(has(text, "#define mod(x,y) (x - y * floor(x / y))\n"));
	EXPECT_TRUE(has(text, "uniform float4 iMouse<\n"));
	EXPECT_TRUE(has(text, "const float PI = 3.14159;\n"));
	EXPECT_TRUE(has(text, "\nuniform float scale = 2.0;\n"));
	EXPECT_TRUE(has(text, "    float c = cos(a), s = sin(a);\n"));
	EXPECT_TRUE(has(text, "    float2 p = uv - float2(0.5,0.5);\n"));
	EXPECT_TRUE(has(text, "    mat2 m = rotate(elapsed_time);\n")) << text;
	EXPECT_TRUE(has(text, "    p = mul(m , p);\n")) << text;
	EXPECT_TRUE(has(text, "    float angle = atan2(p.y, p.x);\n"));
	EXPECT_TRUE(has(text, "float3 col = float3(0.5,0.5,0.5) + 0.5 * "));
	EXPECT_TRUE(has(text, "        col = float3(1.0,1.0,1.0);\n"));
	EXPECT_TRUE(has(text, "    return  float4(col, 1.0);\n"));
}

TEST(ConvertShaders, GlslFiles)
{
	const std::string pos = converted(read_shader("glsl-varying-pos.glsl"));
	EXPECT_TRUE(has(pos, "\nvarying float2 v_in.uv;\n")) << pos;
	EXPECT_FALSE(has(pos, "uniform float elapsed_time;")) << pos;
	EXPECT_TRUE(has(pos, HEADER + "\n{\n")) << pos;
	EXPECT_TRUE(has(pos, "    float3 col = float3(v_in.uv.x, v_in.uv.y, "
			     "0.5 + 0.5 * sin(elapsed_time));\n"));
	EXPECT_TRUE(has(pos, "    return  float4(col, 1.0);\n"));

	const std::string coord =
		converted(read_shader("glsl-gl-fragcoord.glsl"));
	EXPECT_TRUE(has(coord, "//#version 330\n")) << coord;
	EXPECT_FALSE(has(coord, "out float4")) << coord;
	EXPECT_FALSE(has(coord, "elapsed_time;")) << coord;
	EXPECT_TRUE(
		has(coord, "    float2 st = (v_in.uv * uv_size).xy/uv_size;\n"))
		<< coord;
	EXPECT_TRUE(has(coord, "    return  float4(st.x, st.y, "
			       "abs(sin(elapsed_time)), 1.0);\n"));

	const std::string normal = converted(read_shader("glsl-fnormal.glsl"));
	EXPECT_TRUE(has(normal, "//varying float3 float3(v_in.uv,0.0);\n"))
		<< normal;
	EXPECT_TRUE(has(normal,
			"    float3 n = normalize(float3(v_in.uv,0.0));\n"));
	EXPECT_TRUE(has(normal, "    float2 st = v_in.uv;\n"));
	EXPECT_TRUE(has(normal, "    return  float4(st, n.z, 1.0);\n"));
}

TEST(ConvertShaders, LoveFile)
{
	const std::string text = converted(read_shader("love-effect.glsl"));
	EXPECT_EQ(text,
		  "uniform float amount;\nuniform float2 offset;\n\n" + HEADER +
			  "\n{\n    float4 c = image.Sample(textureSampler, "
			  "v_in.uv + offset);\n"
			  "    return float4(c.rgb * amount, c.a);\n}\n");
}

// Inputs the fuzz target once found slow (over 1 s with sanitizers): the
// growth of the text by one-argument constructors made later passes crawl.
// Each must convert with bounded growth. The first byte selects the fuzz
// target's mode (below 128: the whole driver).
TEST(ConvertDriver, FuzzRegressions)
{
	namespace fs = std::filesystem;
	int count = 0;
	for (const fs::directory_entry &entry :
	     fs::directory_iterator(VELMORA_FUZZ_REGRESSIONS)) {
		std::ifstream file(entry.path(), std::ios::binary);
		std::ostringstream bytes;
		bytes << file.rdbuf();
		const std::string input = bytes.str();
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
