// Arc tangents, matrix products and the colour output variable.
#include "convert-rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string atan_converted(std::string text)
{
	convert_atan(text);
	return text;
}

std::string matrices_converted(std::string text)
{
	for (const char *type : {"mat2", "mat3", "mat4"})
		convert_matrix_type(text, type);
	return text;
}

std::string output_converted(std::string text, size_t main_offset = 0,
			     const char *name = "fragColor")
{
	convert_output_variable(text, name, main_offset);
	return text;
}

const std::string BLACK = " = float4(0.0,0.0,0.0,1.0);\n";

} // namespace

TEST(ConvertAtan, TwoArgumentFormsBecomeAtan2)
{
	EXPECT_EQ(atan_converted("a = atan(y, x);"), "a = atan2(y, x);");
	EXPECT_EQ(atan_converted("a = atan(y/x);"), "a = atan2(y,x);");
	EXPECT_EQ(atan_converted("a = atan(f(a), g(b));"),
		  "a = atan2(f(a), g(b));");
	EXPECT_EQ(atan_converted("a = atan(a/b, c);"), "a = atan2(a/b, c);");
	EXPECT_EQ(atan_converted("atan(p.y, p.x) + atan(q.y / q.x)"),
		  "atan2(p.y, p.x) + atan2(q.y , q.x)");
}

TEST(ConvertAtan, UnchangedCalls)
{
	// No ',' or '/' anywhere after it: this and every later call stay.
	EXPECT_EQ(atan_converted("a = atan(x); b = atan(y);"),
		  "a = atan(x); b = atan(y);");
	// The ',' before the inner group is looked for again after it, and
	// the next one lies beyond the call.
	EXPECT_EQ(atan_converted("a = atan(a, b(c));"), "a = atan(a, b(c));");
	EXPECT_EQ(atan_converted("a = myatan(y, x);"), "a = myatan(y, x);");
	EXPECT_EQ(atan_converted("a = atan(x), b;"), "a = atan(x), b;");
	// A group that never closes leaves the call as it is.
	EXPECT_EQ(atan_converted("atan((a, b)"), "atan((a, b)");
	EXPECT_EQ(atan_converted("atan(a, b"), "atan(a, b");
}

TEST(ConvertMatrix, ProductsWithAMatrixVariable)
{
	EXPECT_EQ(matrices_converted("mat3 m;\nx = m * v;"),
		  "mat3 m;\nx = mul(m , v);");
	EXPECT_EQ(matrices_converted("mat3 m;\nx = v * m;"),
		  "mat3 m;\nx = mul(v , m);");
	EXPECT_EQ(matrices_converted("mat3 m;\nv *= m;"),
		  "mat3 m;\nv = mul(v, m);");
	EXPECT_EQ(matrices_converted("mat2 m;\np.xy *= m;"),
		  "mat2 m;\np.xy = mul(p.xy, m);");
	EXPECT_EQ(matrices_converted("mat2 m;\nx = (a + b) * m;"),
		  "mat2 m;\nx = mul((a + b) , m);");
	EXPECT_EQ(matrices_converted("mat2 m;\nx = m * f(a, b) + c;"),
		  "mat2 m;\nx = mul(m , f(a, b)) + c;");
	// m inside a longer identifier is not the variable.
	EXPECT_EQ(matrices_converted("mat2 m;\nx = mm * v + v * m2;"),
		  "mat2 m;\nx = mm * v + v * m2;");
	// The left operand's scan stops only at '=', spaces, brackets and
	// operators: a ';' is stepped over.
	EXPECT_EQ(matrices_converted("mat2 m;v * m;"), "mat2 mul(m;v , m);");
}

TEST(ConvertMatrix, ProductsWithAConstructor)
{
	EXPECT_EQ(matrices_converted("x = mat2(c, -s, s, c) * p;"),
		  "x = mul(mat2(c, -s, s, c) , p);");
	EXPECT_EQ(matrices_converted("x = p * mat2(c, -s, s, c);"),
		  "x = mul(p , mat2(c, -s, s, c));");
	EXPECT_EQ(matrices_converted("p *= mat2(c, -s, s, c);"),
		  "p = mul(p, mat2(c, -s, s, c));");
	EXPECT_EQ(matrices_converted("x = mat2(a) + mat2(b);"),
		  "x = mat2(a) + mat2(b);");
}

