// atan(y, x) and atan(y / x) become atan2(y, x).
#include "convert-rules.h"

using namespace convert_text;

namespace {

enum class AtanEnd { next, stop_rule };

// The positions the bracket matching works with; npos when absent.
struct AtanScan {
	size_t comma, slash, open, close;
};

size_t next_after(const Text &text, char c, size_t offset)
{
	return offset == npos ? npos : find_char(text, c, offset + 1);
}

bool before(size_t a, size_t b)
{
	return a != npos && (b == npos || a < b);
}

// Steps over the parenthesised groups that open before the first ')'.
// False when the occurrence stays unchanged (a group never closes).
bool match_brackets(const Text &text, AtanScan &s)
{
	int depth = 0;
	// Ends: every turn moves open or close forward by at least one byte.
	for (;;) {
		while (s.open != npos && s.close != npos && s.open < s.close) {
			depth++;
			s.open = next_after(text, '(', s.open);
		}
		if (depth == 0)
			return true;
		for (;;) {
			if (s.close == npos)
				return false;
			if (s.open != npos && s.open < s.close)
				break; // count the groups opening before close
			depth--;
			if (depth == 0) {
				if (s.comma == npos || s.comma < s.close)
					s.comma =
						next_after(text, ',', s.close);
				if (s.slash == npos || s.slash < s.close)
					s.slash =
						next_after(text, '/', s.close);
			}
			const size_t closed = s.close;
			s.open = next_after(text, '(', closed);
			s.close = next_after(text, ')', closed);
			if (depth == 0)
				return true;
		}
	}
}

AtanEnd convert_one_atan(Text &text, size_t a)
{
	const size_t s = a + 5;
	AtanScan scan;
	scan.comma = find_char(text, ',', s);
	scan.slash = find_char(text, '/', s);
	if (scan.comma == npos && scan.slash == npos)
		return AtanEnd::stop_rule;
	scan.open = find_char(text, '(', s);
	scan.close = find_char(text, ')', s);
	if (scan.close == npos)
		return AtanEnd::stop_rule;

	if (!match_brackets(text, scan) || scan.close == npos)
		return AtanEnd::next;
	if (before(scan.comma, scan.close) &&
	    (scan.open == npos || scan.comma < scan.open)) {
		insert_at(text, a + 4, "2");
	} else if (before(scan.slash, scan.close) &&
		   (scan.open == npos || scan.slash < scan.open)) {
		text[scan.slash] = ',';
		insert_at(text, a + 4, "2");
	}
	return AtanEnd::next;
}

} // namespace

void convert_atan(Text &text)
{
	// Ends: the search resumes 5 bytes past each occurrence, and an edit
	// inserts one byte behind "atan" only.
	for (size_t a = find_from(text, "atan(", 0); a != npos;
	     a = find_from(text, "atan(", a + 5)) {
		if (ident_before(text, a))
			continue;
		if (convert_one_atan(text, a) == AtanEnd::stop_rule)
			return;
	}
}
