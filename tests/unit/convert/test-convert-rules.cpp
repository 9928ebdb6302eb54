// Name tables, file-level declarations and constructor expansion.
#include "convert-rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string globals(std::string text)
{
	for (const char *type : {"bool", "uint", "int", "float"})
		convert_global_declarations(text, type);
	return text;
}

std::string expanded(std::string text, const char *constructor, int count,
		     size_t limit = NO_SIZE_LIMIT)
{
	expand_constructor(text, constructor, count, limit);
	return text;
}

} // namespace

TEST(ConvertTables, TypeFunctionAndExternNames)
{
	std::string text =
		"bvec2 a; bvec4 b; ivec3 c; uvec2 d; vec4 e; vec3 f; "
		"vec2 g; mat3 m; extern number x;\n"
		"dFdx(a) dFdy(b) mix(a, b, t) fract(x) inversesqrt(y)\n"
		"extern bool p; extern uint q; extern int r; "
		"extern float s;";
	apply_type_name_table(text);
	apply_function_name_table(text);
	apply_extern_table(text);
	EXPECT_EQ(text, "bool2 a; bool4 b; int3 c; uint2 d; float4 e; "
			"float3 f; float2 g; mat3 m; uniform float x;\n"
			"ddx(a) ddy(b) lerp(a, b, t) frac(x) rsqrt(y)\n"
			"uniform bool p; uniform uint q; uniform int r; "
			"uniform float s;");
}

TEST(ConvertDeclarations, InsideBlock)
{
	EXPECT_TRUE(is_inside_block("void f() { x; }", 11));
	EXPECT_FALSE(is_inside_block("void f() { x; }", 0));
	EXPECT_FALSE(is_inside_block("a { } b { { } }", 0));
	EXPECT_TRUE(is_inside_block("a { {", 0)); // never closed
	EXPECT_FALSE(is_inside_block("abc", 10));
}

TEST(ConvertDeclarations, FileLevelVariablesBecomeUniforms)
{
	EXPECT_EQ(globals("float a, b;"),
		  "uniform float a;\nuniform float  b;");
	EXPECT_EQ(globals("float x = 1.0;"), "uniform float x = 1.0;");
	EXPECT_EQ(globals("float3 c = x;\nint2 i;\nbool b;"),
		  "uniform float3 c = x;\nuniform int2 i;\nuniform bool b;");
	EXPECT_EQ(globals("uint u;"), "uniform uint u;");
	// "uniform " goes right after the character before the spaces.
	EXPECT_EQ(globals("x = 1; float y;"), "x = 1;uniform  float y;");
}

TEST(ConvertDeclarations, QualifiedListsAreSplitWithTheirQualifier)
{
	EXPECT_EQ(globals("const float a, b;"),
		  "const float a;\nconst float  b;");
	EXPECT_EQ(globals("uniform float2 a, b, c;"),
		  "uniform float2 a;\nuniform float2  b;\nuniform float2  c;");
}

TEST(ConvertDeclarations, UnchangedOccurrences)
{
	for (const char *text : {
		     "void f() {\n\tfloat x = 1.0;\n}",
		     "const float PI = 3.14;",
		     "uniform float k;",
		     "float f(float a) {\n\treturn a;\n}",
		     "myfloat q;\nuint4 k() {}",
		     "float a == b;",
		     "float2x2 m;",
		     "float",
	     })
		EXPECT_EQ(globals(text), text);
}

TEST(ConvertConstructor, FileLevelInitialisers)
{
	EXPECT_EQ(expanded("uniform float3 c = float3(0.5);", "float3(", 3),
		  "uniform float3 c = {0.5,0.5,0.5};");
	EXPECT_EQ(expanded("uniform float x = float(2);", "float(", 1),
		  "uniform float x = 2;");
	EXPECT_EQ(expanded("mat2 m = mat2(1.0);", "mat2(", 4),
		  "uniform mat2 m = {1.0,1.0,1.0,1.0};");
	EXPECT_EQ(expanded("const float2 k = float2(3);", "float2(", 2),
		  "const float2 k = {3,3};");
	// Only right after '=' of a declaration of the same type.
	EXPECT_EQ(expanded("uniform float y = asfloat(1);", "float(", 1),
		  "uniform float y = asfloat(1);");
	EXPECT_EQ(expanded("float2 k = float3(3);", "float3(", 3),
		  "float2 k = float3(3,3,3);");
}

