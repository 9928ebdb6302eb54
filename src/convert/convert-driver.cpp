// The conversion driver: a fixed sequence of text passes over one working
// text. Each pass sees the text as the earlier ones left it.
#include "shader-convert.h"

#include "convert-conversion.h"

using namespace convert_text;

namespace {

// How much the passes that copy text (constructor expansion, texture
// sampling) may grow the working text: far more than any real shader
// needs, and small enough that nested one-argument constructors, which
// multiply the text with every level, stop long before memory runs out.
size_t growth_limit(const Text &text)
{
	return 2 * text.size() + 4096;
}

bool is_blank(const Text &text)
{
	return text.find_first_not_of(" \t\r\n") == Text::npos;
}

struct Constructor {
	const char *name;
	int count;
};

// Matrix constructors are not expanded: one number is GLSL's diagonal
// matrix (convert_matrix_constructors).
const Constructor constructors[] = {
	{"bool(", 1},  {"bool2(", 2},  {"bool3(", 3},  {"bool4(", 4},
	{"uint(", 1},  {"uint2(", 2},  {"uint3(", 3},  {"uint4(", 4},
	{"int(", 1},   {"int2(", 2},   {"int3(", 3},   {"int4(", 4},
	{"float(", 1}, {"float2(", 2}, {"float3(", 3}, {"float4(", 4},
};

} // namespace

ConvertResult convert_shader(const std::string &shader_text)
{
	ConvertResult result;
	Conversion c;
	c.text = shader_text.substr(0, shader_text.find('\0'));
	normalize_spellings(c.text);

	if (!detect_main_form(c)) {
		result.status = ConvertStatus::no_main_function;
		return result;
	}
	if (c.form == Form::glsl) {
		convert_glsl_main(c);
	} else if (!convert_parameter_main(c)) {
		result.status = ConvertStatus::no_coordinate_parameter;
		return result;
	}
	// LOVE's first parameter is an input: its result is the return.
	if (c.form != Form::love)
		convert_output_variable(c.text, c.output_name, c.main_offset);
	rename_input_variable(c);
	make_inputs_local(c);

	remove_disabled_blocks(c.text);
	if (is_blank(c.text)) {
		result.status = ConvertStatus::nothing_left;
		return result;
	}
	keep_enabled_blocks(c.text);
	replace_all(c.text, "varying vec3", "//varying vec3");
	// The input variable's own declaration ("varying vec2 pos;") would read
	// "varying float2 v_in.uv;" after the coordinate mapping, which no
	// effect compiles.
	replace_all(c.text, "varying vec2", "//varying vec2");
	replace_all(c.text, "precision highp float;",
		    "//precision highp float;");
	convert_precision(c.text);
	convert_sampler_parameters(c.text);

	map_coordinates(c);
	map_shadertoy_inputs(c.text);
	map_size_and_time(c.text);
	apply_type_name_table(c.text);
	apply_function_name_table(c.text);
	apply_extern_table(c.text);
	// LOVE declares its time as "extern number time": the declaration
	// of a template uniform goes as it did before the extern table.
	replace_all(c.text, "uniform float elapsed_time;", "");

	for (const char *type : {"bool", "uint", "int", "float"})
		convert_global_declarations(c.text, type);
	const size_t size_limit = growth_limit(c.text);
	for (const Constructor &constructor : constructors)
		expand_constructor(c.text, constructor.name, constructor.count,
				   size_limit);
	convert_atan(c.text);
	for (const char *type : {"mat2", "mat3", "mat4"})
		convert_matrix_type(c.text, type);
	convert_matrix_functions(c.text);
	convert_file_level_declarations(c.text);
	convert_array_constructors(c.text);
	convert_matrix_constructors(c.text);

	replace_all(c.text, "point(", "point2(");
	replace_all(c.text, "line(", "line2(");
	replace_all(c.text, "#version ", "//#version ");
	convert_if_defined(c.text);
	for (const char *pi : {"acos(-1.0)", "acos(-1.)", "acos(-1)"})
		replace_all(c.text, pi, "3.14159265359");

	rename_reserved_macros(c.text);
	build_prelude(c);
	convert_texture_sampling(c, growth_limit(c.text));
	if (prelude_has_content(c))
		c.text.insert(0, c.prelude);

	result.status = ConvertStatus::converted;
	result.text = std::move(c.text);
	return result;
}

const char *convert_status_message(ConvertStatus status)
{
	switch (status) {
	case ConvertStatus::converted:
		return "converted";
	case ConvertStatus::no_main_function:
		return "no known main function: the text has none of "
		       "\"void mainImage(out vec4\", "
		       "\"void mainImage( out vec4\", "
		       "\"void main()\", \"vec4 effect(vec4\"";
	case ConvertStatus::no_coordinate_parameter:
		return "the main function's parameter list has no ',' after "
		       "the colour output, so there is no pixel-coordinate "
		       "parameter";
	case ConvertStatus::nothing_left:
		return "nothing is left to convert: the whole text lies inside "
		       "an \"#if 0\" block";
	}
	return "unknown status";
}
