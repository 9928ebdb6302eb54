// Matrix products: GLSL writes "M * v", the effect language "mul(M, v)".
#include "convert-rules.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>
#include <unordered_set>

using namespace convert_text;

namespace {

// Stop characters of the operand scans.
constexpr ByteSet CONSTRUCTOR_SCAN_STOP("()*+-/;");
constexpr ByteSet RIGHT_OPERAND_STOP("\t ()*+,-/;");
constexpr ByteSet LEFT_OPERAND_STOP("=\t ()*+-/");
constexpr ByteSet LEFT_OPERAND_BREAK("\t *+-/");

// The first non-space position before offset, moving back while above 0
// (so the first byte is returned as it is, space or not); -1 before the
// first byte.
Offset non_space_before(const Text &text, size_t offset)
{
	Offset p = Offset(offset) - 1;
	while (p > 0 && is_space_char(text[size_t(p)]))
		p--;
	return p;
}

// "x *= M": the operand on the left of "*=" at star, the run of identifier
// characters and '.' before it (after spaces).
std::string compound_left_side(const Text &text, Offset star)
{
	const Offset last = skip_spaces_back(text, star - 1);
	Offset first = last;
	while (first >= 0 && (is_ident_char(text[size_t(first)]) ||
			      text[size_t(first)] == '.'))
		first--;
	return text.substr(size_t(first + 1), size_t(last - first));
}

// "x *= M ...;" becomes "x = mul(x, M ...);". star is the offset of "*=";
// returns the length of the text put in place of "*=".
size_t convert_compound_product(Text &text, size_t star)
{
	const std::string built =
		"= mul(" + compound_left_side(text, Offset(star)) + ",";
	remove_at(text, star, 2);
	insert_at(text, star, built);
	const size_t semicolon = find_char(text, ';', star);
	insert_at(text, semicolon == npos ? text.size() : semicolon, ")");
	return built.size();
}

bool is_compound_product(const Text &text, Offset p)
{
	return p >= 1 && text[size_t(p)] == '=' && text[size_t(p) - 1] == '*';
}

// After a matrix constructor that is not itself the right operand: the '*'
// of a product with the constructor on its left, or npos.
size_t product_after_constructor(const Text &text, size_t open)
{
	size_t q = open + 1;
	int depth = 1;
	// Ends: q moves forward every turn that does not return.
	for (;;) {
		if (char_at(text, q) != ';')
			q = name_end(text, q, CONSTRUCTOR_SCAN_STOP);
		switch (char_at(text, q)) {
		case '(':
			depth++;
			break;
		case ')':
			if (depth == 0)
				return npos;
			depth--;
			break;
		case '*':
			if (depth == 0)
				return q;
			break;
		case '+':
		case '-':
		case '/':
			if (depth == 0)
				return npos;
			break;
		default: // ';' or the end of the text
			return npos;
		}
		q++;
	}
}

// The names that stand next to a '*' ("a * b", "x *= M"), spaces between:
// the only ones a product rule can change. Edits turn '*' into ',' and
// bring no name next to a '*' but "mul".
std::unordered_set<std::string> names_next_to_products(const Text &text)
{
	std::unordered_set<std::string> names = {"mul"};
	for (size_t star = find_char(text, '*', 0); star != npos;
	     star = find_char(text, '*', star + 1)) {
		size_t end = size_t(skip_spaces_back(text, Offset(star) - 1) + 1);
		size_t start = end;
		while (start > 0 && is_ident_char(text[start - 1]))
			start--;
		names.insert(text.substr(start, end - start));
		size_t after = star + 1;
		if (char_at(text, after) == '=')
			after++;
		start = skip_spaces(text, after);
		end = start;
		while (end < text.size() && is_ident_char(text[end]))
			end++;
		names.insert(text.substr(start, end - start));
	}
	return names;
}

// The names of the calls a product rule can change: "NAME(" right after a
// '*' or "*=" (spaces between), and "NAME(...)" whose ')' is followed by a
// '*' with nothing but characters the constructor scan steps over between
// (it stops at "()*+-/;"). Edits bring no other call next to a '*' than
// "mul(".
std::unordered_set<std::string> calls_next_to_products(const Text &text)
{
	std::unordered_set<std::string> names = {"mul"};
	std::vector<size_t> opened, opening(text.size(), npos);
	for (size_t p = 0; p < text.size(); p++) {
		if (text[p] == '(') {
			opened.push_back(p);
		} else if (text[p] == ')' && !opened.empty()) {
			opening[p] = opened.back();
			opened.pop_back();
		}
	}
	const auto name_before = [&](size_t open) {
		size_t start = open;
		while (start > 0 && is_ident_char(text[start - 1]))
			start--;
		return take(text, start, open);
	};
	for (size_t star = find_char(text, '*', 0); star != npos;
	     star = find_char(text, '*', star + 1)) {
		size_t back = star;
		while (back > 0 && !strchr("()*+-/;", text[back - 1]))
			back--;
		if (back > 0 && text[back - 1] == ')' &&
		    opening[back - 1] != npos)
			names.insert(name_before(opening[back - 1]));
		size_t after = star + 1;
		if (char_at(text, after) == '=')
			after++;
		const size_t start = skip_spaces(text, after);
		size_t end = start;
		while (end < text.size() && is_ident_char(text[end]))
			end++;
		if (char_at(text, end) == '(')
			names.insert(take(text, start, end));
	}
	return names;
}

} // namespace

