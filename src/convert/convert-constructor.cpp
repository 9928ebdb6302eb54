// One-argument vector and matrix constructors, which GLSL accepts and the
// effect language does not, are expanded to one copy of the argument per
// component. This file holds the rule as it is stated, call by call over the
// whole text; expand_constructor first tries the linear pass of
// convert-constructor-pass.cpp, which gives the same text.
#include "convert-constructor-scan.h"

#include <unordered_map>

using namespace convert_text;
using namespace convert_constructor;

namespace {

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

// The declarations as a search of the whole text finds them. The answers
// are kept until the text changes (forget()).
struct TextLookup {
	const Text &text;
	std::unordered_map<std::string, Declared> known[2]; // variable, call
	std::unordered_map<std::string, bool> macros;

	void forget()
	{
		known[0].clear();
		known[1].clear();
		macros.clear();
	}

	Declared look_up(std::string_view identifier, bool call)
	{
		const auto [it, added] =
			known[call].emplace(std::string(identifier),
					    Declared::none);
		if (added && (declared_as(text, "float ", identifier, call) ||
			      declared_as(text, "int ", identifier, call)))
			it->second = call ? Declared::function
					  : Declared::variable;
		return it->second;
	}

	bool numeric_macro(std::string_view identifier)
	{
		const auto [it, added] =
			macros.emplace(std::string(identifier), false);
		if (added)
			it->second = searched_numeric_macro(identifier);
		return it->second;
	}

	// "#define identifier <digit>...": a numeric macro.
	bool searched_numeric_macro(std::string_view identifier) const
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
};

} // namespace

namespace convert_constructor {

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

bool make_file_level_initialiser(Text &text, std::string_view constructor,
				 int count, size_t *k, size_t *e)
{
	const std::string_view type =
		constructor.substr(0, constructor.size() - 1);
	Offset p = skip_spaces_back(text, Offset(*k) - 1);
	if (p < 0 || text[size_t(p)] != '=')
		return false;
	p = skip_spaces_back(text, p - 1);
	while (p >= 0 && is_ident_char(text[size_t(p)]))
		p--;
	p = skip_spaces_back(text, p);
	if (!word_ends_at(text, p, type))
		return false;

	const Offset b = skip_spaces_back(text, p - Offset(type.size()));
	bool edited = false;
	if (!word_ends_at(text, b, "uniform") &&
	    !word_ends_at(text, b, "const")) {
		insert_at(text, size_t(b + 1), "uniform ");
		*k += 8;
		*e += 8;
		edited = true;
	}

	if (char_at(text, *e) != ')')
		return edited;
	if (count > 1) {
		text[*e] = '}';
		remove_at(text, *k, constructor.size());
		insert_at(text, *k, "{");
	} else {
		remove_at(text, *e, 1);
		remove_at(text, *k, constructor.size());
	}
	return true;
}

} // namespace convert_constructor

void expand_constructor(Text &text, std::string_view constructor, int count,
			size_t size_limit)
{
	if (!expand_constructor_linear(text, constructor, count, size_limit))
		expand_constructor_by_calls(text, constructor, count, size_limit);
}

void expand_constructor_by_calls(Text &text, std::string_view constructor,
				 int count, size_t size_limit)
{
	const size_t length = constructor.size();
	if (length < 2)
		return;
	size_t from = 0;
	// The block test of every offset and the lookups' answers, made again
	// after each edit (inside_stale, lookups_stale).
	std::vector<bool> inside = block_interior(text);
	bool inside_stale = false, lookups_stale = false;
	// Ends: the search start moves past K each turn. An expansion copies
	// only a closed argument, which holds no ';' and no unbalanced ')', so
	// the calls found later inside the copies are shorter ones; a call left
	// unclosed at the end of the text is expanded once and the search then
	// stops (its copies reach the end of the text and would otherwise be
	// expanded again and again). size_limit bounds the growth: nested
	// calls multiply the text with every level.
	TextLookup lookup{text, {}, {}};
	for (size_t k; (k = find_from(text, constructor, from)) != npos;) {
		if (lookups_stale)
			lookup.forget();
		lookups_stale = false;
		const ArgumentScan scan =
			ArgumentScanner<TextLookup>(text, lookup).scan(k + length);
		size_t e = scan.end;
		const bool closed = e < text.size() && text[e] == ')';
		bool stop_after = false;

		if (count > 1 && scan.expandable()) {
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
			inside_stale = lookups_stale = true;
			e = e + built.size() - find.size();
			stop_after = !closed;
		}

		if (inside_stale)
			inside = block_interior(text);
		inside_stale = !inside[k] && make_file_level_initialiser(
						     text, constructor, count, &k, &e);
		lookups_stale = lookups_stale || inside_stale;
		from = stop_after ? text.size() + 1 : k + length;
	}
}
