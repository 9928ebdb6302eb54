// Name tables, file-level declarations and constructor expansion.
#include "convert-rules.h"
#include "rewrites.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void globals(std::string &text)
{
	for (const char *type : {"bool", "uint", "int", "float"})
		convert_global_declarations(text, type);
}

std::function<void(std::string &)> expand(const char *constructor, int count,
					  size_t limit = NO_SIZE_LIMIT)
{
	return [=](std::string &text) {
		expand_constructor(text, constructor, count, limit);
	};
}

} // namespace

TEST(ConvertTables, TypeFunctionAndExternNames)
{
	expect_rewrites(
		[](std::string &text) {
			apply_type_name_table(text);
			apply_function_name_table(text);
			apply_extern_table(text);
		},
		{{"bvec2 a; bvec4 b; ivec3 c; uvec2 d; vec4 e; vec3 f; "
		  "vec2 g; mat3 m; extern number x;\n"
		  "dFdx(a) dFdy(b) mix(a, b, t) fract(x) inversesqrt(y)\n"
		  "extern bool p; extern uint q; extern int r; extern float s;",
		  "bool2 a; bool4 b; int3 c; uint2 d; float4 e; float3 f; "
		  "float2 g; mat3 m; uniform float x;\n"
		  "ddx(a) ddy(b) lerp(a, b, t) frac(x) rsqrt(y)\n"
		  "uniform bool p; uniform uint q; uniform int r; "
		  "uniform float s;"}});
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
	expect_rewrites(globals, {
		{"float a, b;", "uniform float a;\nuniform float  b;"},
		{"float x = 1.0;", "uniform float x = 1.0;"},
		{"float3 c = x;\nint2 i;\nbool b;",
		 "uniform float3 c = x;\nuniform int2 i;\nuniform bool b;"},
		{"uint u;", "uniform uint u;"},
		// "uniform " goes right after the character before the spaces.
		{"x = 1; float y;", "x = 1;uniform  float y;"},
		// Qualified lists are split with their qualifier.
		{"const float a, b;", "const float a;\nconst float  b;"},
		{"uniform float2 a, b, c;",
		 "uniform float2 a;\nuniform float2  b;\nuniform float2  c;"},
	});
	for (const char *unchanged :
	     {"void f() {\n\tfloat x = 1.0;\n}", "const float PI = 3.14;",
	      "uniform float k;", "float f(float a) {\n\treturn a;\n}",
	      "myfloat q;\nuint4 k() {}", "float a == b;", "float2x2 m;",
	      "float"})
		expect_rewrites(globals, {{unchanged, unchanged}});
}

TEST(ConvertConstructor, FileLevelInitialisers)
{
	expect_rewrites(expand("float3(", 3),
			{{"uniform float3 c = float3(0.5);",
			  "uniform float3 c = {0.5,0.5,0.5};"},
			 // Only after '=' of a declaration of the same type.
			 {"float2 k = float3(3);", "float2 k = float3(3,3,3);"}});
	expect_rewrites(expand("float(", 1),
			{{"uniform float x = float(2);", "uniform float x = 2;"},
			 {"uniform float y = asfloat(1);",
			  "uniform float y = asfloat(1);"}});
	expect_rewrites(expand("mat2(", 4),
			{{"mat2 m = mat2(1.0);",
			  "uniform mat2 m = {1.0,1.0,1.0,1.0};"}});
	expect_rewrites(expand("float2(", 2), {{"const float2 k = float2(3);",
						"const float2 k = {3,3};"}});
}

TEST(ConvertConstructor, LiteralsSwizzlesIdentifiersAndCalls)
{
	const std::string use = "\nvoid f() { a = float3(k); }";
	const std::string done = "\nvoid f() { a = float3(k,k,k); }";
	const std::string helper = "float myfunc(float x) { return x; }\n";
	expect_rewrites(expand("float3(", 3), {
		{"void f() { a = float3(0.5); b = float3(0.5); }",
		 "void f() { a = float3(0.5,0.5,0.5); b = float3(0.5,0.5,0.5); }"},
		{"void f() { a = float3( 1.0 ); }",
		 "void f() { a = float3( 1.0 , 1.0 , 1.0 ); }"},
		{"void f() { a = float3(v.x); b = float3(v.xy, 1.0); "
		 "c = float3(v.xy); }",
		 "void f() { a = float3(v.x,v.x,v.x); b = float3(v.xy, 1.0); "
		 "c = float3(v.xy); }"},
		// An identifier needs to be a known scalar.
		{"float k;" + use, "float k;" + done},
		{"int k;" + use, "int k;" + done},
		{"#define k 3" + use, "#define k 3" + done},
		{"float3 k;" + use, "float3 k;" + use},
		{"#define k(x) 3" + use, "#define k(x) 3" + use},
		{"float kk;" + use, "float kk;" + use},
		// Calls: scalar-returning ones, and component-wise ones of a
		// known scalar.
		{"void f() { a = float3(length(p)); }",
		 "void f() { a = float3(length(p),length(p),length(p)); }"},
		{"float t; void f() { a = float3(sin(t)); }",
		 "float t; void f() { a = float3(sin(t),sin(t),sin(t)); }"},
		{"void f() { a = float3(sin(t)); }",
		 "void f() { a = float3(sin(t)); }"},
	});
	// A function of the text returning a scalar.
	expect_rewrites(expand("float2(", 2), {
		{helper + "void f() { a = float2(myfunc(x)); }",
		 helper + "void f() { a = float2(myfunc(x),myfunc(x)); }"},
		{"void f() { a = float2(myfunc(x)); }",
		 "void f() { a = float2(myfunc(x)); }"},
	});
}

TEST(ConvertConstructor, UnclosedCallsExpandOnceAndGrowthStopsAtTheLimit)
{
	// Scanned to the end of the text and expanded with the rest of the
	// text as its argument, once: the copies are not searched again.
	expect_rewrites(expand("float3(", 3), {
		{"void f() { a = float3(0.5", "void f() { a = float3(0.5,0.5,0.5)"},
		{"x = float3(length(float3(length(",
		 "x = float3(length(float3(length(,length(float3(length(,"
		 "length(float3(length()"},
	});
	expect_rewrites(expand("float3(", 3, 30),
			{{"void f() { a = float3(0.5); }",
			  "void f() { a = float3(0.5); }"}});

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
			std::ostringstream read;
			read << std::ifstream(entry.path(), std::ios::binary).rdbuf();
			std::string text = read.str();
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
