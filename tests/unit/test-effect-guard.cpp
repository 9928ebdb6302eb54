// The effect guard, pure: one group per class of text that crashes or hangs
// the host's effect compiler (each with near misses that must still pass),
// and every effect that the host, the repository and the conversion ship.
#include "effect-guard.h"
#include "guard-model.h"
#include "keyer-effect.h"

#include "effect-files.h"
#include "shader-convert.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace effect_guard;

namespace {

// A template-mode body as the filter compiles it on OpenGL.
std::string body(const std::string &user)
{
	return effect_files::compiled_text(user, true);
}

// The guard's reason, or "" when it lets the text pass.
std::string refusal(const std::string &text)
{
	std::string reason;
	return effect_text_is_safe(text, &reason) ? "" : reason;
}

::testing::AssertionResult refused_for(const std::string &text,
				       const std::string &words)
{
	const std::string reason = refusal(text);
	if (reason.empty())
		return ::testing::AssertionFailure() << "passed the guard";
	if (reason.find(words) == std::string::npos)
		return ::testing::AssertionFailure()
		       << "refused for another reason: " << reason;
	return ::testing::AssertionSuccess();
}

::testing::AssertionResult passes(const std::string &text)
{
	const std::string reason = refusal(text);
	if (!reason.empty())
		return ::testing::AssertionFailure() << "refused: " << reason;
	return ::testing::AssertionSuccess();
}

// Line n of a template-mode body, counted in the text the host compiles.
std::string body_line(int n)
{
	const std::string marked = body("@");
	const size_t at = marked.find('@');
	return std::to_string(
		std::count(marked.begin(), marked.begin() + long(at), '\n') + n);
}

std::string repeat(const std::string &s, size_t n)
{
	std::string out;
	for (size_t i = 0; i < n; i++)
		out += s;
	return out;
}

const char PASS_THROUGH[] = "float4 mainImage(VertData v_in) : TARGET\n"
			    "{\n"
			    "\treturn image.Sample(textureSampler, v_in.uv);\n"
			    "}\n";

// A body whose pixel function holds code after reading its input.
std::string with_code(const std::string &before, const std::string &code)
{
	return body(before + "float4 mainImage(VertData v_in) : TARGET\n{\n"
			     "\tfloat4 c = image.Sample(textureSampler, v_in.uv);\n" +
		    code + "\n\treturn c;\n}\n");
}

} // namespace

TEST(EffectGuard, ReasonsNameTheConstructAndTheLine)
{
	EXPECT_EQ(refusal("float4 f(float4 a : TEXCOORD0) : TARGET\n{\n"
			  "\treturn a;\n"),
		  "function 'f' opened at line 2 is never closed");
	EXPECT_EQ(refusal("#define A A + 1.0\nfloat x;\nfloat y = A;\n"),
		  "macro 'A' expands into itself (defined at line 1, used at "
		  "line 3)");
	// Lines count in the text handed to the compiler, like the
	// compiler's own messages; a macro's tokens carry its use's line.
	EXPECT_EQ(refusal(body("#define OPEN {\nfloat4 mainImage(VertData "
			       "v_in) : TARGET\nOPEN\n\treturn v_in.pos;\n")),
		  "function 'mainImage' opened at line " + body_line(3) +
			  " (from macro 'OPEN') is never closed");
}