TEST(ConvertConstructor, LiteralsAndSwizzles)
{
	EXPECT_EQ(expanded("void f() { a = float3(0.5); b = float3(0.5); }",
			   "float3(", 3),
		  "void f() { a = float3(0.5,0.5,0.5); b = "
		  "float3(0.5,0.5,0.5); }");
	EXPECT_EQ(expanded("void f() { a = float3( 1.0 ); }", "float3(", 3),
		  "void f() { a = float3( 1.0 , 1.0 , 1.0 ); }");
	EXPECT_EQ(expanded("void f() { a = float3(v.x); b = float3(v.xy, 1.0); "
			   "c = float3(v.xy); }",
			   "float3(", 3),
		  "void f() { a = float3(v.x,v.x,v.x); b = float3(v.xy, 1.0); "
		  "c = float3(v.xy); }");
}

TEST(ConvertConstructor, IdentifiersNeedAKnownScalar)
{
	const std::string use = "\nvoid f() { a = float3(k); }";
	const std::string done = "\nvoid f() { a = float3(k,k,k); }";
	EXPECT_EQ(expanded("float k;" + use, "float3(", 3), "float k;" + done);
	EXPECT_EQ(expanded("int k;" + use, "float3(", 3), "int k;" + done);
	EXPECT_EQ(expanded("#define k 3" + use, "float3(", 3),
		  "#define k 3" + done);
	EXPECT_EQ(expanded("float3 k;" + use, "float3(", 3), "float3 k;" + use);
	EXPECT_EQ(expanded("#define k(x) 3" + use, "float3(", 3),
		  "#define k(x) 3" + use);
	EXPECT_EQ(expanded("float kk;" + use, "float3(", 3), "float kk;" + use);
}

TEST(ConvertConstructor, Calls)
{
	EXPECT_EQ(expanded("void f() { a = float3(length(p)); }", "float3(", 3),
		  "void f() { a = float3(length(p),length(p),length(p)); }");
	EXPECT_EQ(expanded("float t; void f() { a = float3(sin(t)); }",
			   "float3(", 3),
		  "float t; void f() { a = float3(sin(t),sin(t),sin(t)); }");
	EXPECT_EQ(expanded("void f() { a = float3(sin(t)); }", "float3(", 3),
		  "void f() { a = float3(sin(t)); }");
	const std::string helper = "float myfunc(float x) { return x; }\n";
	EXPECT_EQ(expanded(helper + "void f() { a = float2(myfunc(x)); }",
			   "float2(", 2),
		  helper + "void f() { a = float2(myfunc(x),myfunc(x)); }");
	EXPECT_EQ(expanded("void f() { a = float2(myfunc(x)); }", "float2(", 2),
		  "void f() { a = float2(myfunc(x)); }");
}

TEST(ConvertConstructor, UnclosedCallIsExpandedOnce)
{
	// Scanned to the end of the text and expanded with the rest of the
	// text as its argument, once: the copies are not searched again.
	EXPECT_EQ(expanded("void f() { a = float3(0.5", "float3(", 3),
		  "void f() { a = float3(0.5,0.5,0.5)");
	EXPECT_EQ(expanded("x = float3(length(float3(length(", "float3(", 3),
		  "x = float3(length(float3(length(,length(float3(length(,"
		  "length(float3(length()");
}

TEST(ConvertConstructor, GrowthStopsAtTheSizeLimit)
{
	EXPECT_EQ(expanded("void f() { a = float3(0.5); }", "float3(", 3, 30),
		  "void f() { a = float3(0.5); }");

	// Nested one-argument calls multiply the text with every level.
	std::string nested = "void f() { a = ";
	for (int i = 0; i < 40; i++)
		nested += "float4(length(";
	nested += "1" + std::string(80, ')') + "; }";
	const size_t limit = 64 * 1024;
	const std::string text = expanded(nested, "float4(", 4, limit);
	EXPECT_LE(text.size(), limit);
	EXPECT_GT(text.size(), nested.size());
}
