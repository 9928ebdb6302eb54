// One-argument vector and matrix constructors, which GLSL accepts and the
// effect language does not, are expanded to one copy of the argument per
// component.
#include "convert-rules.h"

using namespace convert_text;

namespace {

constexpr size_t NO_DEPTH = npos;

enum class Declared { none, variable, function };

// Searches the text for "<type> identifier" (a variable: the next character
// is not an identifier character) or "<type> identifier(" (a function).
bool declared_as(const Text &text, std::string_view type,
		 std::string_view identifier, bool call)
{
	std::string key(type);
	key.append(identifier);
	if (call) {
		key.push_back('(');
		return find_from(text, key, 0) != npos;
	}
	for (size_t hit = find_from(text, key, 0); hit != npos;
	     hit = find_from(text, key, hit + 1))
		if (!is_ident_char(char_at(text, hit + key.size())))
			return true;
	return false;
}

Declared look_up_declaration(const Text &text, std::string_view identifier,
			     bool call)
{
	if (declared_as(text, "float ", identifier, call) ||
	    declared_as(text, "int ", identifier, call))
		return call ? Declared::function : Declared::variable;
	return Declared::none;
}

// "#define identifier <digit>...": a numeric macro.
bool defined_as_number(const Text &text, std::string_view identifier)
{
	std::string key("#define ");
	key.append(identifier);
	for (size_t hit = find_from(text, key, 0); hit != npos;
	     hit = find_from(text, key, hit + 1)) {
		const size_t after = hit + key.size();
		if (is_ident_char(char_at(text, after)))
			continue;
		if (is_digit(char_at(text, skip_spaces(text, after))))
			return true;
	}
	return false;
}

struct ArgumentScan {
	bool single = true;  // no top-level comma
	bool literal = true; // only number characters
	bool scalar = true;  // nothing known to be a vector
	size_t end = 0; // the closing ')', a ';', or where the scan stopped
};

class ArgumentScanner {
public:
	ArgumentScanner(const Text &text) : text(text) {}

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
			} else if (is_letter_or_underscore(c)) {
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
		return is_digit(c) || c == ' ' || c == '\t' || c == '*' ||
		       c == '+' || c == '-' || c == '.' || c == '/';
	}

	// Reads the identifier at start and what follows it; returns where
	// the scan goes on.
	size_t identifier(size_t start)
	{
		size_t q = start;
		while (q < text.size() && is_ident_char(text[q]))
			q++;
		const std::string_view name(text.data() + start, q - start);
		const char next = char_at(text, q);

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
		switch (look_up_declaration(text, name, call)) {
		case Declared::function:
			// Its '(' is then read as an ordinary '('.
			scalar_call_depth = depth;
			break;
		case Declared::variable:
			break;
		case Declared::none:
			if (call || !defined_as_number(text, name))
				result.scalar = false;
			break;
		}
		return q;
	}

	const Text &text;
	ArgumentScan result;
	size_t depth = 0;
	size_t scalar_call_depth = NO_DEPTH;
};

std::string expansion(std::string_view constructor, std::string_view argument,
		      int count)
{
	std::string built(constructor);
	built.append(argument);
	for (int i = 1; i < count; i++) {
		built.push_back(',');
		built.append(argument);
	}
	built.push_back(')');
	return built;
}

// "T x = T(...)" at file level: the declaration becomes a uniform and the
// call a brace initialiser (or the bare value for one component). k and e
// are moved by any insertion before them.
void make_file_level_initialiser(Text &text, std::string_view constructor,
				 int count, size_t *k, size_t *e)
{
	const std::string_view type =
		constructor.substr(0, constructor.size() - 1);
	Offset p = skip_spaces_back(text, Offset(*k) - 1);
	if (p < 0 || text[size_t(p)] != '=')
		return;
	p = skip_spaces_back(text, p - 1);
	while (p >= 0 && is_ident_char(text[size_t(p)]))
		p--;
	p = skip_spaces_back(text, p);
	if (!word_ends_at(text, p, type))
		return;

	const Offset b = skip_spaces_back(text, p - Offset(type.size()));
	if (!word_ends_at(text, b, "uniform") &&
	    !word_ends_at(text, b, "const")) {
		insert_at(text, size_t(b + 1), "uniform ");
		*k += 8;
		*e += 8;
	}

	if (char_at(text, *e) != ')')
		return;
	if (count > 1) {
		text[*e] = '}';
		remove_at(text, *k, constructor.size());
		insert_at(text, *k, "{");
	} else {
		remove_at(text, *e, 1);
		remove_at(text, *k, constructor.size());
	}
}

} // namespace

void expand_constructor(Text &text, std::string_view constructor, int count,
			size_t size_limit)
{
	const size_t length = constructor.size();
	if (length < 2)
		return;
	size_t from = 0;
	// Ends: the search start moves past K each turn. An expansion copies
	// only a closed argument, which holds no ';' and no unbalanced ')', so
	// the calls found later inside the copies are shorter ones; a call left
	// unclosed at the end of the text is expanded once and the search then
	// stops (its copies reach the end of the text and would otherwise be
	// expanded again and again). size_limit bounds the growth: nested
	// calls multiply the text with every level.
	for (size_t k; (k = find_from(text, constructor, from)) != npos;) {
		const ArgumentScan scan =
			ArgumentScanner(text).scan(k + length);
		size_t e = scan.end;
		const bool closed = e < text.size() && text[e] == ')';
		bool stop_after = false;

		if (count > 1 && scan.single && (scan.literal || scan.scalar)) {
			const std::string argument =
				text.substr(k + length, e - k - length);
			const std::string find =
				text.substr(k, closed ? e - k + 1 : npos);
			const std::string built =
				expansion(constructor, argument, count);
			// At the size limit the remaining calls stay as
			// written.
			if (!replace_all_within(text, find, built, size_limit))
				return;
			e = e + built.size() - find.size();
			stop_after = !closed;
		}

		if (!is_inside_block(text, k))
			make_file_level_initialiser(text, constructor, count,
						    &k, &e);
		from = stop_after ? text.size() + 1 : k + length;
	}
}
