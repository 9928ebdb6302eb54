// Shader conversion: rewrites a Shadertoy ("void mainImage(out vec4 ...)"),
// plain GLSL ("void main()") or LOVE ("vec4 effect(vec4 ...)") fragment
// shader into a pixel function "float4 mainImage(VertData v_in) : TARGET"
// that the matting filter's effect template compiles. Pure text: the
// matting filter's convert button wraps it.
#pragma once

#include <string>
#include <vector>

enum class ConvertStatus {
	converted,
	// None of the four main-function markers occurs in the text.
	no_main_function,
	// Shadertoy or LOVE form whose parameter list has no ',' after the
	// output name, so there is no pixel-coordinate parameter.
	no_coordinate_parameter,
	// Nothing but white space is left after the "#if 0" blocks are
	// removed.
	nothing_left,
};

struct ConvertResult {
	ConvertStatus status = ConvertStatus::no_main_function;
	std::string text; // the converted text when status is converted

	bool converted() const { return status == ConvertStatus::converted; }
};

// Converts shader_text. Only the text up to its first NUL byte is read (the
// host's settings strings end there). On any status but converted, text is
// empty and the caller keeps its text unchanged.
ConvertResult convert_shader(const std::string &shader_text);

// A sentence for a shader author saying why a conversion did not happen.
const char *convert_status_message(ConvertStatus status);

// When the converted text does not build: the constructs of the user's
// shader that the conversion leaves as they are, and those the compilers'
// messages name, as "line N: what: the line's text" of the user's shader.
// converted is the converted text, lines_ahead the lines the filter puts
// in front of it (the effect parser's line numbers count them).
std::vector<std::string> explain_unconverted(
	const std::string &shader, const std::string &converted,
	size_t lines_ahead, const std::vector<std::string> &messages);
