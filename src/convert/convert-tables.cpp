// The fixed name tables of the conversion.
#include "convert-conversion.h"

#include <algorithm>
#include <iterator>

using convert_text::npos;
using convert_text::Replacement;
using convert_text::replace_all;
using convert_text::replace_each;

namespace {

// Prefixed names come before the plain ones, so that "bvec2" does not
// become "bfloat2". Matrix names stay: the prelude defines them.
const Replacement type_names[] = {
	{"bvec2", "bool2"},      {"bvec3", "bool3"}, {"bvec4", "bool4"},
	{"ivec4", "int4"},       {"ivec3", "int3"},  {"ivec2", "int2"},
	{"uvec4", "uint4"},      {"uvec3", "uint3"}, {"uvec2", "uint2"},
	{"vec4", "float4"},      {"vec3", "float3"}, {"vec2", "float2"},
	{" number ", " float "},
};

const Replacement function_names[] = {
	{"dFdx(", "ddx("},   {"dFdy(", "ddy("},          {"mix(", "lerp("},
	{"fract(", "frac("}, {"inversesqrt(", "rsqrt("},
};

const Replacement extern_names[] = {
	{"extern bool", "uniform bool"},
	{"extern uint", "uniform uint"},
	{"extern int", "uniform int"},
	{"extern float", "uniform float"},
};

const char *const scalar_returning[] = {
	"length",   "float",     "uint",         "int",         "asfloat",
	"asdouble", "asint",     "asuint",       "determinant", "distance",
	"dot",      "countbits", "firstbithigh", "firstbitlow", "reversebits",
};

const char *const component_wise[] = {
	"abs",     "acos",      "asin",       "atan",     "atan2", "ceil",
	"clamp",   "cos",       "cosh",       "ddx",      "ddy",   "degrees",
	"exp",     "exp2",      "floor",      "fma",      "fmod",  "frac",
	"frexp",   "fwidth",    "ldexp",      "lerp",     "log",   "log10",
	"log2",    "mad",       "max",        "min",      "modf",  "mod",
	"mul",     "normalize", "pow",        "radians",  "rcp",   "reflect",
	"refract", "round",     "rsqrt",      "saturate", "sign",  "sin",
	"sincos",  "sinh",      "smoothstep", "sqrt",     "step",  "tan",
	"tanh",    "transpose", "trunc",
};

const Replacement screen_coordinates[] = {
	{"fragCoord.xy/iResolution.xy", "v_in.uv"},
	{"fragCoord.xy / iResolution.xy", "v_in.uv"},
	{"fragCoord/iResolution.xy", "v_in.uv"},
	{"fragCoord / iResolution.xy", "v_in.uv"},
	{"fragCoord", "(v_in.uv * uv_size)"},
	{"gl_FragCoord.xy/iResolution.xy", "v_in.uv"},
	{"gl_FragCoord.xy / iResolution.xy", "v_in.uv"},
	{"gl_FragCoord/iResolution.xy", "v_in.uv"},
	{"gl_FragCoord / iResolution.xy", "v_in.uv"},
	{"gl_FragCoord", "(v_in.uv * uv_size)"},
};

const Replacement normal_coordinates[] = {
	{"fragCoord.xy", "v_in.uv"},
	{"fragCoord", "float3(v_in.uv,0.0)"},
};

const Replacement frame_sizes[] = {
	{"love_ScreenSize", "uv_size"},
	{"u_resolution", "uv_size"},
	{"uResolution", "uv_size"},
	{"iResolution.xyz", "float3(uv_size,0.0)"},
	{"iResolution.xy", "uv_size"},
	{"iResolution.x", "uv_size.x"},
	{"iResolution.y", "uv_size.y"},
	{"iResolution", "float4(uv_size,uv_pixel_interval)"},
	{"uniform vec2 uv_size;", ""},
};

static_assert(std::size(scalar_returning) == 15, "15 scalar-returning names");
static_assert(std::size(component_wise) == 51, "51 component-wise names");

template <size_t N>
bool listed(std::string_view identifier, const char *const (&list)[N])
{
	return std::any_of(
		std::begin(list), std::end(list),
		[&](const char *name) { return identifier == name; });
}

} // namespace

void apply_type_name_table(Text &text)
{
	replace_each(text, type_names);
}

void apply_function_name_table(Text &text)
{
	replace_each(text, function_names);
}

void apply_extern_table(Text &text)
{
	replace_each(text, extern_names);
}

bool is_scalar_returning(std::string_view identifier)
{
	return listed(identifier, scalar_returning);
}

bool is_component_wise(std::string_view identifier)
{
	return listed(identifier, component_wise);
}

void map_coordinates(Conversion &c)
{
	switch (c.coordinates) {
	case Coordinates::texture:
		replace_all(c.text, "fragCoord", "v_in.uv");
		break;
	case Coordinates::normal:
		replace_each(c.text, normal_coordinates);
		break;
	case Coordinates::pixels:
		replace_each(c.text, screen_coordinates);
		break;
	}
}

void map_size_and_time(Text &text)
{
	replace_each(text, frame_sizes);
	const char *time_name = "time";
	for (const char *name : {"iTime", "uTime", "u_time"}) {
		if (text.find(name) != npos) {
			time_name = name;
			break;
		}
	}
	replace_all(text, time_name, "elapsed_time");
	replace_all(text, "uniform float elapsed_time;", "");
	replace_all(text, "iDate.w", "local_time");
}


void map_shadertoy_inputs(Text &text)
{
	// iGlobalTime is iTime's older name. A channel's time is the frame's
	// time, its resolution the frame size (the host gives every texture
	// at the filter's size or as the texture's own).
	replace_all(text, "iGlobalTime", "iTime");
	// GLSL sandbox's frame size: the name the frame-size table knows.
	if (text.find("uniform vec2 resolution;") != npos) {
		for (size_t at = text.find("resolution"); at != npos;
		     at = text.find("resolution", at + 12)) {
			if (convert_text::ident_before(text, at) ||
			    convert_text::is_ident_char(
				    convert_text::char_at(text, at + 10)))
				continue;
			text.insert(at, "u_");
		}
	}
	for (const auto &[array, by] :
	     {std::pair{"iChannelTime[", "elapsed_time"},
	      {"iChannelResolution[", "float3(uv_size,1.0)"}}) {
		for (size_t at = text.find(array); at != npos;
		     at = text.find(array, at)) {
			const size_t close = text.find(']', at);
			if (close == npos)
				break;
			text.replace(at, close + 1 - at, by);
		}
	}
}
