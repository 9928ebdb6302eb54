// The effect guard, pure: one table per class of text that crashes or hangs
// the host's effect compiler (each with near misses that must still pass),
// and every effect that the host, the repository and the conversion ship.
#include "effect-guard.h"
#include "guard-model.h"
#include "keyer-effect.h"

#include "effect-files.h"
#include "host-paths.h"

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

// Texts and words their refusals must hold; PASSES: the guard lets it pass.
using Cases = std::vector<std::pair<std::string, std::string>>;
const char PASSES[] = "";

void check(const Cases &cases)
{
	for (const auto &[text, words] : cases) {
		const std::string reason = refusal(text);
		SCOPED_TRACE(text.substr(text.size() > 300 ? text.size() - 300 : 0));
		if (words.empty())
			EXPECT_EQ(reason, "");
		else
			EXPECT_NE(reason.find(words), std::string::npos)
				<< (reason.empty() ? "passed the guard"
						   : "refused for another reason: " + reason);
	}
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

const std::string PASS_THROUGH = "float4 mainImage(VertData v_in) : TARGET\n"
				 "{\n\treturn image.Sample(textureSampler, v_in.uv);\n}\n";

// A body whose pixel function holds code after reading its input.
std::string with_code(const std::string &before, const std::string &code)
{
	return body(before + "float4 mainImage(VertData v_in) : TARGET\n{\n"
			     "\tfloat4 c = image.Sample(textureSampler, v_in.uv);\n" +
		    code + "\n\treturn c;\n}\n");
}

// first, then macros name1 .. name<n>, each defined as use with every '@'
// replaced by the previous one.
std::string doubling(std::string text, const std::string &name,
		     const std::string &use, int n)
{
	for (int i = 0; i < n; i++) {
		std::string expansion = use;
		for (size_t at; (at = expansion.find('@')) != std::string::npos;)
			expansion.replace(at, 1, name + std::to_string(i));
		text += "#define " + name + std::to_string(i + 1) + " " +
			expansion + "\n";
	}
	return text;
}

} // namespace

TEST(EffectGuard, ReasonsNameTheConstructAndTheLine)
{
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
	// Broken annotations: the host's recovery reaches the function after
	// the structure when the structure has two members, not with one.
	const std::string annotation =
		"#define OPENGL 1\nuniform float amount <\n"
		"\tstring label = \"Amount\";\n\tFilter = Linear;\n};\n";
	check({
		{with_code("", "\tif (c.a > 0.5) {\n"), "never closed"},
		// The closing brace hidden by a conditional block.
		{body("float4 mainImage(VertData v_in) : TARGET\n{\n\treturn "
		      "v_in.pos;\n#ifdef NOT_SET\n}\n#endif\n"),
		 "never closed"},
		// No function of the technique's name at all.
		{body("\n"), "which the effect does not define"},
		// A broken header: the host reports the missing '{' and reads
		// no body (here the colon before the semantic is missing).
		{body("float4 mainImage(VertData v_in) TARGET\n{\n\treturn v_in.pos;\n"),
		 PASSES},
		// A member whose semantic is missing ends at its ';' and the
		// host goes on reading the functions after the structure.
		{"struct V { float4 pos : POSITION; float2 uv : ;TEXCOORD0 };\n"
		 "float4 f(V v) : TARGET { return v.pos; \n",
		 "function 'f' opened at line 2"},
		{annotation + "struct V {\n\tfloat4 pos : POSITION;\n\tfloat2 uv : "
			      "TEXCOORD0;\n};\nV vs(V v)\n{\n\treturn v;\n",
		 "function 'vs' opened at line 11"},
		{annotation + "struct V {\n\tfloat4 pos : POSITION;\n};\n"
			      "V vs(V v)\n{\n\treturn v;\n",
		 PASSES},
		// Braces the host passes by without reading a body are no
		// danger: an extra '{' in a technique, a stray top-level block.
		{"#define OPENGL 1\nstruct V { float4 pos : POSITION; };\n"
		 "V vs(V v) { return v; }\n"
		 "float4 ps(V v) : TARGET { return v.pos; }\n"
		 "technique Draw { { pass { vertex_shader = vs(v); "
		 "pixel_shader = ps(v); } }\n",
		 PASSES},
		{body(PASS_THROUGH + "{ {\n"), PASSES},
	});
}