void mul_close_right(Text &text, size_t offset)
{
	size_t p = skip_spaces(text, offset);
	if (p >= text.size())
		return;
	int depth = 0;
	// Ends: p moves forward every turn that does not stop.
	for (;;) {
		if (text[p] != ';')
			p = name_end(text, p, RIGHT_OPERAND_STOP);
		if (p >= text.size())
			return;
		const char c = text[p];
		if (c == ';')
			break;
		if (c == '(')
			depth++;
		else if (depth == 0)
			break; // ')' or an operator at depth 0
		else if (c == ')')
			depth--;
		p++;
		if (p >= text.size())
			return;
	}
	insert_at(text, p, ")");
}

void mul_open_left(Text &text, Offset offset)
{
	if (offset <= 0)
		return; // nothing before the first byte
	Offset p = offset < Offset(text.size()) ? offset : Offset(text.size());
	while (p > 0 && is_space_char(char_at(text, p)))
		p--;
	if (p == 0)
		return;
	int depth = 0;
	// Ends: p moves back every turn that does not stop, and the scan ends
	// when p reaches the first byte.
	for (;;) {
		if (char_at(text, p) != '=') {
			while (p > 0 &&
			       !LEFT_OPERAND_STOP.contains(char_at(text, p)))
				p--;
		}
		const char c = char_at(text, p);
		if (c == '=')
			break;
		if (c == '(') {
			if (depth == 0)
				break;
			depth--;
			p--;
		} else if (c == ')') {
			depth++;
			p--;
		} else if (LEFT_OPERAND_BREAK.contains(c)) {
			if (depth == 0)
				break;
			p--;
		}
		// Reaching the first byte (or, after a step back from it,
		// passing it) without a stop changes nothing.
		if (p <= 0)
			return;
	}
	insert_at(text, size_t(p + 1), "mul(");
}

bool convert_matrix_variable(Text &text, std::string_view name)
{
	const size_t length = name.size();
	bool edited = false;
	if (length == 0)
		return edited;
	size_t from = 0;
	// Ends: every edit turns a '*' of the text into ',' or removes "*=",
	// and inserts no '*', so there are finitely many edits; a turn without
	// an edit resumes past its occurrence.
	for (size_t n; (n = find_from(text, name, from)) != npos;) {
		from = n + length;
		if (ident_before(text, n) ||
		    is_ident_char(char_at(text, n + length)))
			continue;

		const size_t q = skip_spaces(text, n + length);
		if (char_at(text, q) == '*' && char_at(text, q + 1) != '=') {
			edited = true;
			text[q] = ',';
			mul_close_right(text, q + 1);
			insert_at(text, n, "mul(");
			from = n + length + 4;
			continue;
		}

		const Offset p = non_space_before(text, n);
		if (is_compound_product(text, p)) {
			edited = true;
			const size_t star = size_t(p - 1);
			from = star + convert_compound_product(text, star) +
			       length + 1;
		} else if (p >= 0 && text[size_t(p)] == '*') {
			edited = true;
			text[size_t(p)] = ',';
			mul_close_right(text, n + length);
			mul_open_left(text, p - 1);
			from = n + length + 4;
		}
	}
	return edited;
}

