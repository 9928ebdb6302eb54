// Why a converted text does not build, said in terms of the user's own
// text: the constructs the conversion leaves alone, and the names the
// compilers' messages point at, each with its line in the user's text.
#include "shader-convert.h"

#include "convert-text.h"

#include <cstdlib>

using namespace convert_text;

namespace {

struct Unconverted {
	const char *pattern;
	const char *what;
};

// Constructs the conversion does not convert (see the README).
const Unconverted unconverted[] = {
	{"samplerCube", "a cube map (samplerCube)"},
	{"textureCube(", "a cube map lookup (textureCube)"},
	{"mainCubemap(", "a cube map shader (mainCubemap)"},
	{"mainSound(", "a sound shader (mainSound)"},
	{"mainVR(", "a VR shader (mainVR)"},
	{"gl_FragData", "several colour outputs (gl_FragData)"},
	{"layout(", "a layout qualifier"},
	{"#extension", "a GLSL extension"},
	{"inverse(", "inverse(), which the effect language lacks"},
};

// Names in messages that are no construct of the user's own.
bool common_word(const std::string &name)
{
	for (const char *word :
	     {"vec2", "vec3", "vec4", "float", "int", "bool", "void", "return",
	      "mat2", "mat3", "mat4", "main", "mainImage", "Sample",
	      "SampleLevel", "Load", "image", "textureSampler", "v_in"})
		if (name == word)
			return true;
	return false;
}

size_t line_of(const std::string &text, size_t offset)
{
	size_t line = 1;
	for (size_t p = text.find('\n'); p != npos && p < offset;
	     p = text.find('\n', p + 1))
		line++;
	return line;
}

std::string line_text(const std::string &text, size_t offset)
{
	const size_t start = text.rfind('\n', offset);
	const size_t first = start == npos ? 0 : start + 1;
	const size_t end = text.find('\n', offset);
	std::string line = text.substr(first, end == npos ? npos : end - first);
	const size_t lead = line.find_first_not_of(" \t");
	return lead == npos ? std::string() : line.substr(lead);
}

std::string at_line(const std::string &text, size_t offset,
		    const std::string &what)
{
	return "line " + std::to_string(line_of(text, offset)) + ": " + what +
	       ": " + line_text(text, offset);
}

bool in_line_comment(const std::string &text, size_t offset)
{
	const size_t line = text.rfind('\n', offset);
	const size_t comment = text.find("//", line == npos ? 0 : line + 1);
	return comment != npos && comment < offset;
}

// The first occurrence of word as a whole name, outside line comments.
size_t find_word(const std::string &text, const std::string &word)
{
	for (size_t at = text.find(word); at != npos;
	     at = text.find(word, at + 1))
		if (!ident_before(text, at) &&
		    !is_ident_char(char_at(text, at + word.size())) &&
		    !in_line_comment(text, at))
			return at;
	return npos;
}

// The names a message quotes: `name' (the GLSL compiler) or 'name'.
std::vector<std::string> quoted_names(const std::string &message)
{
	std::vector<std::string> names;
	for (size_t open = message.find_first_of("`'"); open != npos;
	     open = message.find_first_of("`'", open + 1)) {
		size_t end = open + 1;
		while (end < message.size() && is_ident_char(message[end]))
			end++;
		if (end > open + 1 && char_at(message, end) == '\'' &&
		    is_letter_or_underscore(message[open + 1]))
			names.push_back(message.substr(open + 1, end - open - 1));
	}
	return names;
}

// The line a message of the effect parser or the guard names in the
// effect text: "(53, 20)" or "line 53".
size_t effect_line(const std::string &message)
{
	size_t at = message.find("line ");
	if (at != npos)
		return strtoul(message.c_str() + at + 5, nullptr, 10);
	at = message.find(" (");
	if (at != npos && is_digit(char_at(message, at + 2)))
		return strtoul(message.c_str() + at + 2, nullptr, 10);
	return 0;
}

// The first name of a line of the converted text that the user's text has
// too, and where.
size_t user_name_on(const std::string &shader, const std::string &converted,
		    size_t line, std::string *name)
{
	size_t start = 0;
	for (size_t n = 1; n < line && start != npos; n++) {
		start = converted.find('\n', start);
		start = start == npos ? npos : start + 1;
	}
	if (start == npos)
		return npos;
	const std::string text = line_text(converted, start);
	for (size_t p = 0; p < text.size();) {
		size_t end = p;
		while (end < text.size() && is_ident_char(text[end]))
			end++;
		if (end > p && is_letter_or_underscore(text[p])) {
			*name = text.substr(p, end - p);
			const size_t at = find_word(shader, *name);
			if (at != npos && !common_word(*name))
				return at;
		}
		p = end > p ? end : p + 1;
	}
	return npos;
}

} // namespace

std::vector<std::string> explain_unconverted(
	const std::string &shader, const std::string &converted,
	size_t lines_ahead, const std::vector<std::string> &messages)
{
	std::vector<std::string> found;
	for (const Unconverted &construct : unconverted) {
		size_t at = shader.find(construct.pattern);
		while (at != npos && in_line_comment(shader, at))
			at = shader.find(construct.pattern, at + 1);
		if (at != npos)
			found.push_back(
				at_line(shader, at, construct.what +
							    std::string(", not converted")));
	}
	for (const std::string &message : messages) {
		std::vector<std::string> names = quoted_names(message);
		const size_t line = effect_line(message);
		std::string name;
		if (names.empty() && line > lines_ahead) {
			const size_t at = user_name_on(shader, converted,
						       line - lines_ahead, &name);
			if (at != npos)
				found.push_back(at_line(
					shader, at, "near `" + name + "`"));
		}
		for (const std::string &quoted : names) {
			const size_t at = find_word(shader, quoted);
			if (at != npos && !common_word(quoted))
				found.push_back(at_line(
					shader, at, "`" + quoted + "`"));
		}
	}
	return found;
}
