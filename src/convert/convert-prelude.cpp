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
// its trigger ("mod(" is also found in "fmod(").
const Replacement prelude_definitions[] = {
	{"mat2", "#define mat2 float2x2\n"},
	{"mat3", "#define mat3 float3x3\n"},
	{"mat4", "#define mat4 float4x4\n"},
	{"mod(", "#define mod(x,y) (x - y * floor(x / y))\n"},
	{"lessThan(", "#define lessThan(a,b) (a < b)\n"},
	{"greaterThan(", "#define greaterThan(a,b) (a > b)\n"},
};

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
	prelude += PRELUDE_CLOSE;
	if (contains(text, "iMouse") && !contains(text, "float2 iMouse"))
		prelude += IMOUSE_DECLARATION;
	for (const char *name : {"iFrame", "iSampleRate", "iTimeDelta"}) {
		const std::string declared = std::string("float ") + name;
		if (contains(text, name) && !contains(text, declared.c_str()))
			prelude += "uniform " + declared + ";\n";
	}
}


bool prelude_has_content(const Conversion &c)
{
	return c.prelude.size() > strlen(PRELUDE_OPEN) + strlen(PRELUDE_CLOSE);
}
