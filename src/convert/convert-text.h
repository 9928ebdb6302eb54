// Byte-level helpers shared by the conversion rules. The conversion works on
// one std::string treated as plain bytes: bytes 0x80 and above are ordinary
// non-identifier characters. Offsets are byte offsets; backward scans use
// signed offsets so that "before the first byte" (-1) can be expressed, and
// every read goes through char_at, which answers '\0' for any offset outside
// the text (the end of a C string), so no scan can read out of bounds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace convert_text {

using Text = std::string;
using Offset = std::ptrdiff_t;

constexpr size_t npos = std::string::npos;

inline bool is_ident_char(char c)
{
	return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
	       (c >= 'a' && c <= 'z') || c == '_';
}

inline bool is_letter_or_underscore(char c)
{
	return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

inline bool is_digit(char c)
{
	return c >= '0' && c <= '9';
}

// The conversion's "space": space and tab only.
inline bool is_space_char(char c)
{
	return c == ' ' || c == '\t';
}

// Blanks of every kind, for the rules that read declarations across lines:
// spaces, tabs, line feeds and carriage returns.
inline bool is_blank_char(char c)
{
	return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The byte at offset, or '\0' outside the text (before it or past its end).
inline char char_at(const Text &text, Offset offset)
{
	return offset >= 0 && size_t(offset) < text.size()
		       ? text[size_t(offset)]
		       : '\0';
}

inline char char_at(const Text &text, size_t offset)
{
	return offset < text.size() ? text[offset] : '\0';
}

// The character before offset is an identifier character (a position before
// the start of the text is not).
inline bool ident_before(const Text &text, size_t offset)
{
	return offset > 0 && offset <= text.size() &&
	       is_ident_char(text[offset - 1]);
}

// First occurrence of needle at or after from; npos when there is none or
// when from lies past the end of the text.
inline size_t find_from(const Text &text, std::string_view needle, size_t from)
{
	if (from > text.size())
		return npos;
	return text.find(needle.data(), from, needle.size());
}

inline size_t find_char(const Text &text, char c, size_t from)
{
	if (from >= text.size())
		return npos;
	return text.find(c, from);
}

// Every occurrence of find, left to right and non-overlapping, replaced by
// by; the search goes on right after each replacement, so a replacement
// that contains find is never rescanned. An empty find changes nothing.
// Returns the number of replacements.
size_t replace_all(Text &text, std::string_view find, std::string_view by);

// One row of a replacement table.
struct Replacement {
	const char *find;
	const char *by;
};

// Applies every row of table with replace_all, top to bottom.
template <size_t N>
void replace_each(Text &text, const Replacement (&table)[N])
{
	for (const Replacement &row : table)
		replace_all(text, row.find, row.by);
}

// replace_all, unless the result would be longer than size_limit: then the
// text stays as it is and the result is false.
bool replace_all_within(Text &text, std::string_view find, std::string_view by,
			size_t size_limit);

// Number of occurrences replace_all would replace.
size_t count_occurrences(const Text &text, std::string_view find);

// word occurs at offset.
inline bool text_at(const Text &text, size_t offset, std::string_view word)
{
	return offset <= text.size() &&
	       text.compare(offset, word.size(), word) == 0;
}

// The text from start up to end (not included).
inline std::string take(const Text &text, size_t start, size_t end)
{
	return text.substr(start, end - start);
}

// Insert and remove at byte offsets; offsets and counts past the end are
// clamped to the end.
void insert_at(Text &text, size_t offset, std::string_view piece);
void remove_at(Text &text, size_t offset, size_t count);

// Offset of the first byte at or after offset that is not a space or tab
// (the end of the text at most).
size_t skip_spaces(const Text &text, size_t offset);

// Moves back from offset over spaces and tabs; -1 when the scan passes the
// first byte.
Offset skip_spaces_back(const Text &text, Offset offset);

// The first offset at or after offset (and before end) that is not a
// blank; end (or the end of the text) when there is none.
size_t skip_blanks(const Text &text, size_t offset, size_t end = npos);

// Moves back from offset over blanks; -1 when the scan passes the first
// byte.
Offset skip_blanks_back(const Text &text, Offset offset);

// End of the identifier that starts at offset (no further than end).
size_t word_end(const Text &text, size_t offset, size_t end = npos);

// The text from `from` up to `to` without the blanks at either end.
std::string trimmed(const Text &text, size_t from, size_t to);

// A set of bytes, for the scanners' stop characters.
class ByteSet {
public:
	constexpr explicit ByteSet(const char *members) : member()
	{
		for (; *members; members++)
			member[static_cast<unsigned char>(*members)] = true;
	}
	constexpr bool contains(char c) const
	{
		return member[static_cast<unsigned char>(c)];
	}

private:
	bool member[256];
};

// End of the name that starts at offset: the first byte that is in stops,
// or the end of the text.
size_t name_end(const Text &text, size_t offset, const ByteSet &stops);

// The count bytes ending at offset (included) equal word.
bool word_ends_at(const Text &text, Offset offset, std::string_view word);

} // namespace convert_text
