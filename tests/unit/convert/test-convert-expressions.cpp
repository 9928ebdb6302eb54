// Arc tangents, matrix products and the colour output variable.
#include "convert-rules.h"
#include "guard-model.h"
#include "rewrites.h"
#include "shader-convert.h"

namespace {

void matrices(std::string &text)
{
	for (const char *type : {"mat2", "mat3", "mat4"})
		convert_matrix_type(text, type);
}

std::function<void(std::string &)> output(size_t main_offset = 0)
{
	return [=](std::string &text) {
		convert_output_variable(text, "fragColor", main_offset);
	};
}

const std::string BLACK = " = float4(0.0,0.0,0.0,1.0);\n";

bool has(const std::string &text, const std::string &piece)
{
	return text.find(piece) != std::string::npos;
}

} // namespace

TEST(ConvertAtan, TwoArgumentFormsBecomeAtan2)
{
	expect_rewrites(convert_atan, {
		{"a = atan(y, x);", "a = atan2(y, x);"},
		{"a = atan(y/x);", "a = atan2(y,x);"},
		{"a = atan(f(a), g(b));", "a = atan2(f(a), g(b));"},
		{"a = atan(a/b, c);", "a = atan2(a/b, c);"},
		{"atan(p.y, p.x) + atan(q.y / q.x)",
		 "atan2(p.y, p.x) + atan2(q.y , q.x)"},
		// No ',' or '/' anywhere after it: this and every later call
		// stay.
		{"a = atan(x); b = atan(y);", "a = atan(x); b = atan(y);"},
		// The ',' before the inner group is looked for again after it,
		// and the next one lies beyond the call.
		{"a = atan(a, b(c));", "a = atan(a, b(c));"},
		{"a = myatan(y, x);", "a = myatan(y, x);"},
		{"a = atan(x), b;", "a = atan(x), b;"},
		// A group that never closes leaves the call as it is.
		{"atan((a, b)", "atan((a, b)"},
		{"atan(a, b", "atan(a, b"},
	});
}

TEST(ConvertMatrix, ProductsWithAMatrixVariableOrConstructor)
{
	expect_rewrites(matrices, {
		{"mat3 m;\nx = m * v;", "mat3 m;\nx = mul(m , v);"},
		{"mat3 m;\nx = v * m;", "mat3 m;\nx = mul(v , m);"},
		{"mat3 m;\nv *= m;", "mat3 m;\nv = mul(v, m);"},
		{"mat2 m;\np.xy *= m;", "mat2 m;\np.xy = mul(p.xy, m);"},
		{"mat2 m;\nx = (a + b) * m;", "mat2 m;\nx = mul((a + b) , m);"},
		{"mat2 m;\nx = m * f(a, b) + c;",
		 "mat2 m;\nx = mul(m , f(a, b)) + c;"},
		// m inside a longer identifier is not the variable.
		{"mat2 m;\nx = mm * v + v * m2;", "mat2 m;\nx = mm * v + v * m2;"},
		// The left operand's scan stops only at '=', spaces, brackets
		// and operators: a ';' is stepped over.
		{"mat2 m;v * m;", "mat2 mul(m;v , m);"},
		{"x = mat2(c, -s, s, c) * p;", "x = mul(mat2(c, -s, s, c) , p);"},
		{"x = p * mat2(c, -s, s, c);", "x = mul(p , mat2(c, -s, s, c));"},
		{"p *= mat2(c, -s, s, c);", "p = mul(p, mat2(c, -s, s, c));"},
		{"x = mat2(a) + mat2(b);", "x = mat2(a) + mat2(b);"},
	});
	// The left operand begins at the first byte: its ',' and ')' come,
	// "mul(" does not.
	expect_rewrites([](std::string &text) {
		convert_matrix_variable(text, "m");
	}, {{"v * m;", "v , m);"}, {"(a + b) * m;", "(a + b) , m);"},
	    {"*m;", ",m);"}});
}

TEST(ConvertMatrix, MulHelpersStayInsideTheText)
{
	expect_rewrites([](std::string &text) {
		for (convert_text::Offset at : {-1, 0, 2})
			mul_open_left(text, at);
	}, {{"(a)", "(a)"}});
	expect_rewrites([](std::string &text) { mul_open_left(text, 100); },
			{{"x = ab", "x = mul(ab"}});
	// At or past the end, and from the start to the end without a stop.
	expect_rewrites([](std::string &text) {
		for (size_t at : {3, 50, 0})
			mul_close_right(text, at);
	}, {{"abc", "abc"}});
	expect_rewrites([](std::string &text) { mul_close_right(text, 0); },
			{{"f(a, b) + c", "f(a, b)) + c"}, {"f(a", "f(a"}});
}

TEST(ConvertOutput, SingleAssignmentBecomesTheReturn)
{
	const std::string early = "fragColor = x; void main() { fragColor = y; }";
	expect_rewrites(output(), {
		{"{ fragColor = col; }", "{ return  col; }"},
		{"{ fragColor.rgb = c; }", "{ return  c; }"},
		{"{ //fragColor = x;\n fragColor = y; }",
		 "{ //fragColor = x;\n return  y; }"},
		{"{ myfragColor = a; fragColor2 = b; }",
		 "{ myfragColor = a; fragColor2 = b; }"},
	});
	// Only occurrences from the main offset on count.
	expect_rewrites(output(15),
			{{early, "fragColor = x; void main() { return  y; }"}});
	expect_rewrites(output(500), {{early, early}});
}

TEST(ConvertOutput, SeveralAssignmentsUseALocal)
{
	expect_rewrites(output(), {
		{"void f()\n{\n\tfragColor = a;\n\tfragColor.a = 1.0;\n}",
		 "void f()\n{\n\tfloat4 fragColor" + BLACK +
			 "\n\tfragColor = a;\n\tfragColor.a = 1.0;\n"
			 "\treturn fragColor;\n}"},
		// A comparison counts as an assignment.
		{"{ if (fragColor.a == 0.0) discard; fragColor = c; }",
		 "{\n\tfloat4 fragColor" + BLACK +
			 " if (fragColor.a == 0.0) discard; return  c; }"},
		// Without a brace.
		{"fragColor = a; fragColor += b;",
		 "float4 fragColor = a; fragColor += b;\n\treturn fragColor;"},
		{"fragColor *= a; fragColor = b;",
		 "float4 fragColor" + BLACK + "fragColor *= a; return  b;"},
		{"fragColor.r = a; fragColor.g = b",
		 "float4 fragColor" + BLACK +
			 "fragColor.r = a; fragColor.g = b\n\treturn fragColor;"},
	});
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
		EXPECT_TRUE(has(d3d, piece)) << piece << "\n" << d3d;
	for (const char *piece :
	     {"mat2m=mul(mat2(1.0,2.0,3.0,4.0),mat2((v_in.uv*uv_size),",
	      "bvec2b=lessThan(",
	      "mod((v_in.uv*uv_size).x+1.0,(v_in.uv*uv_size).y*2.0)",
	      "image.SampleLevel(textureSampler,"})
		EXPECT_TRUE(has(gl, piece)) << piece << "\n" << gl;
}
