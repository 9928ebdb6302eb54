// The colour output variable of a Shadertoy or GLSL main function becomes
// the function's return value.
#include "convert-rules.h"

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

} // namespace

void convert_output_variable(Text &text, std::string_view name,
			     size_t main_offset)
{
	if (name.empty())
		return;
	size_t n = 0;
	Occurrence occurrence;

	size_t total = 0;
	for (size_t from = main_offset;
	     next_assignment(text, name, &from, &n, &occurrence);)
		total++;
	if (total == 0)
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
