#include "effect-lines.h"
#include "effect-text.h"

#include <algorithm>
#include <cctype>

namespace {

const char LOGGED_DRIVER_ERRORS[] = "Error compiling shader:";
const char QUOTED_DRIVER_ERRORS[] = "Error creating shader: ";

size_t count_lines(const std::string &text)
{
	const size_t feeds = size_t(std::count(text.begin(), text.end(), '\n'));
	return feeds + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

bool is_identifier_char(char c)
{
	return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Reads the decimal number at text[*at], moving *at past it; false when
// there is none (or it is absurdly long).
bool read_number(const std::string &text, size_t *at, size_t *number)
{
	size_t end = *at;
	while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
		end++;
	if (end == *at || end - *at > 9)
		return false;
	*number = std::stoul(text.substr(*at, end - *at));
	*at = end;
	return true;
}

bool read_literal(const std::string &text, size_t *at, const char *literal)
{
	const std::string expected(literal);
	if (text.compare(*at, expected.size(), expected) != 0)
		return false;
	*at += expected.size();
	return true;
}

// The line of the host parser's position "(55, 12): " in line, if any.
bool parser_position(const std::string &line, size_t *compiled_line)
{
	for (size_t open = line.find('('); open != std::string::npos;
	     open = line.find('(', open + 1)) {
		size_t at = open + 1, row = 0, column = 0;
		if (read_number(line, &at, &row) && read_literal(line, &at, ", ") &&
		    read_number(line, &at, &column) &&
		    read_literal(line, &at, "): ")) {
			*compiled_line = row;
			return true;
		}
	}
	return false;
}

// line with " (<place>)" after every "line N" that names a user's line.
std::string annotate_line_words(const std::string &line,
				const effect_text_layout &layout)
{
	static const std::string word = "line ";
	std::string out;
	size_t copied = 0;
	for (size_t at = line.find(word); at != std::string::npos;
	     at = line.find(word, at + 1)) {
		if (at > 0 && is_identifier_char(line[at - 1]))
			continue;
		size_t end = at + word.size(), number = 0;
		if (!read_number(line, &end, &number))
			continue;
		const std::string place = layout.place(number);
		if (place.empty())
			continue;
		out += line.substr(copied, end - copied) + " (" + place + ")";
		copied = end;
	}
	return out + line.substr(copied);
}

// The first identifier the driver quotes (`name', 'name' or "name"; for
// a call such as `f(vec2)' its name).
std::string quoted_identifier(const std::string &line)
{
	for (size_t open = line.find_first_of("`'\""); open != std::string::npos;
	     open = line.find_first_of("`'\"", open + 1)) {
		const char close = line[open] == '"' ? '"' : '\'';
		const size_t end = line.find(close, open + 1);
		if (end == std::string::npos)
			return std::string();
		const std::string inside = line.substr(open + 1, end - open - 1);
		size_t length = 0;
		while (length < inside.size() && is_identifier_char(inside[length]))
			length++;
		const bool identifier =
			length > 0 &&
			!std::isdigit(static_cast<unsigned char>(inside[0])) &&
			(length == inside.size() || inside[length] == '(');
		if (identifier)
			return inside.substr(0, length);
		open = end;
	}
	return std::string();
}

// The only line (from 1) of text that uses name as a whole word; 0 when
// none or several do.
size_t only_line_using(const std::string &text, const std::string &name)
{
	size_t found_line = 0, found_at = std::string::npos;
	for (size_t at = text.find(name); at != std::string::npos;
	     at = text.find(name, at + 1)) {
		const size_t end = at + name.size();
		if ((at > 0 && is_identifier_char(text[at - 1])) ||
		    (end < text.size() && is_identifier_char(text[end])))
			continue;
		const size_t line_start = text.rfind('\n', at);
		if (found_at != std::string::npos &&
		    text.rfind('\n', found_at) != line_start)
			return 0; // a second line
		if (found_at == std::string::npos)
			found_line = size_t(std::count(text.begin(),
						       text.begin() + long(at),
						       '\n')) +
				     1;
		found_at = at;
	}
	return found_line;
}

} // namespace

std::string effect_text_layout::place(size_t compiled_line) const
{
	if (compiled_line < first_user_line ||
	    compiled_line - first_user_line >= user_lines)
		return std::string();
	return place_of_user_line(compiled_line - first_user_line + 1);
}

std::string effect_text_layout::place_of_user_line(size_t user_line) const
{
	if (!sources)
		return "line " + std::to_string(user_line) + " of the effect text";
	std::string file;
	size_t file_line = 0;
	if (!sources->origin(user_line, &file, &file_line))
		return std::string();
	return "line " + std::to_string(file_line) + " of " + file;
}

effect_text_layout effect_layout(bool use_template, bool opengl,
				 const std::string &user_text)
{
	effect_text_layout layout;
	layout.first_user_line =
		1 + (opengl ? count_lines(OPENGL_ADAPTATION_LINE) : 0) +
		(use_template ? count_lines(EFFECT_TEMPLATE_TEXT) : 0);
	layout.user_lines = count_lines(user_text);
	return layout;
}

std::string add_user_lines(const std::string &message,
			   const effect_text_layout &layout)
{
	std::string out;
	size_t begin = 0;
	for (;;) {
		const size_t end = message.find('\n', begin);
		std::string line = message.substr(
			begin, end == std::string::npos ? end : end - begin);
		size_t compiled_line = 0;
		if (parser_position(line, &compiled_line) &&
		    !layout.place(compiled_line).empty())
			line += " (" + layout.place(compiled_line) + ")";
		else
			line = annotate_line_words(line, layout);
		out += line;
		if (end == std::string::npos)
			return out;
		out += '\n';
		begin = end + 1;
	}
}

std::string add_user_line_to_driver_line(const std::string &line,
					 const std::string &user_text,
					 const effect_text_layout &layout)
{
	const std::string name = quoted_identifier(line);
	const size_t user_line =
		name.empty() ? 0 : only_line_using(user_text, name);
	const std::string place =
		user_line ? layout.place_of_user_line(user_line) : std::string();
	return place.empty() ? line : line + " (" + place + ")";
}

std::vector<std::string>
effect_driver_lines(const std::vector<std::string> &logged_errors,
		    std::string *parser_errors)
{
	static const std::string logged_mark = LOGGED_DRIVER_ERRORS;
	std::string driver;
	for (const std::string &text : logged_errors)
		if (text.compare(0, logged_mark.size(), logged_mark) == 0)
			driver += text.substr(logged_mark.size()) + "\n";
	const size_t quote = parser_errors->find(QUOTED_DRIVER_ERRORS);
	if (quote != std::string::npos) {
		if (driver.empty())
			driver = parser_errors->substr(
				quote + sizeof(QUOTED_DRIVER_ERRORS) - 1);
		const size_t line_start = parser_errors->rfind('\n', quote);
		parser_errors->erase(line_start == std::string::npos
					     ? 0
					     : line_start + 1);
	}
	std::vector<std::string> lines;
	for (size_t begin = 0; begin < driver.size();) {
		size_t end = driver.find('\n', begin);
		if (end == std::string::npos)
			end = driver.size();
		size_t last = end;
		while (last > begin &&
		       std::isspace(static_cast<unsigned char>(driver[last - 1])))
			last--;
		if (last > begin)
			lines.push_back(driver.substr(begin, last - begin));
		begin = end + 1;
	}
	return lines;
}
