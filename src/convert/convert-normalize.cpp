// Spellings that real shaders use and the literal markers and tables do
// not know, brought to the spelling the rules expect: a byte-order mark,
// main functions with other blanks or "void" in the parameter list,
// precision statements and qualifiers. A text without them is left alone.
#include "convert-conversion.h"

#include <vector>

using namespace convert_text;

namespace {

bool word_at(const Text &text, size_t p, std::string_view word)
{
	return text_at(text, p, word) && !ident_before(text, p) &&
	       !is_ident_char(char_at(text, p + word.size()));
}

// offset lies after "//" on its line.
bool in_line_comment(const Text &text, size_t offset)
{
	const size_t line = text.rfind('\n', offset);
	const size_t comment =
		text.find("//", line == npos ? 0 : line + 1);
	return comment != npos && comment < offset;
}

bool is_precision(std::string_view word)
{
	return word == "highp" || word == "mediump" || word == "lowp";
}

// The words of a parameter between from and to (blanks and precision
// qualifiers dropped), e.g. {"out", "vec4", "fragColor"}.
std::vector<std::string> parameter_words(const Text &text, size_t from,
					 size_t to)
{
	std::vector<std::string> words;
	for (size_t p = skip_blanks(text, from); p < to;
	     p = skip_blanks(text, p)) {
		const size_t end = word_end(text, p);
		if (end == p)
			return {}; // not a plain parameter
		const std::string word = take(text, p, end);
		if (!is_precision(word))
			words.push_back(word);
		p = end;
	}
	return words;
}

// "void NAME ( ... )" with any blanks: the offsets of NAME's start, of the
// '(' and of the ')'; false when the text there is not such a head.
struct Head {
	size_t start, open, close;
};

bool read_head(const Text &text, size_t name, size_t name_size, Head *head)
{
	const size_t open = skip_blanks(text, name + name_size);
	if (char_at(text, open) != '(')
		return false;
	const size_t close = find_char(text, ')', open);
	if (close == npos || text.find_first_of("(;{}", open + 1) < close)
		return false;
	*head = {name, open, close};
	return true;
}

// The main function of plain GLSL with other blanks or "void" between its
// parentheses becomes "void main()".
void normalize_glsl_main(Text &text)
{
	for (size_t at = find_from(text, "main", 0); at != npos;
	     at = find_from(text, "main", at + 4)) {
		Head head;
		if (!word_at(text, at, "main") || in_line_comment(text, at) ||
		    !read_head(text, at, 4, &head))
			continue;
		const std::vector<std::string> words =
			parameter_words(text, head.open + 1, head.close);
		if (!(words.empty() ||
		      (words.size() == 1 && words[0] == "void")))
			continue;
		const size_t type = skip_spaces_back(text, Offset(at) - 1);
		if (!word_ends_at(text, type, "void"))
			continue;
		const size_t void_start = size_t(type) - 3;
		text.replace(void_start, head.close + 1 - void_start,
			     "void main()");
		return;
	}
}

// Shadertoy's and LOVE's main functions with other blanks, precision
// qualifiers, "in" before the coordinate or "Image"/"sampler2D" as the
// texture's type are written as the markers spell them.
void normalize_parameter_main(Text &text, std::string_view name,
			      std::string_view type)
{
	for (size_t at = find_from(text, name, 0); at != npos;
	     at = find_from(text, name, at + name.size())) {
		Head head;
		if (!word_at(text, at, name) || in_line_comment(text, at) ||
		    !read_head(text, at, name.size(), &head))
			continue;
		const Offset before = skip_spaces_back(text, Offset(at) - 1);
		if (!word_ends_at(text, before, type))
			continue;
		std::vector<std::vector<std::string>> parameters;
		for (size_t from = head.open + 1; from <= head.close;) {
			size_t comma = find_char(text, ',', from);
			if (comma == npos || comma > head.close)
				comma = head.close;
			parameters.push_back(
				parameter_words(text, from, comma));
			from = comma + 1;
		}
		std::string spelled = std::string(type) + " " +
				      std::string(name) + "(";
		if (name == "mainImage") {
			// out vec4 NAME, [in] vec2 NAME
			if (parameters.size() != 2 ||
			    parameters[0].size() != 3 ||
			    parameters[0][0] != "out" ||
			    parameters[0][1] != "vec4")
				continue;
			std::vector<std::string> &coordinate = parameters[1];
			if (!coordinate.empty() && coordinate[0] == "in")
				coordinate.erase(coordinate.begin());
			if (coordinate.size() != 2 || coordinate[0] != "vec2")
				continue;
			spelled += "out vec4 " + parameters[0][2] +
				   ", in vec2 " + coordinate[1] + ")";
		} else {
			// vec4 NAME, Image NAME, vec2 NAME, vec2 NAME
			if (parameters.size() != 4)
				continue;
			bool plain = true;
			for (const auto &words : parameters)
				plain = plain && words.size() == 2;
			if (!plain || parameters[0][0] != "vec4")
				continue;
			spelled += "vec4 " + parameters[0][1] + ", Image " +
				   parameters[1][1] + ", vec2 " +
				   parameters[2][1] + ", vec2 " +
				   parameters[3][1] + ")";
		}
		const size_t start = size_t(before) + 1 - type.size();
		text.replace(start, head.close + 1 - start, spelled);
		return;
	}
}

bool has_marker(const Text &text)
{
	for (const char *marker :
	     {"void mainImage(out vec4", "void mainImage( out vec4",
	      "void main()", "vec4 effect(vec4"})
		if (text.find(marker) != npos)
			return true;
	return false;
}

} // namespace

void normalize_spellings(Text &text)
{
	if (text_at(text, 0, "\xEF\xBB\xBF"))
		text.erase(0, 3);
	if (has_marker(text))
		return;
	normalize_parameter_main(text, "mainImage", "void");
	if (!has_marker(text))
		normalize_glsl_main(text);
	if (!has_marker(text))
		normalize_parameter_main(text, "effect", "vec4");
}

void convert_precision(Text &text)
{
	// "precision highp float;" is the one the rules comment out already.
	for (size_t at = find_from(text, "precision", 0); at != npos;
	     at = find_from(text, "precision", at + 9)) {
		if (!word_at(text, at, "precision"))
			continue;
		const size_t semicolon = find_char(text, ';', at);
		const size_t line_end = find_char(text, '\n', at);
		if (semicolon == npos || semicolon > line_end ||
		    text_at(text, at, "precision highp float;") ||
		    (at >= 2 && text.compare(at - 2, 2, "//") == 0))
			continue;
		text.insert(at, "//");
		at += 2;
	}
	// Qualifiers before types and names go, except in the precision
	// statements just commented out.
	Text out;
	out.reserve(text.size());
	size_t copied = 0;
	for (size_t p = 0; p < text.size();) {
		if (!is_letter_or_underscore(text[p]) || ident_before(text, p)) {
			p++;
			continue;
		}
		const size_t end = word_end(text, p);
		const std::string_view word(text.data() + p, end - p);
		const Offset before = skip_spaces_back(text, Offset(p) - 1);
		if (is_precision(word) && is_space_char(char_at(text, end)) &&
		    !word_ends_at(text, before, "precision")) {
			out.append(text, copied, p - copied);
			copied = skip_spaces(text, end);
		}
		p = end;
	}
	if (copied == 0)
		return;
	out.append(text, copied, npos);
	text.swap(out);
}