TEST(ConvertMatrix, OperandsAtTheStartOfTheText)
{
	// The left operand begins at the first byte: its ',' and ')' come,
	// "mul(" does not.
	std::string text = "v * m;";
	convert_matrix_variable(text, "m");
	EXPECT_EQ(text, "v , m);");
	text = "(a + b) * m;";
	convert_matrix_variable(text, "m");
	EXPECT_EQ(text, "(a + b) , m);");
	text = "*m;";
	convert_matrix_variable(text, "m");
	EXPECT_EQ(text, ",m);");
}

TEST(ConvertMatrix, MulHelpersStayInsideTheText)
{
	std::string text = "(a)";
	mul_open_left(text, -1);
	mul_open_left(text, 0);
	mul_open_left(text, 2);
	EXPECT_EQ(text, "(a)");
	text = "x = ab";
	mul_open_left(text, 100);
	EXPECT_EQ(text, "x = mul(ab");

	text = "abc";
	mul_close_right(text, 3);
	mul_close_right(text, 50);
	mul_close_right(text, 0); // reaches the end without a stop
	EXPECT_EQ(text, "abc");
	text = "f(a, b) + c";
	mul_close_right(text, 0);
	EXPECT_EQ(text, "f(a, b)) + c");
	text = "f(a";
	mul_close_right(text, 0);
	EXPECT_EQ(text, "f(a");
}

TEST(ConvertOutput, SingleAssignmentBecomesTheReturn)
{
	EXPECT_EQ(output_converted("{ fragColor = col; }"), "{ return  col; }");
	EXPECT_EQ(output_converted("{ fragColor.rgb = c; }"), "{ return  c; }");
	EXPECT_EQ(output_converted("{ //fragColor = x;\n fragColor = y; }"),
		  "{ //fragColor = x;\n return  y; }");
	// Only occurrences from the main offset on count.
	const std::string text =
		"fragColor = x; void main() { fragColor = y; }";
	EXPECT_EQ(output_converted(text, 15),
		  "fragColor = x; void main() { return  y; }");
	EXPECT_EQ(output_converted(text, 500), text);
	EXPECT_EQ(output_converted("{ myfragColor = a; fragColor2 = b; }"),
		  "{ myfragColor = a; fragColor2 = b; }");
}

TEST(ConvertOutput, SeveralAssignmentsUseALocal)
{
	EXPECT_EQ(output_converted("void f()\n{\n\tfragColor = a;\n"
				   "\tfragColor.a = 1.0;\n}"),
		  "void f()\n{\n\tfloat4 fragColor" + BLACK +
			  "\n\tfragColor = a;\n\tfragColor.a = 1.0;\n"
			  "\treturn fragColor;\n}");
	// A comparison counts as an assignment.
	EXPECT_EQ(output_converted("{ if (fragColor.a == 0.0) discard; "
				   "fragColor = c; }"),
		  "{\n\tfloat4 fragColor" + BLACK +
			  " if (fragColor.a == 0.0) discard; return  c; }");
}

TEST(ConvertOutput, SeveralAssignmentsWithoutABrace)
{
	EXPECT_EQ(output_converted("fragColor = a; fragColor += b;"),
		  "float4 fragColor = a; fragColor += b;\n\treturn fragColor;");
	EXPECT_EQ(output_converted("fragColor *= a; fragColor = b;"),
		  "float4 fragColor" + BLACK + "fragColor *= a; return  b;");
	EXPECT_EQ(output_converted("fragColor.r = a; fragColor.g = b"),
		  "float4 fragColor" + BLACK +
			  "fragColor.r = a; fragColor.g = b\n\treturn "
			  "fragColor;");
}