TEST(EffectGuard, MacrosMustNotExpandIntoThemselves)
{
	check({
		{with_code("#define A B\n#define B A * 2.0\n", "c.r = A;"),
		 "expands into itself"},
		{with_code("#define f(x) g(x)\n#define g(x) f(x)\n", "c.r = f(1.0);"),
		 "macro 'f' expands into itself"},
		{with_code("#define g(x) x\n#define h g(h)\n", "c.r = h;"),
		 "macro 'h' expands into itself"},
		// A macro used again in its own argument, or defined anew, is
		// fine; only the branch the host takes counts.
		{with_code("#define f(x) ((x) * 0.5)\n", "c.r = f(f(f(c.g)));"), PASSES},
		{with_code("#define K 0.5\n#undef K\n#define K K2\n#define K2 0.25\n",
			   "c.r = K;"),
		 PASSES},
		{with_code("#ifndef _OPENGL\n#define A A\n#endif\n", ""), PASSES},
	});
}

TEST(EffectGuard, FunctionLikeMacrosNeedTheirArguments)
{
	const std::string f = "#define F(x) ((x) + 1.0)\n";
	check({
		{with_code(f + "#define G F\n", "c.r = G(1.0);"),
		 "function-like macro 'F' is the last token of macro 'G'"},
		{body(PASS_THROUGH + f) + "F", "is the last token of the text"},
		{body(PASS_THROUGH + f) + "F(1.0", "is never closed"},
		{with_code(f + "#define G F(1.0\n", "c.r = G);"),
		 "argument list of macro 'F'"},
		{with_code(f + "#define H(m) m(1.0)\n", "c.r = H(F);"), "macro 'F'"},
		// In this host '(' must follow the name at once.
		{with_code(f, "c.r = F (1.0);"), "without '(' right after its name"},
		{with_code("#define F (x) ((x) + 1.0)\n", "c.r = F(c.g);"), PASSES},
		{with_code(f, "c.r = F(1.0, 2.0);"), "takes 1 arguments but gets 2"},
	});
}

TEST(EffectGuard, NestingAndExpansionStayBounded)
{
	const int n = max_conditional_depth;
	std::string chain;
	for (size_t i = 0; i <= max_definitions; i++)
		chain += "#define A" + std::to_string(i) + " " +
			 std::to_string(i) + ".0\n";
	check({
		{with_code(repeat("#ifdef OPENGL\n", n) + repeat("#endif\n", n), ""),
		 PASSES},
		{with_code(repeat("#ifdef OPENGL\n", n + 1) + repeat("#endif\n", n + 1),
			   ""),
		 "nested more than"},
		// Every kind of bracket counts towards one depth.
		{with_code("", repeat("{", 150) + "c.r = " + repeat("(", 150) + "1.0" +
				       repeat(")", 150) + ";" + repeat("}", 150)),
		 "brackets are nested more than"},
		{with_code("#define f(x) x\n", "c.r = " + repeat("f(", 300) + "1.0" +
							 repeat(")", 300) + ";"),
		 "more than 256 levels deep"},
		{with_code(doubling("#define E0 c.r\n", "E", "@ + @", 24), "c.r = E24;"),
		 "tokens after macro expansion"},
		// Doubling expansions that produce nothing.
		{with_code(doubling("#define F(x) x\n#define N0\n", "N", "F(@)F(@)", 30),
			   "c.r = 1.0 N30;"),
		 "macro expansion"},
		{with_code(chain, ""), "#define lines"},
		{body(PASS_THROUGH + repeat("// long\n", max_text_tokens)),
		 "the text has more than"},
		{with_code("", "c.r = 1.0" + repeat(" + c.g", 3000) + ";"),
		 "is longer than"},
	});
}

TEST(EffectGuard, IncludesNeverReachTheHost)
{
	check({
		{with_code(" #include \"other.effect\"\n", ""),
		 "#include at line " + body_line(1)},
		{with_code("#  include \"/dev/stdin\"\n", ""), "#include"},
		// A '#' that a macro leaves in a shader function reaches the
		// OpenGL writer's own preprocessor.
		{with_code("#define H #\n", "H include \"/tmp/pipe\""),
		 "'#' at line " + body_line(5) + " (from macro 'H')"},
		// An include in a branch the host skips is never opened.
		{with_code("#ifdef NOT_SET\n#include \"/nonexistent.effect\"\n#endif\n",
			   ""),
		 PASSES},
	});
}

