// The main function: its form, its signature, and the names of its colour
// output and pixel coordinate.
#include "convert-conversion.h"

#include <algorithm>
#include <iterator>

using namespace convert_text;

const char *const MAIN_HEADER = "float4 mainImage(VertData v_in) : TARGET";

namespace {

// Where the names read by the driver end.
constexpr ByteSet PARAMETER_NAME_END("\t\n), ");
constexpr ByteSet DECLARED_NAME_END("\t\n(),; ");

// In the order they are looked for (the order of Form): the first that
// occurs wins. In the forms with parameters the output name follows the
// marker after one blank: the name skip is the marker's length plus one.
const std::string_view main_markers[] = {
	"void mainImage(out vec4",
	"void mainImage( out vec4",
	"void main()",
	"vec4 effect(vec4",
};

size_t name_skip(Form form)
{
	return main_markers[size_t(form)].size() + 1;
}

// Occurrences of the coordinate's name that start this far or less after
// the main offset keep their name: they lie in the signature written there.
constexpr size_t HEADER_NAME_REACH = 24;

// "out vec4 " before an output variable's name.
constexpr std::string_view OUT_VEC4 = "out vec4";

// Where the pixel-coordinate parameter's name starts, after the ',' that
// follows the output name.
size_t coordinate_name_start(const Text &text, size_t comma)
{
	const size_t s = skip_spaces(text, comma + 1);
	const size_t close = find_char(text, ')', s);
	const size_t in_vec2 = find_from(text, "in vec2 ", s);
	if (close != npos && in_vec2 != npos && in_vec2 < close)
		return in_vec2 + 8;
	const size_t vec2 = find_from(text, "vec2 ", s);
	if (close != npos && vec2 != npos && vec2 < close)
		return vec2 + 5;
	size_t p = s;
	if (text_at(text, p, "in") && is_space_char(char_at(text, p + 2)))
		p += 3;
	p = skip_spaces(text, p);
	if (text_at(text, p, "vec2") && is_space_char(char_at(text, p + 4)))
		p += 5;
	return p;
}

} // namespace

bool detect_main_form(Conversion &c)
{
	for (size_t i = 0; i < std::size(main_markers); i++) {
		const size_t at = find_from(c.text, main_markers[i], 0);
		if (at != npos) {
			c.form = Form(i);
			c.main_offset = at;
			return true;
		}
	}
	return false;
}

// Plain GLSL: "void main()" and gl_FragColor or an "out vec4" variable.
void convert_glsl_main(Conversion &c)
{
	replace_all(c.text, main_markers[size_t(Form::glsl)], MAIN_HEADER);

	if (c.text.find("varying vec2 position;") != npos) {
		c.input_name = "position";
		c.coordinates = Coordinates::texture;
	} else if (c.text.find("varying vec2 pos;") != npos) {
		c.input_name = "pos";
		c.coordinates = Coordinates::texture;
	} else if (c.text.find("fNormal") != npos) {
		c.input_name = "fNormal";
		c.coordinates = Coordinates::normal;
	} else {
		c.input_name = "gl_FragCoord";
		c.coordinates = Coordinates::pixels;
	}

	const size_t out = c.text.find(OUT_VEC4);
	if (out == npos) {
		c.output_name = "gl_FragColor";
		return;
	}
	const size_t start = skip_spaces(c.text, out + OUT_VEC4.size() + 1);
	const size_t end = name_end(c.text, start, DECLARED_NAME_END);
	c.output_name = take(c.text, start, end);
	const size_t semicolon = skip_spaces(c.text, end);
	if (char_at(c.text, semicolon) == ';')
		remove_at(c.text, out, semicolon + 1 - out);
}

