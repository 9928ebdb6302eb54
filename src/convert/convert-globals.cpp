// Declarations the effect language cannot keep as they are. The host's
// effect parser keeps a file-level variable only as a parameter (a uniform
// with a literal default) or as a variable without its value: a constant
// loses its value, an expression or an array initialiser is refused. So:
// - a file-level constant with a value becomes a macro of that value;
// - a file-level variable the text assigns, or whose value is not a
//   literal, or an array with a value, is declared without the value and
//   gets it at the start of the main function;
// - an array made by an array constructor ("float[3](...)", "T[](...)")
//   gets its elements one by one, which both back ends compile.
// Literal-valued variables that are never assigned stay parameters.
#include "convert-conversion.h"

#include <cstring>
#include <unordered_map>
#include <vector>

using namespace convert_text;

namespace {

// The whole text on one line: blanks of every kind as single spaces.
std::string one_line(const std::string &text)
{
	std::string line;
	for (char c : text) {
		if (is_blank_char(c)) {
			if (!line.empty() && line.back() != ' ')
				line.push_back(' ');
		} else {
			line.push_back(c);
		}
	}
	return line;
}

bool known_type(std::string_view type)
{
	for (std::string_view base : {"float", "int", "uint", "bool"}) {
		if (type == base)
			return true;
		if (type.size() == base.size() + 1 &&
		    type.substr(0, base.size()) == base && type.back() >= '2' &&
		    type.back() <= '4')
			return true;
	}
	return type == "mat2" || type == "mat3" || type == "mat4";
}

// The arguments between open ('(') and its ')' at top level; false when
// the list does not close before end.
bool split_arguments(const Text &text, size_t open, size_t end,
		     std::vector<std::string> *arguments, size_t *close)
{
	int depth = 0;
	size_t start = open + 1;
	for (size_t p = open; p < end; p++) {
		const char c = text[p];
		if (c == '(' || c == '[' || c == '{') {
			depth++;
		} else if (c == ')' || c == ']' || c == '}') {
			if (--depth == 0) {
				arguments->push_back(trimmed(text, start, p));
				*close = p;
				return true;
			}
		} else if (c == ',' && depth == 1) {
			arguments->push_back(trimmed(text, start, p));
			start = p + 1;
		}
	}
	return false;
}

// One declaration "[const|uniform] TYPE NAME [\[N\]] [= VALUE];".
struct Declaration {
	size_t start = 0, end = 0; // first byte, and the ';'
	bool constant = false, uniform = false;
	std::string type, name;
	bool array = false;
	std::string size;  // between the brackets
	std::string value; // after '=', trimmed; empty without one
};

bool read_declaration(const Text &text, size_t from, size_t end,
		      Declaration *d)
{
	size_t p = skip_blanks(text, from, end);
	d->start = p;
	d->end = end;
	for (;;) {
		const size_t w = word_end(text, p, end);
		const std::string_view word(text.data() + p, w - p);
		if (word == "const")
			d->constant = true;
		else if (word == "uniform")
			d->uniform = true;
		else
			break;
		p = skip_blanks(text, w, end);
	}
	size_t w = word_end(text, p, end);
	d->type = take(text, p, w);
	if (!known_type(d->type))
		return false;
	p = skip_blanks(text, w, end);
	w = word_end(text, p, end);
	if (w == p || !is_letter_or_underscore(text[p]))
		return false;
	d->name = take(text, p, w);
	p = skip_blanks(text, w, end);
	if (char_at(text, p) == '[') {
		const size_t close = find_char(text, ']', p);
		if (close == npos || close > end)
			return false;
		d->array = true;
		d->size = trimmed(text, p + 1, close);
		p = skip_blanks(text, close + 1, end);
	}
	if (p == end)
		return true;
	if (text[p] != '=')
		return false;
	d->value = trimmed(text, p + 1, end);
	// "T a = 1.0, b;" declares more than one name: left alone.
	int depth = 0;
	for (char c : d->value) {
		depth += c == '(' || c == '[' || c == '{' ? 1
			 : c == ')' || c == ']' || c == '}' ? -1
							     : 0;
		if (c == ',' && depth == 0)
			return false;
	}
	return !d->value.empty();
}

// "TYPE[N](a, b, ...)" or "TYPE[](...)" as a whole value: its elements.
bool array_elements(const std::string &value, std::vector<std::string> *out)
{
	const size_t bracket = value.find('[');
	const size_t open = value.find('(');
	if (bracket == npos || open == npos || bracket > open ||
	    !known_type(value.substr(0, bracket)))
		return false;
	size_t close = 0;
	return split_arguments(value, open, value.size(), out, &close) &&
	       close + 1 == value.size();
}

// The name from at to end is written to there: "name =", "name.x +=",
// "name++", "--name".
bool is_assigned_at(const Text &text, size_t at, size_t end)
{
	const Offset before = skip_spaces_back(text, Offset(at) - 1);
	if ((char_at(text, before) == '+' && char_at(text, before - 1) == '+') ||
	    (char_at(text, before) == '-' && char_at(text, before - 1) == '-'))
		return true;
	size_t p = end;
	if (char_at(text, p) == '.')
		p = word_end(text, p + 1, text.size());
	p = skip_spaces(text, p);
	const char c = char_at(text, p), next = char_at(text, p + 1);
	return (c == '=' && next != '=') ||
	       (c != '\0' && strchr("+-*/", c) && next == '=') ||
	       (c == '+' && next == '+') || (c == '-' && next == '-');
}

// A value the effect parser takes as a parameter default: numbers, signs,
// "true"/"false" or a brace list of them.
bool literal_value(const std::string &value)
{
	if (value == "true" || value == "false")
		return true;
	for (char c : value)
		if (!(is_digit(c) || strchr(" +-.eEfF{},", c)))
			return false;
	return true;
}

} // namespace