TEST(EffectGuard, FunctionBodiesMustClose)
{
	EXPECT_TRUE(refused_for(body("float4 mainImage(VertData v_in) : TARGET\n"
				     "{\n\treturn v_in.pos;\n"),
				"function 'mainImage'"));
	EXPECT_TRUE(refused_for(with_code("", "\tif (c.a > 0.5) {\n"),
				"never closed"));
	// The closing brace hidden by a conditional block.
	EXPECT_TRUE(refused_for(body("float4 mainImage(VertData v_in) : TARGET\n"
				     "{\n\treturn v_in.pos;\n#ifdef NOT_SET\n}\n"
				     "#endif\n"),
				"never closed"));
	// No function of the technique's name at all.
	EXPECT_TRUE(refused_for(body("\n"), "which the effect does not define"));
	// A broken header: the host reports the missing '{' and reads no
	// body (here the colon before the semantic is missing).
	EXPECT_TRUE(passes(body("float4 mainImage(VertData v_in) TARGET\n"
				"{\n\treturn v_in.pos;\n")));
	// A member whose semantic is missing ends at its ';' and the host
	// goes on reading the functions after the structure.
	EXPECT_TRUE(refused_for(
		"struct V { float4 pos : POSITION; float2 uv : ;TEXCOORD0 };\n"
		"float4 f(V v) : TARGET { return v.pos; \n",
		"function 'f' opened at line 2"));
	// Broken annotations: the host's recovery reaches the function after
	// the structure when the structure has two members, not with one.
	const std::string annotation =
		"#define OPENGL 1\nuniform float amount <\n"
		"\tstring label = \"Amount\";\n\tFilter = Linear;\n};\n";
	EXPECT_TRUE(refused_for(annotation +
					"struct V {\n\tfloat4 pos : POSITION;\n"
					"\tfloat2 uv : TEXCOORD0;\n};\n"
					"V vs(V v)\n{\n\treturn v;\n",
				"function 'vs' opened at line 11"));
	EXPECT_TRUE(passes(annotation +
			   "struct V {\n\tfloat4 pos : POSITION;\n};\n"
			   "V vs(V v)\n{\n\treturn v;\n"));
	// Braces the host passes by without reading a body are no danger:
	// an extra '{' in a technique, a stray block at the top level.
	EXPECT_TRUE(passes("#define OPENGL 1\n"
			   "struct V { float4 pos : POSITION; };\n"
			   "V vs(V v) { return v; }\n"
			   "float4 ps(V v) : TARGET { return v.pos; }\n"
			   "technique Draw { { pass { vertex_shader = vs(v); "
			   "pixel_shader = ps(v); } }\n"));
	EXPECT_TRUE(passes(body(std::string(PASS_THROUGH) + "{ {\n")));
}

TEST(EffectGuard, MacrosMustNotExpandIntoThemselves)
{
	EXPECT_TRUE(refused_for(with_code("#define A A\n", "c.r = A;"),
				"macro 'A' expands into itself"));
	EXPECT_TRUE(refused_for(with_code("#define A B\n#define B A * 2.0\n",
					  "c.r = A;"),
				"expands into itself"));
	EXPECT_TRUE(refused_for(with_code("#define f(x) g(x)\n"
					  "#define g(x) f(x)\n",
					  "c.r = f(1.0);"),
				"macro 'f' expands into itself"));
	EXPECT_TRUE(refused_for(with_code("#define g(x) x\n#define h g(h)\n",
					  "c.r = h;"),
				"macro 'h' expands into itself"));
	// A macro used again in its own argument, or defined anew, is fine.
	EXPECT_TRUE(passes(with_code("#define f(x) ((x) * 0.5)\n",
				     "c.r = f(f(f(c.g)));")));
	EXPECT_TRUE(passes(with_code("#define K 0.5\n#undef K\n#define K K2\n"
				     "#define K2 0.25\n",
				     "c.r = K;")));
	// Only the branch the host takes counts.
	EXPECT_TRUE(passes(with_code("#ifndef _OPENGL\n#define A A\n#endif\n",
				     "")));
}

TEST(EffectGuard, FunctionLikeMacrosNeedTheirArguments)
{
	const std::string f = "#define F(x) ((x) + 1.0)\n";
	EXPECT_TRUE(refused_for(with_code(f + "#define G F\n", "c.r = G(1.0);"),
				"function-like macro 'F' is the last token of "
				"macro 'G'"));
	EXPECT_TRUE(refused_for(body(std::string(PASS_THROUGH) + f) + "F",
				"is the last token of the text"));
	EXPECT_TRUE(refused_for(body(std::string(PASS_THROUGH) + f) + "F(1.0",
				"is never closed"));
	EXPECT_TRUE(refused_for(with_code(f + "#define G F(1.0\n", "c.r = G);"),
				"argument list of macro 'F'"));
	EXPECT_TRUE(refused_for(with_code(f + "#define H(m) m(1.0)\n",
					  "c.r = H(F);"),
				"macro 'F'"));
	// In this host '(' must follow the name at once.
	EXPECT_TRUE(refused_for(with_code(f, "c.r = F (1.0);"),
				"without '(' right after its name"));
	EXPECT_TRUE(passes(with_code("#define F (x) ((x) + 1.0)\n",
				     "c.r = F(c.g);")));
	EXPECT_TRUE(refused_for(with_code(f, "c.r = F(1.0, 2.0);"),
				"takes 1 arguments but gets 2"));
}

