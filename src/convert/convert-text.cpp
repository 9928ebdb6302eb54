#include "convert-text.h"

#include <algorithm>

namespace convert_text {

size_t replace_all(Text &text, std::string_view find, std::string_view by)
{
	if (find.empty())
		return 0;
	size_t hit = find_from(text, find, 0);
	if (hit == npos)
		return 0;

	Text result;
	result.reserve(text.size());
	size_t copied = 0;
	size_t count = 0;
	while (hit != npos) {
		result.append(text, copied, hit - copied);
		result.append(by);
		copied = hit + find.size();
		count++;
		hit = find_from(text, find, copied);
	}
	result.append(text, copied, npos);
	text.swap(result);
	return count;
}

size_t count_occurrences(const Text &text, std::string_view find)
{
	if (find.empty())
		return 0;
	size_t count = 0;
	for (size_t hit = find_from(text, find, 0); hit != npos;
	     hit = find_from(text, find, hit + find.size()))
		count++;
	return count;
}

bool replace_all_within(Text &text, std::string_view find, std::string_view by,
			size_t size_limit)
{
	if (by.size() > find.size()) {
		const size_t growth = by.size() - find.size();
		if (size_limit < text.size() ||
		    (size_limit - text.size()) / growth <
			    std::max<size_t>(count_occurrences(text, find), 1))
			return false;
	}
	replace_all(text, find, by);
	return true;
}

void insert_at(Text &text, size_t offset, std::string_view piece)
{
	text.insert(offset < text.size() ? offset : text.size(), piece);
}

void remove_at(Text &text, size_t offset, size_t count)
{
	if (offset >= text.size())
		return;
	text.erase(offset, count);
}

size_t skip_spaces(const Text &text, size_t offset)
{
	while (offset < text.size() && is_space_char(text[offset]))
		offset++;
	return offset < text.size() ? offset : text.size();
}

Offset skip_spaces_back(const Text &text, Offset offset)
{
	while (offset >= 0 && is_space_char(char_at(text, offset)))
		offset--;
	return offset < 0 ? -1 : offset;
}

size_t skip_blanks(const Text &text, size_t offset, size_t end)
{
	end = end < text.size() ? end : text.size();
	while (offset < end && is_blank_char(text[offset]))
		offset++;
	return offset;
}

Offset skip_blanks_back(const Text &text, Offset offset)
{
	while (offset >= 0 && is_blank_char(char_at(text, offset)))
		offset--;
	return offset < 0 ? -1 : offset;
}

size_t word_end(const Text &text, size_t offset, size_t end)
{
	end = end < text.size() ? end : text.size();
	while (offset < end && is_ident_char(text[offset]))
		offset++;
	return offset;
}

std::string trimmed(const Text &text, size_t from, size_t to)
{
	while (from < to && is_blank_char(text[from]))
		from++;
	while (to > from && is_blank_char(text[to - 1]))
		to--;
	return take(text, from, to);
}

size_t name_end(const Text &text, size_t offset, const ByteSet &stops)
{
	while (offset < text.size() && !stops.contains(text[offset]))
		offset++;
	return offset < text.size() ? offset : text.size();
}

bool word_ends_at(const Text &text, Offset offset, std::string_view word)
{
	const Offset start = offset - Offset(word.size()) + 1;
	if (start < 0 || offset >= Offset(text.size()))
		return false;
	return text.compare(size_t(start), word.size(), word) == 0;
}

} // namespace convert_text