// Shadertoy and LOVE: the output and coordinate parameters are read from
// the parameter list, which is then replaced by the effect's signature.
bool convert_parameter_main(Conversion &c)
{
	c.coordinates = c.form == Form::love ? Coordinates::texture
					     : Coordinates::pixels;

	const size_t output_start = skip_spaces(
		c.text,
		std::min(c.main_offset + name_skip(c.form), c.text.size()));
	const size_t output_end =
		name_end(c.text, output_start, PARAMETER_NAME_END);
	c.output_name = take(c.text, output_start, output_end);

	const size_t comma = find_char(c.text, ',', output_end);
	if (comma == npos)
		return false;
	const size_t input_start =
		skip_spaces(c.text, coordinate_name_start(c.text, comma));
	const size_t input_end =
		name_end(c.text, input_start, PARAMETER_NAME_END);
	c.input_name = take(c.text, input_start, input_end);

	const size_t close = find_char(c.text, ')', input_end);
	remove_at(c.text, c.main_offset,
		  close == npos ? npos : close + 1 - c.main_offset);
	insert_at(c.text, c.main_offset, MAIN_HEADER);
	return true;
}

void rename_input_variable(Conversion &c)
{
	const std::string &name = c.input_name;
	if (name.empty() || name == "fragCoord")
		return;
	if (name.find("fragCoord") != npos) {
		replace_all(c.text, name, "fragCoord");
		return;
	}
	const bool skip_header = c.form != Form::glsl;
	// The renamed text is built in one pass: out holds the text before
	// the occurrence looked at, as edited so far.
	Text out;
	out.reserve(c.text.size());
	size_t copied = 0;
	// Ends: the search resumes past each occurrence.
	for (size_t n; (n = find_from(c.text, name, copied)) != npos;) {
		out.append(c.text, copied, n - copied);
		copied = n + name.size();
		const size_t at = out.size(); // n in the edited text
		const bool passed_over =
			(skip_header && at >= c.main_offset &&
			 at <= c.main_offset + HEADER_NAME_REACH) ||
			(!out.empty() && is_ident_char(out.back())) ||
			is_ident_char(char_at(c.text, copied));
		out.append(passed_over ? name : std::string("fragCoord"));
	}
	out.append(c.text, copied, npos);
	c.text.swap(out);
}


namespace {

// Inserts a statement at the start of the main function's body; false
// when there is no body.
bool insert_in_main(Text &text, const std::string &statement, size_t *at)
{
	const size_t header = text.find(MAIN_HEADER);
	const size_t brace =
		header == npos ? npos : find_char(text, '{', header);
	if (brace == npos)
		return false;
	insert_at(text, brace + 1, statement);
	*at = brace + 1 + statement.size();
	return true;
}

bool used_after(const Text &text, const std::string &name, size_t from)
{
	for (size_t at = find_from(text, name, from); at != npos;
	     at = find_from(text, name, at + name.size()))
		if (!ident_before(text, at) &&
		    !is_ident_char(char_at(text, at + name.size())))
			return true;
	return false;
}

} // namespace

void make_inputs_local(Conversion &c)
{
	size_t body = 0;
	if (c.form == Form::love) {
		// LOVE's first parameter is the colour it draws with, white
		// unless a program sets another.
		const std::string &colour = c.output_name;
		if (!colour.empty() && used_after(c.text, colour, c.main_offset))
			insert_in_main(c.text,
				       "\n\tvec4 " + colour + " = vec4(1.0);",
				       &body);
		return;
	}
	// A pixel coordinate the text changes ("U = U / R") cannot stay the
	// host's expression: a local copy named pixelCoord takes its place.
	if (c.form == Form::glsl || !is_assigned(c.text, "fragCoord", 0, 0) ||
	    !insert_in_main(c.text, "\n\tvec2 pixelCoord = fragCoord;", &body))
		return;
	for (size_t at = find_from(c.text, "fragCoord", body); at != npos;
	     at = find_from(c.text, "fragCoord", at + 10))
		if (!ident_before(c.text, at) &&
		    !is_ident_char(char_at(c.text, at + 9)))
			c.text.replace(at, 9, "pixelCoord");
}
