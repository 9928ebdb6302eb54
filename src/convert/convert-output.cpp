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

// Calls visit(offset, occurrence) for every considered assignment at or
// after from, until visit returns false; visit returns the offset where the
// walk goes on.
template<typename Visit>
void walk_assignments(Text &text, std::string_view name, size_t from,
		      Visit visit)
{
	for (size_t n; (n = find_from(text, name, from)) != npos;) {
		from = n + name.size();
		if (!considered(text, n))
			continue;
		const Occurrence occurrence = assignment_at(text, n, name.size());
		if (occurrence.kind == Assignment::none)
			continue;
		if (!visit(n, occurrence, &from))
			return;
	}
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

} // namespace

void convert_output_variable(Text &text, std::string_view name,
			     size_t main_offset)
{
	const size_t length = name.size();
	if (length == 0)
		return;

	size_t total = 0;
	walk_assignments(text, name, main_offset,
			 [&](size_t, const Occurrence &, size_t *) {
				 total++;
				 return true;
			 });
	if (total == 0)
		return;

	if (total == 1) {
		walk_assignments(text, name, main_offset,
				 [&](size_t n, const Occurrence &occurrence,
				     size_t *) {
					 replace_by_return(text, n, occurrence);
					 return false;
				 });
		return;
	}

	bool declared = false;
	size_t walk_start = main_offset;
	const size_t brace = find_char(text, '{', main_offset);
	if (brace != npos) {
		const std::string declaration = "\n\t" + local_declaration(name);
		insert_at(text, brace + 1, declaration);
		declared = true;
		walk_start = brace + 1 + declaration.size();
	}

	size_t k = 0;
	// Ends: the walk resumes past each occurrence; text is inserted only
	// in front of the occurrence being looked at, or behind it when the
	// walk ends.
	walk_assignments(text, name, walk_start, [&](size_t n,
						     const Occurrence &occurrence,
						     size_t *from) {
		k++;
		const bool plain = occurrence.kind == Assignment::plain;
		if (k == total) {
			if (plain && !occurrence.swizzled) {
				replace_by_return(text, n, occurrence);
			} else {
				const size_t semicolon =
					find_char(text, ';', occurrence.equals + 1);
				insert_at(text,
					  semicolon == npos ? text.size()
							    : semicolon + 1,
					  "\n\treturn " + std::string(name) + ";");
			}
			return false;
		}
		if (k == 1 && !declared) {
			const std::string piece = plain && !occurrence.swizzled
							  ? "float4 "
							  : local_declaration(name);
			insert_at(text, n, piece);
			*from = n + piece.size() + length;
		}
		return true;
	});
}
