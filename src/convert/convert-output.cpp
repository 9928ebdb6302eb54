// The colour output variable of a Shadertoy or GLSL main function becomes
// the function's return value.
#include "convert-rules.h"

#include <cstring>

using namespace convert_text;

namespace {

const char *const OPAQUE_BLACK = " = float4(0.0,0.0,0.0,1.0);\n";

enum class Assignment { none, plain, compound };

struct Occurrence {
	Assignment kind = Assignment::none;
	bool swizzled = false;
	size_t equals = 0; // offset of the operator's '='
};

// Occurrences right after an identifier character or after "//" are not
// considered.
bool considered(const Text &text, size_t n)
{
	if (ident_before(text, n))
		return false;
	return !(char_at(text, Offset(n) - 1) == '/' &&
		 char_at(text, Offset(n) - 2) == '/');
}

Occurrence assignment_at(const Text &text, size_t n, size_t length)
{
	Occurrence occurrence;
	size_t p = n + length;
	if (char_at(text, p) == '.') {
		occurrence.swizzled = true;
		p++;
		while (p < text.size() && is_ident_char(text[p]))
			p++;
	}
	p = skip_spaces(text, p);
	const char c = char_at(text, p);
	if (c == '=') {
		occurrence.kind = Assignment::plain;
		occurrence.equals = p;
	} else if ((c == '*' || c == '+' || c == '-' || c == '/') &&
		   char_at(text, p + 1) == '=') {
		occurrence.kind = Assignment::compound;
		occurrence.equals = p + 1;
	}
	return occurrence;
}

// Finds the next considered assignment at or after *from: its offset in
// *n, what it is in *occurrence; *from moves right after its name.
bool next_assignment(const Text &text, std::string_view name, size_t *from,
		     size_t *n, Occurrence *occurrence)
{
	for (size_t at; (at = find_from(text, name, *from)) != npos;) {
		*from = at + name.size();
		if (!considered(text, at))
			continue;
		*occurrence = assignment_at(text, at, name.size());
		if (occurrence->kind != Assignment::none) {
			*n = at;
			return true;
		}
	}
	return false;
}

void replace_by_return(Text &text, size_t n, const Occurrence &occurrence)
{
	remove_at(text, n, occurrence.equals + 1 - n);
	insert_at(text, n, "return ");
}

std::string local_declaration(std::string_view name)
{
	return "float4 " + std::string(name) + OPAQUE_BLACK;
}

// The last assignment: a plain one becomes the return, any other is
// followed by "return name;" after its statement.
void return_after_last(Text &text, std::string_view name, size_t n,
		       const Occurrence &occurrence)
{
	if (occurrence.kind == Assignment::plain && !occurrence.swizzled) {
		replace_by_return(text, n, occurrence);
		return;
	}
	const size_t semicolon = find_char(text, ';', occurrence.equals + 1);
	insert_at(text, semicolon == npos ? text.size() : semicolon + 1,
		  "\n\treturn " + std::string(name) + ";");
}

// The '}' that closes the block opened at brace, or npos.
size_t closing_brace(const Text &text, size_t brace)
{
	int depth = 0;
	for (size_t p = brace; p < text.size(); p++) {
		if (text[p] == '{')
			depth++;
		else if (text[p] == '}' && --depth == 0)
			return p;
	}
	return npos;
}

// The statement at n is not simply the body's own: it lies in an inner
// block, or follows an "if (...)", "else", a loop's head or "do".
bool nested_statement(const Text &text, size_t brace, size_t n)
{
	int depth = 0;
	for (size_t p = brace + 1; p < n; p++)
		depth += text[p] == '{' ? 1 : text[p] == '}' ? -1 : 0;
	if (depth > 0)
		return true;
	// The character before the statement, past blanks and preprocessor
	// lines.
	Offset p = Offset(n) - 1;
	for (;;) {
		while (p > Offset(brace) && strchr(" \t\r\n", text[size_t(p)]))
			p--;
		const size_t line = text.find_last_of('\n', size_t(p));
		const size_t first = line == npos ? 0 : line + 1;
		const size_t hash = text.find_first_not_of(" \t", first);
		if (line == npos || line <= brace || hash >= size_t(p) ||
		    text[hash] != '#')
			break;
		p = Offset(line);
	}
	return text[size_t(p)] == ')' || word_ends_at(text, p, "else") ||
	       word_ends_at(text, p, "do");
}

// "return;" in the body, which a function with a result cannot keep.
size_t bare_return(const Text &text, size_t from, size_t to)
{
	for (size_t r = find_from(text, "return", from); r != npos && r < to;
	     r = find_from(text, "return", r + 6))
		if (!ident_before(text, r) &&
		    char_at(text, skip_spaces(text, r + 6)) == ';')
			return r;
	return npos;
}

// The output is assigned where a return would end the function early (in
// a branch or a loop), or the body returns without a value: the variable
// becomes a local, every assignment stays, and the body returns it at each
// bare "return;" and at its end. True when done so.
bool return_local_at_end(Text &text, std::string_view name,
			 size_t main_offset, size_t last)
{
	const size_t brace = find_char(text, '{', main_offset);
	if (brace == npos || last < brace)
		return false;
	size_t close = closing_brace(text, brace);
	if (close == npos || last > close)
		return false;
	if (!nested_statement(text, brace, last) &&
	    bare_return(text, brace, close) == npos)
		return false;
	const std::string returned = "return " + std::string(name);
	// (A gl_ name cannot be a local: the caller renamed it.)
	for (size_t r; (r = bare_return(text, brace, close)) != npos;) {
		text.replace(r, 6, returned);
		close += returned.size() - 6;
	}
	insert_at(text, close, "\t" + returned + ";\n");
	insert_at(text, brace + 1, "\n\t" + local_declaration(name));
	return true;
}

} // namespace

