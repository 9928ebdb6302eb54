// Rules and their arrangement that the cases cannot show: brace depth,
// growth stopped at a limit, the one-pass constructor rule against the
// literal one, and what both back ends compile. The rules' cases:
// tests/data/convert/*.cases.
#include "convert-rules.h"
#include "convert-test-data.h"
#include "guard-model.h"
#include "shader-convert.h"

TEST(ConvertDeclarations, InsideBlock)
{
	EXPECT_TRUE(is_inside_block("void f() { x; }", 11));
	EXPECT_FALSE(is_inside_block("void f() { x; }", 0));
	EXPECT_FALSE(is_inside_block("a { } b { { } }", 0));
	EXPECT_TRUE(is_inside_block("a { {", 0)); // never closed
	EXPECT_FALSE(is_inside_block("abc", 10));
}

TEST(ConvertConstructor, GrowthStopsAtTheLimit)
{
	// Nested one-argument calls multiply the text with every level.
	std::string nested = "void f() { a = ";
	for (int i = 0; i < 40; i++)
		nested += "float4(length(";
	nested += "1" + std::string(80, ')') + "; }";
	std::string text = nested;
	expand_constructor(text, "float4(", 4, 64 * 1024);
	EXPECT_LE(text.size(), 64u * 1024);
	EXPECT_GT(text.size(), nested.size());
}

// The one-pass constructor rule against the literal one, on every fuzz seed,
// fuzz regression and test shader, with the constructors in the driver's
// order (and a growth limit as the driver sets it).
TEST(ConvertConstructor, OnePassGivesWhatTheLiteralRuleGives)
{
	int compared = 0;
	for (const char *folder : {VELMORA_FUZZ_SEEDS, VELMORA_FUZZ_REGRESSIONS,
				   VELMORA_TEST_DATA "/shaders"}) {
		for (const auto &entry :
		     std::filesystem::directory_iterator(folder)) {
			std::string text = read_file(entry.path());
			apply_type_name_table(text);
			const size_t limit = 2 * text.size() + 4096;
			for (const auto &[name, count] :
			     {std::pair{"bool2(", 2}, {"int(", 1}, {"float(", 1},
			      {"float2(", 2}, {"float3(", 3}, {"float4(", 4},
			      {"mat2(", 4}, {"mat3(", 9}}) {
				std::string literal = text;
				expand_constructor_by_calls(literal, name, count,
							    limit);
				if (expand_constructor_linear(text, name, count,
							      limit))
					compared++;
				else
					text = literal;
				EXPECT_EQ(text, literal) << entry.path() << name;
			}
		}
	}
	EXPECT_GT(compared, 100);
}

namespace {

// The converted text as a back end's compiler gets it: through the host's
// preprocessor (the guard's model of it), with the OpenGL adaptation's
// "#define OPENGL 1" or without (Direct3D), blanks dropped.
std::string as_compiled(const std::string &text, bool opengl)
{
	using namespace effect_guard;
	const std::string source = (opengl ? "#define OPENGL 1\n" : "") + text;
	LexedText lexed;
	std::vector<Token> tokens;
	std::string reason;
	EXPECT_TRUE(lex_effect_text(source, &lexed, &reason) &&
		    preprocess_effect_tokens(lexed.tokens, &tokens, &reason))
		<< reason;
	std::string joined;
	for (const Token &token : tokens)
		if (!token.blank())
			joined.append(token.text);
	return joined;
}

} // namespace

// Both back ends compute what GLSL means: Direct3D fills its matrices by
// rows, so the matrix GLSL builds column by column comes transposed there;
// mod() has GLSL's sign for negative operands and its own parentheses; a
// level of detail is SampleLevel's on both.
TEST(ConvertPrelude, BothBackEndsComputeWhatGlslMeans)
{
	const ConvertResult result = convert_shader(
		"void mainImage(out vec4 c, in vec2 p) {\n"
		"\tmat2 m = mat2(1.0, 2.0, 3.0, 4.0) * mat2(p, p.yx);\n"
		"\tbvec2 b = lessThan(p, vec2(mod(p.x + 1.0, p.y * 2.0)));\n"
		"\tc = textureLod(iChannel0, p, 2.0) + vec4(m[0], b);\n}\n");
	ASSERT_TRUE(result.converted());
	const std::string d3d = as_compiled(result.text, false);
	const std::string gl = as_compiled(result.text, true);
	for (const char *piece :
	     {"float2x2m=mul(float2x2(1.0,3.0,2.0,4.0),transpose(float2x2(",
	      "bool2b=(",
	      "(((v_in.uv*uv_size).x+1.0)-((v_in.uv*uv_size).y*2.0)*floor(((v_in."
	      "uv*uv_size).x+1.0)/((v_in.uv*uv_size).y*2.0)))",
	      "image.SampleLevel(textureSampler,"})
		EXPECT_NE(d3d.find(piece), std::string::npos) << piece << "\n" << d3d;
	for (const char *piece :
	     {"mat2m=mul(mat2(1.0,2.0,3.0,4.0),mat2((v_in.uv*uv_size),",
	      "bvec2b=lessThan(",
	      "mod((v_in.uv*uv_size).x+1.0,(v_in.uv*uv_size).y*2.0)",
	      "image.SampleLevel(textureSampler,"})
		EXPECT_NE(gl.find(piece), std::string::npos) << piece << "\n" << gl;
}
