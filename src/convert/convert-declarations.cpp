// File-level declarations become uniforms.
#include "convert-rules.h"

#include <climits>

using namespace convert_text;

bool is_inside_block(const Text &text, size_t offset)
{
	// The next brace of either kind is the earlier of the first '{' and the
	// first '}', so one forward walk gives the same balance.
	int depth = 0;
	for (size_t p = offset; p < text.size(); p++) {
		if (text[p] == '{') {
			depth++;
		} else if (text[p] == '}') {
			depth--;
			if (depth < 0)
				return true;
		}
	}
	return depth != 0;
}

std::vector<bool> block_interior(const Text &text)
{
	const size_t n = text.size();
	std::vector<bool> inside(n + 1, false);
	long total = 0;
	long lowest = LONG_MAX; // lowest running balance, none yet
	for (size_t i = n; i-- > 0;) {
		const long v = text[i] == '{' ? 1 : text[i] == '}' ? -1 : 0;
		total += v;
		lowest = v + (lowest < 0 ? lowest : 0);
		inside[i] = total != 0 || lowest < 0;
	}
	return inside;
}

namespace {

enum class Qualifier { none, uniform, constant };

// What precedes the type name at T decides whether the occurrence is a
// candidate: b is the first non-space before it (-1 before the text).
bool declaration_may_follow(const Text &text, Offset b, Qualifier *qualifier)
{
	*qualifier = Qualifier::none;
	const char c = char_at(text, b);
	if (b >= 0 && (c == '(' || c == ','))
		return false; // a parameter list
	if (b >= 0 && is_ident_char(c)) {
		if (word_ends_at(text, b, "uniform"))
			*qualifier = Qualifier::uniform;
		else if (word_ends_at(text, b, "const"))
			*qualifier = Qualifier::constant;
		else
			return false;
	}
	return true;
}

// Walks the declared names after the type; returns the offset right after
// the last type name that the occurrence wrote.
size_t split_declarators(Text &text, std::string_view type_name,
			 size_t type_offset, char dimension, Offset b,
			 Qualifier qualifier)
{
	size_t last_type = type_offset;
	size_t p = type_offset + type_name.size() + (dimension ? 1 : 0);
	// Ends: every turn either stops or turns one ',' after p into ';', and
	// the inserted text holds no ','.
	for (;;) {
		p = skip_spaces(text, p);
		while (p < text.size() && is_ident_char(text[p]))
			p++;
		p = skip_spaces(text, p);
		const char next = char_at(text, p);
		if (next == ',') {
			text[p] = ';';
			std::string piece = qualifier == Qualifier::constant
						    ? "\nconst "
						    : "\nuniform ";
			last_type = p + 1 + piece.size();
			piece.append(type_name);
			if (dimension)
				piece.push_back(dimension);
			piece.push_back(' ');
			insert_at(text, p + 1, piece);
			p += 1 + piece.size();
			continue;
		}
		if ((next == '=' && char_at(text, p + 1) != '=') ||
		    next == ';') {
			if (qualifier == Qualifier::none) {
				insert_at(text, size_t(b + 1), "uniform ");
				last_type += 8;
			}
		}
		return last_type + type_name.size();
	}
}

} // namespace

void convert_global_declarations(Text &text, std::string_view type_name)
{
	const size_t length = type_name.size();
	if (length == 0)
		return;
	size_t from = 0;
	// Every edit lands before the search start and inserts no brace, so
	// the text from an occurrence on is the input's own: its block test
	// is read from the input, shifted by what was inserted.
	const std::vector<bool> inside = block_interior(text);
	const size_t input_size = text.size();
	// Ends: each turn resumes after the type name it looked at (or after
	// the last one it inserted), and insertions land before that point.
	for (size_t t; (t = find_from(text, type_name, from)) != npos;) {
		from = t + length;
		if (ident_before(text, t))
			continue;
		char dimension = char_at(text, t + length);
		char after = dimension;
		if (dimension >= '2' && dimension <= '9')
			after = char_at(text, t + length + 1);
		else
			dimension = 0;
		if (!is_space_char(after))
			continue;

		const Offset b = skip_spaces_back(text, Offset(t) - 1);
		Qualifier qualifier;
		if (!declaration_may_follow(text, b, &qualifier))
			continue;
		if (inside[t - (text.size() - input_size)])
			continue;
		from = split_declarators(text, type_name, t, dimension, b,
					 qualifier);
	}
}