void convert_output_variable(Text &text, std::string_view name,
			     size_t main_offset)
{
	if (name.empty())
		return;
	// GLSL reserves the gl_ prefix: gl_FragColor, which may become a
	// local, is named FragColor_ from the main function on.
	std::string own_name;
	if (name.substr(0, 3) == "gl_") {
		own_name = std::string(name.substr(3)) + "_";
		for (size_t at = find_from(text, name, main_offset); at != npos;
		     at = find_from(text, name, at + own_name.size()))
			if (!ident_before(text, at) &&
			    !is_ident_char(char_at(text, at + name.size())))
				text.replace(at, name.size(), own_name);
		name = own_name;
	}
	size_t n = 0;
	Occurrence occurrence;

	size_t total = 0;
	size_t last = 0;
	for (size_t from = main_offset;
	     next_assignment(text, name, &from, &n, &occurrence);) {
		total++;
		last = n;
	}
	if (total == 0 || return_local_at_end(text, name, main_offset, last))
		return;
	if (total == 1) {
		size_t from = main_offset;
		next_assignment(text, name, &from, &n, &occurrence);
		replace_by_return(text, n, occurrence);
		return;
	}

	// More than one: the variable becomes a local, declared at the top
	// of the body when the body has a '{', else at its first assignment.
	bool declared = false;
	size_t from = main_offset;
	const size_t brace = find_char(text, '{', main_offset);
	if (brace != npos) {
		const std::string declaration =
			"\n\t" + local_declaration(name);
		insert_at(text, brace + 1, declaration);
		declared = true;
		from = brace + 1 + declaration.size();
	}
	// Ends: the walk resumes past each occurrence; text is inserted only
	// in front of the occurrence looked at, or behind the last one.
	for (size_t k = 1; next_assignment(text, name, &from, &n, &occurrence);
	     k++) {
		if (k == total) {
			return_after_last(text, name, n, occurrence);
			return;
		}
		if (k == 1 && !declared) {
			const bool plain =
				occurrence.kind == Assignment::plain;
			const std::string piece = plain && !occurrence.swizzled
							  ? "float4 "
							  : local_declaration(name);
			insert_at(text, n, piece);
			from = n + piece.size() + name.size();
		}
	}
}