TEST(EffectGuard, NestingAndExpansionStayBounded)
{
	const int n = max_conditional_depth;
	EXPECT_TRUE(passes(with_code(repeat("#ifdef OPENGL\n", n) +
					     repeat("#endif\n", n),
				     "")));
	EXPECT_TRUE(refused_for(with_code(repeat("#ifdef OPENGL\n", n + 1) +
						  repeat("#endif\n", n + 1),
					  ""),
				"nested more than"));
	EXPECT_TRUE(refused_for(with_code("", "c.r = " +
						      repeat("(", 20000) +
						      "1.0" +
						      repeat(")", 20000) + ";"),
				"brackets are nested more than"));
	EXPECT_TRUE(refused_for(with_code("", repeat("{", 300) +
						      repeat("}", 300)),
				"brackets are nested more than"));
	EXPECT_TRUE(refused_for(with_code("#define f(x) x\n",
					  "c.r = " + repeat("f(", 300) + "1.0" +
						  repeat(")", 300) + ";"),
				"more than 256 levels deep"));
	std::string twice = "#define E0 c.r\n";
	for (int i = 0; i < 24; i++)
		twice += "#define E" + std::to_string(i + 1) + " E" +
			 std::to_string(i) + " + E" + std::to_string(i) + "\n";
	EXPECT_TRUE(refused_for(with_code(twice, "c.r = E24;"),
				"tokens after macro expansion"));
	std::string empty = "#define F(x) x\n#define N0\n";
	for (int i = 0; i < 30; i++)
		empty += "#define N" + std::to_string(i + 1) + " F(N" +
			 std::to_string(i) + ")F(N" + std::to_string(i) + ")\n";
	EXPECT_TRUE(refused_for(with_code(empty, "c.r = 1.0 N30;"),
				"macro expansion"));
	std::string chain;
	for (size_t i = 0; i <= max_definitions; i++)
		chain += "#define A" + std::to_string(i) + " " +
			 std::to_string(i) + ".0\n";
	EXPECT_TRUE(refused_for(with_code(chain, ""), "#define lines"));
	EXPECT_TRUE(refused_for(body(std::string(PASS_THROUGH) +
				     repeat("// long\n", max_text_tokens)),
				"the text has more than"));
	EXPECT_TRUE(refused_for(with_code("", "c.r = 1.0" +
						      repeat(" + c.g", 3000) +
						      ";"),
				"is longer than"));
}

TEST(EffectGuard, IncludesNeverReachTheHost)
{
	EXPECT_TRUE(refused_for(with_code(" #include \"other.effect\"\n", ""),
				"#include at line " + body_line(1)));
	EXPECT_TRUE(refused_for(with_code("#  include \"/dev/stdin\"\n", ""),
				"#include"));
	// A '#' that a macro leaves in a shader function reaches the
	// OpenGL writer's own preprocessor.
	EXPECT_TRUE(refused_for(with_code("#define H #\n",
					  "H include \"/tmp/pipe\""),
				"'#' at line " + body_line(5) +
					" (from macro 'H')"));
	// An include in a branch the host skips is never opened.
	EXPECT_TRUE(passes(with_code("#ifdef NOT_SET\n"
				     "#include \"/nonexistent.effect\"\n"
				     "#endif\n",
				     "")));
}

TEST(EffectGuard, ShaderFunctionsNeedSemantics)
{
	const std::string vert = "struct VertData { float4 pos : POSITION; "
				 "float2 uv : TEXCOORD0; };\n";
	const auto whole = [](const std::string &structs,
			      const std::string &ps,
			      const std::string &call = "ps(v_in)") {
		return "#define OPENGL 1\nuniform float4x4 ViewProj;\n" +
		       structs + "VertData vs(VertData v_in) { return v_in; }\n" +
		       ps +
		       "technique Draw { pass { vertex_shader = vs(v_in); "
		       "pixel_shader = " +
		       call + "; } }\n";
	};
	EXPECT_TRUE(refused_for(
		whole(vert, "float4 ps() : TARGET { return float4(1,1,1,1); }\n"),
		"function 'ps' (the pixel shader of pass 0 of technique "
		"'Draw') at line 5 has no input parameter with a semantic"));
	EXPECT_TRUE(refused_for(
		whole(vert, "float4 ps(float4 c) : TARGET { return c; }\n"),
		"no input parameter"));
	EXPECT_TRUE(refused_for(
		whole(vert, "float4 ps(Unknown v_in) : TARGET { return 1; }\n"),
		"no input parameter"));
	EXPECT_TRUE(refused_for(
		whole(vert, "float4 ps(VertData v_in) { return v_in.pos; }\n"),
		"returns 'float4' without a semantic"));
	EXPECT_TRUE(refused_for(whole(vert, "void ps(VertData v_in) { }\n"),
				"returns 'void'"));
	EXPECT_TRUE(refused_for(
		whole("struct VertData { float4 pos : POSITION; float2 uv; };\n",
		      "float4 ps(VertData v_in) : TARGET { return v_in.pos; }\n"),
		"member 'uv' of struct 'VertData' at line 3 has no semantic"));
	EXPECT_TRUE(refused_for(
		whole("struct VertData { float4 pos : POSITION; VertData next : "
		      "TEXCOORD1; };\n",
		      "float4 ps(VertData v_in) : TARGET { return v_in.pos; }\n"),
		"struct 'VertData' at line 3 contains itself"));
	EXPECT_TRUE(refused_for(
		whole(vert + "struct Out { float4 c; };\n",
		      "Out ps(VertData v_in) { Out o; o.c = v_in.pos; return o; }\n"),
		"member 'c' of struct 'Out'"));
	// What the host writes without trouble: a parameter without a
	// semantic beside the mapped one, a member the host drops, a
	// structure nobody maps.
	EXPECT_TRUE(passes(whole(
		vert, "float4 ps(VertData v_in, bool flip) : TARGET { return "
		      "flip ? v_in.pos : 1.0; }\n",
		"ps(v_in, false)")));
	EXPECT_TRUE(passes(whole(
		"struct VertData { float4 pos : POSITION; float2 uv TEXCOORD0; "
		"float2 uv : TEXCOORD0; };\nstruct L { float a; L b; };\n",
		"float4 ps(VertData v_in) : TARGET { return v_in.pos; }\n")));
}