TEST(EffectGuard, ShaderFunctionsNeedSemantics)
{
	const std::string vert = "struct VertData { float4 pos : POSITION; "
				 "float2 uv : TEXCOORD0; };\n";
	const auto whole = [](const std::string &structs, const std::string &ps,
			      const std::string &call = "ps(v_in)") {
		return "#define OPENGL 1\nuniform float4x4 ViewProj;\n" + structs +
		       "VertData vs(VertData v_in) { return v_in; }\n" + ps +
		       "technique Draw { pass { vertex_shader = vs(v_in); "
		       "pixel_shader = " + call + "; } }\n";
	};
	const std::string ps = "float4 ps(VertData v_in) : TARGET { return v_in.pos; }\n";
	check({
		{whole(vert, "float4 ps() : TARGET { return float4(1,1,1,1); }\n"),
		 "function 'ps' (the pixel shader of pass 0 of technique 'Draw') "
		 "at line 5 has no input parameter with a semantic"},
		{whole(vert, "float4 ps(float4 c) : TARGET { return c; }\n"),
		 "no input parameter"},
		{whole(vert, "float4 ps(Unknown v_in) : TARGET { return 1; }\n"),
		 "no input parameter"},
		{whole(vert, "float4 ps(VertData v_in) { return v_in.pos; }\n"),
		 "returns 'float4' without a semantic"},
		{whole(vert, "void ps(VertData v_in) { }\n"), "returns 'void'"},
		{whole("struct VertData { float4 pos : POSITION; float2 uv; };\n", ps),
		 "member 'uv' of struct 'VertData' at line 3 has no semantic"},
		{whole("struct VertData { float4 pos : POSITION; VertData next : "
		       "TEXCOORD1; };\n",
		       ps),
		 "struct 'VertData' at line 3 contains itself"},
		{whole(vert + "struct Out { float4 c; };\n",
		       "Out ps(VertData v_in) { Out o; o.c = v_in.pos; return o; }\n"),
		 "member 'c' of struct 'Out'"},
		// What the host writes without trouble: a parameter without a
		// semantic beside the mapped one, a member the host drops, a
		// structure nobody maps.
		{whole(vert,
		       "float4 ps(VertData v_in, bool flip) : TARGET { return "
		       "flip ? v_in.pos : 1.0; }\n",
		       "ps(v_in, false)"),
		 PASSES},
		{whole("struct VertData { float4 pos : POSITION; float2 uv TEXCOORD0; "
		       "float2 uv : TEXCOORD0; };\nstruct L { float a; L b; };\n",
		       ps),
		 PASSES},
	});
}

TEST(EffectGuard, DeclarationsStayBounded)
{
	std::string uniforms, sum = "c.r = 0.0", few, many = "c.r = 0.0;\n";
	for (int i = 0; i < 3000; i++) {
		uniforms += "uniform float u" + std::to_string(i) + ";\n";
		if (i % 50 == 0)
			sum += ";\n\tc.r += u" + std::to_string(i);
	}
	few = uniforms.substr(0, uniforms.find("uniform float u1500;"));
	for (int i = 0; i < 15000; i++)
		many += "\tc.r += u" + std::to_string(i % 1500) + ";\n";
	check({{with_code(uniforms, sum + ";"), "more than 2048 declarations"},
	       {with_code(few, many),
		"too many declarations used in function bodies"}});
}

TEST(EffectGuard, LineSpliceAtTheVeryEnd)
{
	const std::string text = body(PASS_THROUGH);
	check({
		{text + "/* end \\\n", "inside a comment"},
		{text + "float4 s = \"end \\\n", "inside a string"},
		{text + "// a \\\r\n\\\n", "line splice ('\\' at the end of line"},
		// A splice anywhere else is only a continued line; a comment
		// that never closes is reported as such.
		{text + "float4 spliced_\\\nname;\n", PASSES},
		{"// start \\\n" + text, PASSES},
		{text + "/* open\n", "comment opened at line"},
		// The host stops at the first zero byte, and so does the guard.
		{text + std::string("\0#define A A\nA", 14), PASSES},
	});
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
	// The effects of the host the tests run against, includes resolved
	// like the filter does.
	add_files(host_paths::data_dir(), ".effect", false);
	// The repository's effects: whole effects and template bodies.
	add_files(VELMORA_SOURCE_DATA, ".effect", false);
	add_files(VELMORA_SOURCE_DATA, ".shader", true);
	add_files(std::string(VELMORA_TEST_DATA) + "/effect-guard", ".shader",
		  true);
	texts.emplace_back("keyer", body(keyer_effect_text));
	// Everything the conversion makes of its test shaders (the conversion
	// tests check that these are its texts).
	add_files(std::string(VELMORA_TEST_DATA) + "/convert", ".shader", true);
	EXPECT_GE(texts.size(), 10u);
	for (const auto &[name, text] : texts)
		EXPECT_EQ(refusal(text), "") << name;
}
