// The conversion driver: a fixed sequence of text passes over one working
// text. Each pass sees the text as the earlier ones left it.
#include "shader-convert.h"

#include "convert-rules.h"

#include <algorithm>
#include <cstring>
#include <iterator>

using namespace convert_text;

namespace {

const char *const MAIN_HEADER = "float4 mainImage(VertData v_in) : TARGET";

// Occurrences of the coordinate's name up to this far after the main offset
// are taken for the parameter list and keep their name.
constexpr size_t HEADER_NAME_REACH = 24;

// Where the names read by the driver end.
constexpr ByteSet PARAMETER_NAME_END("\t\n), ");
constexpr ByteSet DECLARED_NAME_END("\t\n(),; ");

struct MainMarker {
	const char *marker;
	size_t name_skip; // from the marker to the output name
};

// In the order they are looked for: the first that occurs wins.
const MainMarker main_markers[] = {
	{"void mainImage(out vec4", 24},
	{"void mainImage( out vec4", 25},
	{"void main()", 0},
	{"vec4 effect(vec4", 17},
};

enum class Form { shadertoy, shadertoy_spaced, glsl, love };

struct Conversion {
	Text text;
	Form form = Form::shadertoy;
	size_t main_offset = 0;
	int coordinate_kind = 0;
	std::string output_name;
	std::string input_name;
	std::string prelude;
};

// How much the passes that copy text (constructor expansion, texture
// sampling) may grow the working text: far more than any real shader
// needs, and small enough that nested one-argument constructors, which
// multiply the text with every level, stop long before memory runs out.
size_t growth_limit(const Text &text)
{
	return 2 * text.size() + 4096;
}

bool detect_main_form(Conversion &c)
{
	for (size_t i = 0; i < std::size(main_markers); i++) {
		const size_t at = find_from(c.text, main_markers[i].marker, 0);
		if (at != npos) {
			c.form = Form(i);
			c.main_offset = at;
			return true;
		}
	}
	return false;
}

std::string take(const Text &text, size_t start, size_t end)
{
	return text.substr(start, end - start);
}

// Plain GLSL: "void main()" and gl_FragColor or an "out vec4" variable.
void convert_glsl_main(Conversion &c)
{
	replace_all(c.text, "void main()", MAIN_HEADER);

	if (c.text.find("varying vec2 position;") != npos) {
		c.input_name = "position";
		c.coordinate_kind = 1;
	} else if (c.text.find("varying vec2 pos;") != npos) {
		c.input_name = "pos";
		c.coordinate_kind = 1;
	} else if (c.text.find("fNormal") != npos) {
		c.input_name = "fNormal";
		c.coordinate_kind = 2;
	} else {
		c.input_name = "gl_FragCoord";
		c.coordinate_kind = 0;
	}

	const size_t out = c.text.find("out vec4");
	if (out == npos) {
		c.output_name = "gl_FragColor";
		return;
	}
	const size_t start = skip_spaces(c.text, out + 9);
	const size_t end = name_end(c.text, start, DECLARED_NAME_END);
	c.output_name = take(c.text, start, end);
	const size_t semicolon = skip_spaces(c.text, end);
	if (char_at(c.text, semicolon) == ';')
		remove_at(c.text, out, semicolon + 1 - out);
}

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

// Shadertoy and LOVE: the output and coordinate parameters are read from
// the parameter list, which is then replaced by the effect's signature.
bool convert_parameter_main(Conversion &c, size_t name_skip)
{
	c.coordinate_kind = c.form == Form::love ? 1 : 0;

	const size_t output_start = skip_spaces(
		c.text, std::min(c.main_offset + name_skip, c.text.size()));
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

// "#if 0" blocks go; their "#else" text stays, and an "#elif X" becomes
// "#if X". Nesting is not tracked.
bool is_blank(const Text &text)
{
	return text.find_first_not_of(" \t\r\n") == Text::npos;
}

void remove_disabled_blocks(Text &text)
{
	size_t from = 0;
	// Ends: every turn shortens the text ("#elif" case: 5 + at least 5
	// bytes removed, 3 inserted; the others remove at least 11).
	for (size_t o; (o = find_from(text, "#if 0", from)) != npos;) {
		const size_t e = find_from(text, "#endif", o);
		const size_t l = find_from(text, "#else", o);
		const size_t f = find_from(text, "#elif", o);
		if (e == npos)
			return;
		if (f != npos && f < e && (l == npos || f < l)) {
			remove_at(text, o, f + 5 - o);
			insert_at(text, o, "#if");
			from = o + 3;
		} else if (l != npos && l < e) {
			remove_at(text, e, 6);
			remove_at(text, o, l + 5 - o);
			from = o;
		} else {
			remove_at(text, o, e + 6 - o);
			from = o;
		}
	}
}

// "#if 1" blocks keep their first branch; the "#if 1" line is emptied.
void keep_enabled_blocks(Text &text)
{
	size_t from = 0;
	// Ends: every turn removes at least the 6 bytes of an "#endif".
	for (size_t o; (o = find_from(text, "#if 1", from)) != npos;) {
		const size_t e = find_from(text, "#endif", o);
		const size_t l = find_from(text, "#el", o);
		if (e == npos)
			return;
		if (l != npos && l < e)
			remove_at(text, l, e + 6 - l);
		else
			remove_at(text, e, 6);
		const size_t line_end = find_char(text, '\n', o);
		if (line_end != npos)
			remove_at(text, o, line_end - o);
		from = o;
	}
}

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

void map_coordinates(Conversion &c)
{
	if (c.coordinate_kind == 1)
		replace_all(c.text, "fragCoord", "v_in.uv");
	else if (c.coordinate_kind == 2)
		replace_each(c.text, normal_coordinates);
	else
		replace_each(c.text, screen_coordinates);
}

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

struct Constructor {
	const char *name;
	int count;
};

const Constructor constructors[] = {
	{"bool(", 1},  {"bool2(", 2},  {"bool3(", 3},  {"bool4(", 4},
	{"uint(", 1},  {"uint2(", 2},  {"uint3(", 3},  {"uint4(", 4},
	{"int(", 1},   {"int2(", 2},   {"int3(", 3},   {"int4(", 4},
	{"float(", 1}, {"float2(", 2}, {"float3(", 3}, {"float4(", 4},
	{"mat2(", 4},  {"mat3(", 9},   {"mat4(", 16},
};

// "#if defined(NAME)" lines become "#ifdef NAME ".
void convert_if_defined(Text &text)
{
	const std::string_view directive = "#if defined(";
	size_t p = find_from(text, directive, 0);
	// Ends: a turn either moves p to a later directive or rewrites the
	// one at p (which leaves one directive fewer and creates none).
	while (p != npos) {
		const size_t q = find_from(text, ")\n", p + 12);
		const size_t n = find_from(text, directive, p + 12);
		if (q == npos || (n != npos && q >= n)) {
			p = n;
			continue;
		}
		text[q] = ' ';
		remove_at(text, p, 12);
		insert_at(text, p, "#ifdef ");
		p = find_from(text, directive, p + 5);
	}
}

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

void build_prelude(Conversion &c)
{
	const Text &text = c.text;
	std::string &prelude = c.prelude;
	prelude = "#ifndef OPENGL\n";
	for (const Replacement &row : prelude_definitions)
		if (contains(text, row.find))
			prelude += row.by;
	prelude += "#endif\n";
	if (contains(text, "iMouse") && !contains(text, "float2 iMouse"))
		prelude += IMOUSE_DECLARATION;
	for (const char *name : {"iFrame", "iSampleRate", "iTimeDelta"}) {
		const std::string declared = std::string("float ") + name;
		if (contains(text, name) && !contains(text, declared.c_str()))
			prelude += "uniform " + declared + ";\n";
	}
}

const char *const sampling_names[] = {"texture(", "texture2D(", "texelFetch(",
				      "Texel(", "textureLod("};

struct SamplingSite {
	size_t offset = npos;
	size_t name_length = 0;
};

SamplingSite find_sampling(const Text &text, size_t from)
{
	SamplingSite site;
	for (const char *name : sampling_names) {
		const size_t at = find_from(text, name, from);
		if (at != npos && at < site.offset) {
			site.offset = at;
			site.name_length = strlen(name);
		}
	}
	return site;
}

// The first sampled texture becomes the filter input "image"; every other
// one a texture uniform of its own. After a site passed over (an
// identifier character before it) the search goes on for all five names,
// as it does after a converted site.
void convert_texture_sampling(Conversion &c)
{
	Text &text = c.text;
	const size_t size_limit = growth_limit(text);
	int sampler_count = 0;
	SamplingSite site = find_sampling(text, 0);
	// Ends: each turn searches again from past the site it looked at (at
	// least 6 bytes further on), and the text never grows past
	// size_limit: a replacement that would is not made and ends the step.
	while (site.offset != npos) {
		const size_t next_from = site.offset + site.name_length;
		if (ident_before(text, site.offset)) {
			site = find_sampling(text, next_from);
			continue;
		}
		const size_t start = skip_spaces(text, next_from);
		const size_t end = name_end(text, start, PARAMETER_NAME_END);
		const std::string sampler = take(text, start, end);
		const std::string site_text = take(text, site.offset, end);

		std::string substitute = "image.Sample(textureSampler";
		if (sampler_count > 0)
			substitute = sampler + ".Sample(textureSampler";
		if (!replace_all_within(text, site_text, substitute,
					size_limit))
			return;
		if (sampler_count > 0)
			c.prelude += "uniform texture2d " + sampler + ";\n";
		replace_all(text, "textureSize(" + sampler + ", 0)", "uv_size");
		replace_all(text, "textureSize(" + sampler + ",0)", "uv_size");
		sampler_count++;
		site = find_sampling(text, next_from);
	}
}

} // namespace

ConvertResult convert_shader(const std::string &shader_text)
{
	ConvertResult result;
	Conversion c;
	c.text = shader_text.substr(0, shader_text.find('\0'));

	if (!detect_main_form(c)) {
		result.status = ConvertStatus::no_main_function;
		return result;
	}
	if (c.form == Form::glsl) {
		convert_glsl_main(c);
	} else if (!convert_parameter_main(
			   c, main_markers[size_t(c.form)].name_skip)) {
		result.status = ConvertStatus::no_coordinate_parameter;
		return result;
	}
	convert_output_variable(c.text, c.output_name, c.main_offset);
	rename_input_variable(c);

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

	map_coordinates(c);
	map_size_and_time(c.text);
	apply_type_name_table(c.text);
	apply_function_name_table(c.text);
	apply_extern_table(c.text);

	for (const char *type : {"bool", "uint", "int", "float"})
		convert_global_declarations(c.text, type);
	const size_t size_limit = growth_limit(c.text);
	for (const Constructor &constructor : constructors)
		expand_constructor(c.text, constructor.name, constructor.count,
				   size_limit);
	convert_atan(c.text);
	for (const char *type : {"mat2", "mat3", "mat4"})
		convert_matrix_type(c.text, type);

	replace_all(c.text, "point(", "point2(");
	replace_all(c.text, "line(", "line2(");
	replace_all(c.text, "#version ", "//#version ");
	convert_if_defined(c.text);
	for (const char *pi : {"acos(-1.0)", "acos(-1.)", "acos(-1)"})
		replace_all(c.text, pi, "3.14159265359");

	build_prelude(c);
	convert_texture_sampling(c);
	if (c.prelude.size() > 24)
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
