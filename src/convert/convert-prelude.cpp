// The prelude put in front of the converted text: definitions that only
// the Direct3D compiler needs, and uniforms for the Shadertoy inputs the
// text uses without declaring them.
#include "convert-conversion.h"

#include <cstring>

using namespace convert_text;

namespace {

bool contains(const Text &text, const char *piece)
{
	return text.find(piece) != npos;
}

const char *const IMOUSE_DECLARATION = "uniform float4 iMouse<\n"
				       "string widget_type = \"slider\";\n"
				       "float minimum=0.0;\n"
				       "float maximum=1000.0;\n"
				       "float step=1.0;\n"
				       ">;\n";

// Definitions for the Direct3D compiler, each added when the text contains
// its trigger ("mod(" is also found in "fmod("). GLSL's matrix
// constructors fill columns and HLSL's fill rows: the glsl_matN_ macros
// (written by convert_matrix_constructors) build the matrix GLSL means, so
// that mul() gives the same products on both back ends.
const Replacement prelude_definitions[] = {
	{"mat2", "#define mat2 float2x2\n"},
	{"mat3", "#define mat3 float3x3\n"},
	{"mat4", "#define mat4 float4x4\n"},
	{"mod(", "#define mod(x,y) ((x) - (y) * floor((x) / (y)))\n"},
	{"lessThan(", "#define lessThan(a,b) (a < b)\n"},
	{"greaterThan(", "#define greaterThan(a,b) (a > b)\n"},
	{"lessThanEqual(", "#define lessThanEqual(a,b) (a <= b)\n"},
	{"greaterThanEqual(", "#define greaterThanEqual(a,b) (a >= b)\n"},
	{"notEqual(", "#define notEqual(a,b) (a != b)\n"},
	{"equal(", "#define equal(a,b) (a == b)\n"},
	{"glsl_mat2_s(", "#define glsl_mat2_s(a,b,c,d) float2x2(a,c,b,d)\n"},
	{"glsl_mat2_c(", "#define glsl_mat2_c(a,b) transpose(float2x2(a,b))\n"},
	{"glsl_mat2_d(",
	 "#define glsl_mat2_d(s) float2x2((s),0.0,0.0,(s))\n"},
	{"glsl_mat3_s(", "#define glsl_mat3_s(a,b,c,d,e,f,g,h,i) "
			 "float3x3(a,d,g,b,e,h,c,f,i)\n"},
	{"glsl_mat3_c(",
	 "#define glsl_mat3_c(a,b,c) transpose(float3x3(a,b,c))\n"},
	{"glsl_mat3_d(", "#define glsl_mat3_d(s) "
			 "float3x3((s),0.0,0.0,0.0,(s),0.0,0.0,0.0,(s))\n"},
	{"glsl_mat4_s(",
	 "#define glsl_mat4_s(a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p) "
	 "float4x4(a,e,i,m,b,f,j,n,c,g,k,o,d,h,l,p)\n"},
	{"glsl_mat4_c(",
	 "#define glsl_mat4_c(a,b,c,d) transpose(float4x4(a,b,c,d))\n"},
	{"glsl_mat4_d(", "#define glsl_mat4_d(s) float4x4((s),0.0,0.0,0.0,"
			 "0.0,(s),0.0,0.0,0.0,0.0,(s),0.0,0.0,0.0,0.0,(s))\n"},
};

// Definitions for OpenGL: type names the host's GLSL writer does not
// translate, and the matrix macros as GLSL's own constructors.
const Replacement opengl_definitions[] = {
	{"bool2", "#define bool2 bvec2\n"},
	{"bool3", "#define bool3 bvec3\n"},
	{"bool4", "#define bool4 bvec4\n"},
	{"uint2", "#define uint2 uvec2\n"},
	{"uint3", "#define uint3 uvec3\n"},
	{"uint4", "#define uint4 uvec4\n"},
	{"glsl_mat2_s(", "#define glsl_mat2_s mat2\n"},
	{"glsl_mat2_c(", "#define glsl_mat2_c mat2\n"},
	{"glsl_mat2_d(", "#define glsl_mat2_d mat2\n"},
	{"glsl_mat3_s(", "#define glsl_mat3_s mat3\n"},
	{"glsl_mat3_c(", "#define glsl_mat3_c mat3\n"},
	{"glsl_mat3_d(", "#define glsl_mat3_d mat3\n"},
	{"glsl_mat4_s(", "#define glsl_mat4_s mat4\n"},
	{"glsl_mat4_c(", "#define glsl_mat4_c mat4\n"},
	{"glsl_mat4_d(", "#define glsl_mat4_d mat4\n"},
};

// Shadertoy inputs the host has no uniform for. iDate's year comes from
// the clock uniform as years since 1900, its month from 0 as Shadertoy's.
const Replacement input_definitions[] = {
	{"elapsed_timeDelta", "#define elapsed_timeDelta 0.0166667\n"},
	{"iFrameRate", "#define iFrameRate 60.0\n"},
	{"iDate", "uniform int current_time_year;\n"
		  "uniform int current_time_month;\n"
		  "uniform int current_time_day_of_month;\n"
		  "#define iDate float4(float(current_time_year + 1900), "
		  "float(current_time_month), "
		  "float(current_time_day_of_month), local_time)\n"},
};

// "iFrame" occurs other than as the start of "iFrameRate".
bool uses_frame_count(const Text &text)
{
	size_t frames = 0, rates = 0;
	for (size_t at = text.find("iFrame"); at != npos;
	     at = text.find("iFrame", at + 6)) {
		frames++;
		rates += text.compare(at, 10, "iFrameRate") == 0;
	}
	return frames > rates;
}

const char *const PRELUDE_OPEN = "#ifndef OPENGL\n";
const char *const PRELUDE_CLOSE = "#endif\n";

} // namespace

void build_prelude(Conversion &c)
{
	const Text &text = c.text;
	std::string &prelude = c.prelude;
	prelude = PRELUDE_OPEN;
	for (const Replacement &row : prelude_definitions)
		if (contains(text, row.find))
			prelude += row.by;
	std::string opengl;
	for (const Replacement &row : opengl_definitions)
		if (contains(text, row.find))
			opengl += row.by;
	if (!opengl.empty())
		prelude += "#else\n" + opengl;
	prelude += PRELUDE_CLOSE;
	if (contains(text, "iMouse") && !contains(text, "float2 iMouse"))
		prelude += IMOUSE_DECLARATION;
	for (const char *name : {"iFrame", "iSampleRate", "iTimeDelta"}) {
		const std::string declared = std::string("float ") + name;
		if (contains(text, name) && !contains(text, declared.c_str()) &&
		    (name[1] != 'F' || uses_frame_count(text)))
			prelude += "uniform " + declared + ";\n";
	}
	for (const Replacement &row : input_definitions)
		if (contains(text, row.find))
			prelude += row.by;
}


bool prelude_has_content(const Conversion &c)
{
	return c.prelude.size() > strlen(PRELUDE_OPEN) + strlen(PRELUDE_CLOSE);
}