void convert_matrix_type(Text &text, std::string_view type)
{
	const size_t length = type.size();
	if (length == 0)
		return;
	size_t from = 0;
	// A variable declared again (the same name in many functions) needs
	// no second walk while the text is as the last walk, which changed
	// nothing, left it: the walk would find the same. edits counts the
	// edits of this call; settled maps a name to the count after its last
	// walk that changed nothing.
	size_t edits = 0;
	std::unordered_map<std::string, size_t> settled;
	const std::unordered_set<std::string> in_products =
		names_next_to_products(text);
	// Ends: as in convert_matrix_variable, every edit here and in the
	// convert_matrix_variable calls uses up a '*' of the text, and a turn
	// without an edit resumes past its occurrence.
	for (size_t t; (t = find_from(text, type, from)) != npos;) {
		from = t + length;
		if (ident_before(text, t))
			continue;

		const char next = char_at(text, t + length);
		if (next == '(') {
			const Offset p = non_space_before(text, t);
			if (is_compound_product(text, p)) {
				edits++;
				const size_t star = size_t(p - 1);
				const size_t built =
					convert_compound_product(text, star);
				from = t + built - 2 + length + 3;
			} else if (p >= 0 && text[size_t(p)] == '*') {
				edits++;
				text[size_t(p)] = ',';
				mul_close_right(text, t + length);
				mul_open_left(text, p - 1);
				from = t + length + 4;
			} else {
				const size_t star = product_after_constructor(
					text, t + length);
				if (star != npos) {
					edits++;
					text[star] = ',';
					mul_close_right(text, star + 1);
					insert_at(text, t, "mul(");
					from = t + length + 4;
				}
			}
		} else if (is_space_char(next)) {
			const size_t start = skip_spaces(text, t + length);
			size_t end = start;
			while (end < text.size() && is_ident_char(text[end]))
				end++;
			if (end == start)
				continue;
			const std::string name = text.substr(start, end - start);
			if (!in_products.count(name))
				continue;
			const auto known = settled.find(name);
			if (known != settled.end() && known->second == edits)
				continue;
			if (convert_matrix_variable(text, name))
				edits++;
			else
				settled[name] = edits;
		}
	}
}

void convert_matrix_functions(Text &text)
{
	// "matN NAME(" declares a function returning a matrix: its calls are
	// products' operands as a constructor is.
	std::vector<std::string> names;
	for (const char *type : {"mat2 ", "mat3 ", "mat4 "}) {
		for (size_t at = find_from(text, type, 0); at != npos;
		     at = find_from(text, type, at + 5)) {
			if (ident_before(text, at))
				continue;
			const size_t start = skip_spaces(text, at + 5);
			size_t end = start;
			while (end < text.size() && is_ident_char(text[end]))
				end++;
			if (end > start && char_at(text, end) == '(')
				names.push_back(take(text, start, end));
		}
	}
	std::sort(names.begin(), names.end());
	names.erase(std::unique(names.begin(), names.end()), names.end());
	const std::unordered_set<std::string> in_products =
		calls_next_to_products(text);
	for (const std::string &name : names)
		if (in_products.count(name))
			convert_matrix_type(text, name);
}

void convert_matrix_constructors(Text &text)
{
	// GLSL fills a matrix column by column, HLSL row by row: a call with
	// N*N numbers, N columns or one number gets a glsl_matN_ macro of the
	// prelude, which builds what GLSL means on each back end. Other
	// calls (a matrix from a matrix, mixed arguments) stay.
	for (const char *type : {"mat2(", "mat3(", "mat4("}) {
		const int n = type[3] - '0';
		for (size_t at = find_from(text, type, 0); at != npos;
		     at = find_from(text, type, at + 5)) {
			if (ident_before(text, at))
				continue;
			const size_t open = at + 4;
			int depth = 0;
			size_t arguments = 1, close = npos;
			bool number = true;
			for (size_t p = open; p < text.size(); p++) {
				const char c = text[p];
				if (c == '(' || c == '[')
					depth++;
				else if ((c == ')' || c == ']') && --depth == 0) {
					close = p;
					break;
				} else if (c == ',' && depth == 1)
					arguments++;
				else if (c == ';' || c == '{' || c == '}')
					break;
				if (p > open && !(is_digit(c) || strchr(" .+-", c)))
					number = false;
			}
			const char *form = arguments == size_t(n * n) ? "_s("
					   : arguments == size_t(n)    ? "_c("
					   : arguments == 1 && number  ? "_d("
								       : nullptr;
			if (close == npos || !form)
				continue;
			text.replace(at, 5, "glsl_" + std::string(type, 4) + form);
			at += 7;
		}
	}
}