TEST(EffectGuard, DeclarationsStayBounded)
{
	std::string uniforms, sum = "c.r = 0.0";
	for (int i = 0; i < 3000; i++) {
		uniforms += "uniform float u" + std::to_string(i) + ";\n";
		if (i % 50 == 0) {
			sum += ";\n\tc.r += u" + std::to_string(i);
		}
	}
	EXPECT_TRUE(refused_for(with_code(uniforms, sum + ";"),
				"more than 2048 declarations"));
	std::string few, many = "c.r = 0.0;\n";
	for (int i = 0; i < 1500; i++)
		few += "uniform float u" + std::to_string(i) + ";\n";
	for (int i = 0; i < 15000; i++)
		many += "\tc.r += u" + std::to_string(i % 1500) + ";\n";
	EXPECT_TRUE(refused_for(with_code(few, many),
				"too many declarations used in function "
				"bodies"));
}

TEST(EffectGuard, LineSpliceAtTheVeryEnd)
{
	const std::string text = body(PASS_THROUGH);
	EXPECT_TRUE(refused_for(text + "// end \\\n",
				"line splice ('\\' at the end of line"));
	EXPECT_TRUE(refused_for(text + "/* end \\\n", "inside a comment"));
	EXPECT_TRUE(refused_for(text + "float4 s = \"end \\\n",
				"inside a string"));
	EXPECT_TRUE(refused_for(text + "// a \\\r\n\\\n", "line splice"));
	// A splice anywhere else is only a continued line; a comment that
	// never closes is reported as such.
	EXPECT_TRUE(passes(text + "float4 spliced_\\\nname;\n"));
	EXPECT_TRUE(passes("// start \\\n" + text));
	EXPECT_TRUE(refused_for(text + "/* open\n", "comment opened at line"));
	// The host stops at the first zero byte, and so does the guard.
	EXPECT_TRUE(passes(text + std::string("\0#define A A\nA", 14)));
}

TEST(EffectGuard, EveryShippedEffectPasses)
{
	std::vector<std::pair<std::string, std::string>> texts;
	const auto add_files = [&](const std::string &dir,
				   const std::string &ext, bool is_body) {
		for (const std::string &path : effect_files::find(dir, ext)) {
			std::string text;
			ASSERT_TRUE(effect_files::load(path, &text)) << path;
			texts.emplace_back(path, effect_files::compiled_text(
							 text, is_body));
		}
	};
	// The host's own effects, includes resolved like the filter does.
	add_files("/usr/share/obs", ".effect", false);
	// The repository's effects: whole effects and template bodies.
	add_files(VELMORA_SOURCE_DATA, ".effect", false);
	add_files(VELMORA_SOURCE_DATA, ".shader", true);
	add_files(std::string(VELMORA_TEST_DATA) + "/effect-guard", ".shader",
		  true);
	texts.emplace_back("keyer", body(keyer_effect_text));
	// Everything the conversion makes of its test shaders.
	for (const std::string &path :
	     effect_files::find(std::string(VELMORA_TEST_DATA) + "/shaders",
				".glsl")) {
		std::string source;
		ASSERT_TRUE(effect_files::load(path, &source)) << path;
		const ConvertResult converted = convert_shader(source);
		if (converted.converted())
			texts.emplace_back(path, body(converted.text));
	}
	EXPECT_GE(texts.size(), 10u);
	for (const auto &[name, text] : texts)
		EXPECT_TRUE(passes(text)) << name;
}
