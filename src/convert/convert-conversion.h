// The working state of one conversion and the rules that read or write more
// than the text: the main function's form, its names, the coordinate kind
// and the prelude. convert_shader (convert-driver.cpp) runs them in order.
#pragma once

#include "convert-rules.h"

#include <string>

// The main function forms, in the order their markers are looked for.
enum class Form { shadertoy, shadertoy_spaced, glsl, love };

// What the pixel coordinate of the source text holds.
enum class Coordinates {
	pixels,  // fragCoord / gl_FragCoord: pixels of the frame
	texture, // a texture coordinate from 0 to 1 (LOVE, "varying vec2 pos")
	normal,  // fNormal: a three-component vector whose xy is the coordinate
};

struct Conversion {
	Text text;
	Form form = Form::shadertoy;
	size_t main_offset = 0; // where the marker was found, never moved
	Coordinates coordinates = Coordinates::pixels;
	std::string output_name;
	std::string input_name;
	std::string prelude;
};

// The signature every converted main function gets.
extern const char *const MAIN_HEADER;

// Spellings brought to the ones the rules expect (convert-normalize.cpp):
// a byte-order mark goes, main functions with other blanks or qualifiers
// are spelled as the markers; precision statements are commented out and
// precision qualifiers dropped.
void normalize_spellings(Text &text);
void convert_precision(Text &text);

// Main function (convert-main.cpp). detect_main_form is false when no
// marker occurs; convert_parameter_main when the parameter list has no
// coordinate parameter.
bool detect_main_form(Conversion &c);
void convert_glsl_main(Conversion &c);
bool convert_parameter_main(Conversion &c);
void rename_input_variable(Conversion &c);
// A pixel coordinate the text writes to becomes a local copy, and LOVE's
// colour parameter a local white.
void make_inputs_local(Conversion &c);

// Preprocessor lines (convert-preprocessor.cpp): "#if 0" blocks go (their
// "#else" text stays), "#if 1" blocks keep their first branch, and
// "#if defined(NAME)" lines become "#ifdef NAME ".
void remove_disabled_blocks(Text &text);
void keep_enabled_blocks(Text &text);
void convert_if_defined(Text &text);
// A macro that came to bear a template uniform's name gets its own.
void rename_reserved_macros(Text &text);

// Coordinates, frame size and time (convert-tables.cpp).
void map_coordinates(Conversion &c);
void map_size_and_time(Text &text);
// iGlobalTime, iChannelTime[] and iChannelResolution[] as the inputs the
// host has.
void map_shadertoy_inputs(Text &text);

// Declarations (convert-globals.cpp): file-level constants, variables and
// arrays the host's effect parser cannot keep, and array constructors.
void convert_file_level_declarations(Text &text);
// name is written to ("name =", "name.x +=", "name++", ...) outside the
// offsets skip_from to skip_to.
bool is_assigned(const Text &text, const std::string &name, size_t skip_from,
		 size_t skip_to);
void convert_array_constructors(Text &text);

// Matrices (convert-matrix.cpp): calls of functions returning a matrix in
// products, and constructors as GLSL fills them.
void convert_matrix_functions(Text &text);
void convert_matrix_constructors(Text &text);

// The prelude (convert-prelude.cpp): definitions the Direct3D compiler
// needs and the uniforms the text uses without declaring them; it is put in
// front of the text only when it holds more than its empty frame.
void build_prelude(Conversion &c);
bool prelude_has_content(const Conversion &c);

// Texture sampling (convert-sampling.cpp): the first sampled texture
// becomes the filter input, every other one a texture uniform. size_limit
// bounds the growth of the text.
void convert_texture_sampling(Conversion &c, size_t size_limit);
// Before it: the text's own texture declarations go, texelFetch's
// arguments are made Load's, and helpers taking a texture are copied once
// per texture their calls pass.
void convert_sampler_parameters(Text &text);