namespace {

// Every name the text writes to (see is_assigned), each with the offset of
// its first such place; one pass over the text.
std::unordered_map<std::string, std::vector<size_t>>
assigned_names(const Text &text)
{
	std::unordered_map<std::string, std::vector<size_t>> names;
	for (size_t p = 0; p < text.size();) {
		if (!is_letter_or_underscore(text[p]) || ident_before(text, p)) {
			p++;
			continue;
		}
		const size_t end = word_end(text, p, text.size());
		const std::string name = take(text, p, end);
		if (is_assigned_at(text, p, end))
			names[name].push_back(p);
		p = end;
	}
	return names;
}

} // namespace

bool is_assigned(const Text &text, const std::string &name, size_t skip_from,
		 size_t skip_to)
{
	for (size_t at = find_from(text, name, 0); at != npos;
	     at = find_from(text, name, at + name.size())) {
		const size_t after = at + name.size();
		if (ident_before(text, at) || is_ident_char(char_at(text, after)) ||
		    (at >= skip_from && at <= skip_to))
			continue;
		if (is_assigned_at(text, at, after))
			return true;
	}
	return false;
}

namespace {

// The file-level statements: each ';' at brace depth 0 outside comments
// and preprocessor lines ends one; blocks (function bodies, structures)
// end the statement they belong to.
// The byte after a comment or preprocessor line that starts at p (a line
// keeps its line feed); p when none starts there.
size_t past_comment(const Text &text, size_t p, bool line_start)
{
	size_t end;
	if (text_at(text, p, "//") || (line_start && text[p] == '#')) {
		end = find_char(text, '\n', p);
	} else if (text_at(text, p, "/*")) {
		end = find_from(text, "*/", p + 2);
		if (end != npos)
			end += 2;
	} else {
		return p;
	}
	return end == npos ? text.size() : end;
}

std::vector<std::pair<size_t, size_t>> file_level_statements(const Text &text)
{
	std::vector<std::pair<size_t, size_t>> statements;
	int depth = 0, list_depth = 0; // blocks, and an initialiser's braces
	bool initialiser = false;
	size_t start = 0;
	bool line_start = true;
	// Ends: p moves forward every turn.
	for (size_t p = 0; p < text.size();) {
		const size_t after = past_comment(text, p, line_start);
		if (after != p) {
			if (depth == 0 && trimmed(text, start, p).empty())
				start = after;
			p = after;
			continue;
		}
		const char c = text[p];
		if (depth == 0 && c == '=')
			initialiser = true;
		if (c == '{' && initialiser) {
			list_depth++;
		} else if (c == '}' && list_depth > 0) {
			list_depth--;
		} else if (c == '{') {
			depth++;
		} else if (c == '}') {
			if (--depth <= 0) {
				depth = 0;
				start = p + 1;
			}
		} else if (c == ';' && depth == 0) {
			statements.emplace_back(start, p);
			start = p + 1;
			initialiser = false;
		}
		line_start = c == '\n' || (line_start && is_blank_char(c));
		p++;
	}
	return statements;
}

// The function bodies: each '{' at file level that follows a ')' (or the
// main function's ": TARGET"), and its closing '}'.
std::vector<std::pair<size_t, size_t>> function_bodies(const Text &text)
{
	std::vector<std::pair<size_t, size_t>> bodies;
	int depth = 0;
	size_t open = npos;
	for (size_t p = 0; p < text.size(); p++) {
		if (text[p] == '{') {
			if (depth++ == 0) {
				size_t q = p;
				while (q > 0 && is_blank_char(text[q - 1]))
					q--;
				const bool head = q > 0 && (text[q - 1] == ')' ||
						word_ends_at(text, Offset(q) - 1,
							     "TARGET"));
				open = head ? p : npos;
			}
		} else if (text[p] == '}' && depth > 0 && --depth == 0) {
			if (open != npos)
				bodies.emplace_back(open, p);
			open = npos;
		}
	}
	return bodies;
}

bool uses(const Text &text, const std::string &name, size_t from, size_t to)
{
	for (size_t at = find_from(text, name, from); at != npos && at < to;
	     at = find_from(text, name, at + name.size()))
		if (!ident_before(text, at) &&
		    !is_ident_char(char_at(text, at + name.size())))
			return true;
	return false;
}

// Where the main function's body starts (after its '{'), or npos.
size_t main_body(const Text &text)
{
	const size_t header = text.find(MAIN_HEADER);
	if (header == npos)
		return npos;
	const size_t brace = find_char(text, '{', header);
	return brace == npos ? npos : brace + 1;
}

} // namespace

