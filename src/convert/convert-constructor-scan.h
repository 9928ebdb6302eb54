// The argument scan of a one-argument constructor call, shared by the
// constructor rule (convert-constructor.cpp) and its linear pass
// (convert-constructor-pass.cpp). The scan decides whether the call has a
// single argument that is a literal or known to be a scalar; identifiers it
// does not know are looked up through Lookup, which answers as a search of
// the whole text would:
//   Declared look_up(std::string_view identifier, bool call):
//     "float identifier" / "int identifier" (a variable: the next character
//     is not an identifier character), or "float identifier(" /
//     "int identifier(" (a function);
//   bool numeric_macro(std::string_view identifier):
//     "#define identifier" followed, after spaces, by a digit.
#pragma once

#include "convert-rules.h"

namespace convert_constructor {

using convert_text::Text;

constexpr size_t NO_DEPTH = convert_text::npos;

enum class Declared { none, variable, function };

struct ArgumentScan {
	bool single = true;  // no top-level comma
	bool literal = true; // only number characters
	bool scalar = true;  // nothing known to be a vector
	size_t end = 0; // the closing ')', a ';', or where the scan stopped

	bool expandable() const { return single && (literal || scalar); }
};

template <class Lookup> class ArgumentScanner {
public:
	ArgumentScanner(const Text &text, Lookup &lookup)
		: text(text), lookup(lookup)
	{
	}

	ArgumentScan scan(size_t start)
	{
		result = ArgumentScan();
		depth = 0;
		scalar_call_depth = NO_DEPTH;
		size_t p = start;
		// Ends: every branch moves p forward by at least one byte or
		// stops the scan, and the scan stops at the end of the text.
		while (p < text.size() && (result.literal || result.scalar)) {
			const char c = text[p];
			if (c == '(') {
				depth++;
				p++;
			} else if (c == ')') {
				if (depth == 0)
					break;
				depth--;
				if (depth == scalar_call_depth)
					scalar_call_depth = NO_DEPTH;
				p++;
			} else if (c == ',') {
				if (depth == 0)
					result.single = false;
				p++;
			} else if (c == ';') {
				result.single = false;
				break;
			} else if (convert_text::is_letter_or_underscore(c)) {
				result.literal = false;
				p = identifier(p);
			} else {
				if (!is_number_char(c))
					result.literal = false;
				p++;
			}
		}
		result.end = p < text.size() ? p : text.size();
		return result;
	}

private:
	static bool is_number_char(char c)
	{
		return convert_text::is_digit(c) || c == ' ' || c == '\t' ||
		       c == '*' || c == '+' || c == '-' || c == '.' || c == '/';
	}

	// Reads the identifier at start and what follows it; returns where
	// the scan goes on.
	size_t identifier(size_t start)
	{
		using convert_text::is_ident_char;
		size_t q = start;
		while (q < text.size() && is_ident_char(text[q]))
			q++;
		const std::string_view name(text.data() + start, q - start);
		const char next = convert_text::char_at(text, q);

		if (next == '.') {
			size_t r = q + 1;
			while (r < text.size() && is_ident_char(text[r]))
				r++;
			if (r - q - 1 != 1 && scalar_call_depth == NO_DEPTH)
				result.scalar = false;
			return r;
		}
		if (scalar_call_depth != NO_DEPTH)
			return q;
		const bool call = next == '(';
		if (call && is_scalar_returning(name)) {
			scalar_call_depth = depth++;
			return q + 1;
		}
		if (call && is_component_wise(name)) {
			depth++;
			return q + 1;
		}
		switch (lookup.look_up(name, call)) {
		case Declared::function:
			// Its '(' is then read as an ordinary '('.
			scalar_call_depth = depth;
			break;
		case Declared::variable:
			break;
		case Declared::none:
			if (call || !lookup.numeric_macro(name))
				result.scalar = false;
			break;
		}
		return q;
	}

	const Text &text;
	Lookup &lookup;
	ArgumentScan result;
	size_t depth = 0;
	size_t scalar_call_depth = NO_DEPTH;
};

// The expanded call: constructor, then count copies of argument separated
// by ',', then ')'.
std::string expansion(std::string_view constructor, std::string_view argument,
		      int count);

// "T x = T(...)" at file level: the declaration becomes a uniform and the
// call a brace initialiser (or the bare value for one component). *k is the
// call, *e where its scan ended; both are moved by an insertion before them.
// True when the text was changed.
bool make_file_level_initialiser(Text &text, std::string_view constructor,
				 int count, size_t *k, size_t *e);

} // namespace convert_constructor