void convert_file_level_declarations(Text &text)
{
	const size_t body = main_body(text);
	if (body == npos)
		return;
	const auto written = assigned_names(text);
	const auto assigned_elsewhere = [&](const Declaration &d) {
		const auto it = written.find(d.name);
		if (it == written.end())
			return false;
		for (size_t at : it->second)
			if (at < d.start || at > d.end)
				return true;
		return false;
	};
	std::string initial_values; // statements for the main function
	std::vector<std::pair<std::string, std::string>> arrays; // name, copy
	Text out;
	size_t copied = 0;
	for (const auto &[from, end] : file_level_statements(text)) {
		if (end > body)
			break;
		Declaration d;
		if (!read_declaration(text, from, end, &d) || d.value.empty())
			continue;
		std::string replacement;
		std::vector<std::string> elements;
		if (d.array) {
			// The host's GLSL writer drops the size of a
			// file-level array: each function reading it gets a
			// local copy.
			if (!array_elements(d.value, &elements))
				continue;
			std::string local = "\n\t" + d.type + " " + d.name +
					    "[" +
					    (d.size.empty()
						     ? std::to_string(elements.size())
						     : d.size) +
					    "];";
			for (size_t i = 0; i < elements.size(); i++)
				local += " " + d.name + "[" + std::to_string(i) +
					 "] = " + elements[i] + ";";
			arrays.emplace_back(d.name, local);
		} else if (d.constant) {
			// The original stays as a comment when it fits on
			// its line. The value is wrapped in a constructor of
			// its type: the host's preprocessor would take
			// "#define NAME (value)" for a macro with parameters.
			const std::string statement = take(text, d.start, end);
			replacement = statement.find('\n') == npos
					      ? "//" + statement + ";\n"
					      : std::string();
			std::string value = one_line(d.value);
			if (value.size() > 1 && value.front() == '{' &&
			    value.back() == '}')
				value = value.substr(1, value.size() - 2);
			replacement += "#define " + d.name + " " + d.type +
				       "(" + value + ")";
		} else if (!literal_value(d.value) || assigned_elsewhere(d)) {
			replacement = d.type + " " + d.name + ";";
			initial_values +=
				"\t" + d.name + " = " + d.value + ";\n";
		} else {
			continue;
		}
		out.append(text, copied, d.start - copied);
		out += replacement;
		copied = end + 1;
		if (replacement.empty() && char_at(text, copied) == '\n')
			copied++;
	}
	if (copied == 0)
		return;
	out.append(text, copied, npos);
	text.swap(out);
	if (!initial_values.empty())
		insert_at(text, main_body(text), "\n" + initial_values);
	if (arrays.empty())
		return;
	const std::vector<std::pair<size_t, size_t>> bodies =
		function_bodies(text);
	for (auto body = bodies.rbegin(); body != bodies.rend(); ++body) {
		std::string locals;
		for (const auto &[name, local] : arrays)
			if (uses(text, name, body->first, body->second))
				locals += local;
		insert_at(text, body->first + 1, locals);
	}
}

void convert_array_constructors(Text &text)
{
	// Inside functions: "T name[N] = T[N](a, b);" declares the array and
	// sets its elements.
	for (size_t at = find_from(text, "](", 0); at != npos;
	     at = find_from(text, "](", at + 2)) {
		const size_t open_bracket = text.rfind('[', at);
		if (open_bracket == npos)
			continue;
		size_t type_start = open_bracket;
		while (type_start > 0 && is_ident_char(text[type_start - 1]))
			type_start--;
		if (!known_type(take(text, type_start, open_bracket)))
			continue;
		const Offset equals =
			skip_spaces_back(text, Offset(type_start) - 1);
		if (char_at(text, equals) != '=' || !is_inside_block(text, at))
			continue;
		const size_t statement_end = find_char(text, ';', at);
		const size_t statement_start =
			text.find_last_of(";{}\n", size_t(equals)) + 1;
		Declaration d;
		std::vector<std::string> elements;
		if (statement_end == npos ||
		    !read_declaration(text, statement_start, statement_end,
				      &d) ||
		    !d.array || !array_elements(d.value, &elements))
			continue;
		std::string replacement =
			d.type + " " + d.name + "[" +
			(d.size.empty() ? std::to_string(elements.size())
					: d.size) +
			"];";
		for (size_t i = 0; i < elements.size(); i++)
			replacement += " " + d.name + "[" + std::to_string(i) +
				       "] = " + elements[i] + ";";
		text.replace(d.start, statement_end + 1 - d.start,
			     replacement);
		at = d.start + replacement.size();
	}
}
