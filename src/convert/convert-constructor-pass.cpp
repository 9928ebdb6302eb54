// The constructor rule in one pass. The rule as stated (convert-
// constructor.cpp) expands a call together with every identical call in the
// text and looks identifiers up by searching the whole text: time grows
// with the square of the text. This pass walks the calls once, left to
// right, and expands each call when it reaches it; the text it gives is the
// same, because
// - a call's verdict depends only on its own text (the declarations the
//   scan looks up are neither made nor lost by expansions, which copy whole
//   arguments, and the few edits that could touch one are re-counted in the
//   index below), and inner calls do not change an outer call's verdict;
// - an identical call later in the text gets the same verdict when the
//   pass reaches it, so expanding it then gives what the early replacement
//   gave;
// - the brace balance the file-level test reads is the same, as long as no
//   expanded argument holds a brace.
// The pass gives up, and the rule runs as stated, on the texts where that
// reasoning does not hold: an argument or a brace initialiser holding a
// brace, a call stepped over after an initialiser (the rule may expand it
// later, with an identical call), a call that runs to the end of the text
// with another call in it, and growth that comes near the limit. Real
// shaders hold none of them.
#include "convert-constructor-scan.h"

#include <cstring>
#include <unordered_map>
#include <vector>

using namespace convert_text;
using namespace convert_constructor;

namespace {

// How often each name is declared in the text: "float NAME" / "int NAME"
// (variable), followed by '(' (function), "#define NAME <digit>".
class DeclarationIndex {
public:
	// Counts the declarations of text when first asked.
	explicit DeclarationIndex(const Text &text) : source(&text) {}

	// Adds sign times the declarations that start at offsets first to
	// last (included) of text.
	void count(const Text &text, size_t first, size_t last, long sign)
	{
		for (size_t s = first; s <= last && s < text.size(); s++) {
			const char c = text[s];
			if (c == 'f' && text_at(text, s, "float "))
				count_declaration(text, s + 6, sign);
			else if (c == 'i' && text_at(text, s, "int "))
				count_declaration(text, s + 4, sign);
			else if (c == '#' && text_at(text, s, "#define "))
				count_macro(text, s + 8, sign);
		}
	}

	Declared look_up(std::string_view identifier, bool call)
	{
		const Counts *counts = find(identifier);
		if (!counts)
			return Declared::none;
		if (call)
			return counts->function > 0 ? Declared::function
						    : Declared::none;
		return counts->variable > 0 ? Declared::variable
					    : Declared::none;
	}

	bool numeric_macro(std::string_view identifier)
	{
		const Counts *counts = find(identifier);
		return counts && counts->numeric_macro > 0;
	}

private:
	struct Counts {
		long variable = 0;
		long function = 0;
		long numeric_macro = 0;
	};

	static size_t name_end(const Text &text, size_t start)
	{
		size_t end = start;
		while (end < text.size() && is_ident_char(text[end]))
			end++;
		return end;
	}

	void count_declaration(const Text &text, size_t start, long sign)
	{
		const size_t end = name_end(text, start);
		if (end == start)
			return;
		Counts &counts = names[text.substr(start, end - start)];
		counts.variable += sign;
		if (char_at(text, end) == '(')
			counts.function += sign;
	}

	void count_macro(const Text &text, size_t start, long sign)
	{
		const size_t end = name_end(text, start);
		if (end == start ||
		    !is_digit(char_at(text, skip_spaces(text, end))))
			return;
		names[text.substr(start, end - start)].numeric_macro += sign;
	}

	const Counts *find(std::string_view identifier)
	{
		if (source) {
			const Text *text = source;
			source = nullptr;
			count(*text, 0, text->size(), 1);
		}
		const auto it = names.find(std::string(identifier));
		return it == names.end() ? nullptr : &it->second;
	}

	std::unordered_map<std::string, Counts> names;
	const Text *source; // counted at the first question
};

bool has_brace(const Text &text, size_t from, size_t to)
{
	for (size_t p = from; p < to && p < text.size(); p++)
		if (text[p] == '{' || text[p] == '}')
			return true;
	return false;
}

// The start of the declarations whose text may reach offset: back over
// spaces, a name, one character, a word and one character ("#define N").
size_t declarations_reaching(const Text &text, size_t lowest, size_t offset)
{
	size_t p = offset;
	auto back_while = [&](bool (*test)(char)) {
		while (p > lowest && test(text[p - 1]))
			p--;
	};
	back_while(is_space_char);
	back_while(is_ident_char);
	if (p > lowest)
		p--;
	back_while(is_ident_char);
	if (p > lowest)
		p--;
	return p;
}

// Forward counterpart: past a name, spaces, one character, a name, spaces
// and one character.
size_t declarations_end(const Text &text, size_t offset)
{
	size_t p = offset;
	for (int round = 0; round < 2; round++) {
		while (p < text.size() && is_ident_char(text[p]))
			p++;
		while (p < text.size() && is_space_char(text[p]))
			p++;
		if (p < text.size())
			p++;
	}
	return p;
}

class ConstructorPass {
public:
	ConstructorPass(Text &text, std::string_view constructor, int count,
			size_t size_limit)
		: text(text), constructor(constructor),
		  length(constructor.size()), count(count),
		  size_limit(size_limit)
	{
	}

	bool run()
	{
		start();
		size_t from = head;
		// Ends: the search start moves past the call looked at each
		// turn; an expansion is written over the call and its copies
		// are searched again, as in the rule, and the growth limit
		// bounds them.
		for (size_t k; (k = find_from(work, constructor, from)) != npos;) {
			advance(k);
			bool stop_after = false;
			size_t e;
			if (!look_at_call(&e, &stop_after))
				return false;
			if (stop_after)
				return finish_unclosed();
			if (!inside_block_at(head) && !make_initialiser(e))
				return false;
			// The rule's search goes on past the length of the
			// constructor name from the call; after an initialiser
			// that can step over a call the rule may still expand
			// (when an identical call is expanded later).
			if (count > 1 &&
			    find_from(work, constructor, head + 1) < head + length)
				return false;
			from = head + length;
		}
		advance(work.size());
		return finish(out);
	}

private:
	// The literal rule's result, unless its growth limit could have
	// stopped it earlier than the pass: the text the pass made, plus what
	// the initialisers removed, bounds the size the rule reached.
	bool finish(Text &result)
	{
		if (size_limit != NO_SIZE_LIMIT &&
		    (result.size() > size_limit ||
		     size_limit - result.size() < shrunk))
			return false;
		text.swap(result);
		return true;
	}

	// A call that runs to the end of the text, expandable: the rule
	// replaces that rest of the text everywhere, earlier copies too, and
	// stops. When the rest holds no other call, it is what the rule saw,
	// and the rule's own step is run on the whole text.
	bool finish_unclosed()
	{
		if (find_from(work, constructor, head + length) != npos)
			return false;
		Text whole = out + work.substr(head);
		size_t k = out.size();
		const std::string argument = whole.substr(k + length);
		const std::string found = whole.substr(k);
		const std::string built =
			expansion(constructor, argument, count);
		const size_t before = whole.size();
		if (!replace_all_within(whole, found, built, size_limit))
			return finish(whole);
		size_t e = before + built.size() - found.size();
		if (!is_inside_block(whole, k))
			make_file_level_initialiser(whole, constructor, count,
						    &k, &e);
		return finish(whole);
	}

	void start()
	{
		const size_t room = 256 + text.size() / 4;
		work.assign(room, '\0');
		work += text;
		head = raw_base = raw_from = room;
		out.reserve(text.size() + text.size() / 4);
		inside = block_interior(text);
	}

	// Moves the text before offset of the work buffer to the output.
	void advance(size_t offset)
	{
		out.append(work, head, offset - head);
		head = offset;
		if (pending_close != npos && pending_close < head)
			pending_close = npos;
	}

	size_t size() const { return out.size() + work.size() - head; }

	// The text from the cursor on holds no brace before pending_close (a
	// brace initialiser's '}') and none before raw_from, from where it is
	// the input's own text.
	bool inside_block_at(size_t offset) const
	{
		if (pending_close != npos && offset <= pending_close)
			return true;
		const size_t raw = offset > raw_from ? offset : raw_from;
		return inside[raw - raw_base];
	}

	// Scans the call at the cursor and expands it; false when the pass
	// gives up. *e is where its scan ended; *stop_after tells that the call
	// runs to the end of the text and is expandable.
	bool look_at_call(size_t *e, bool *stop_after)
	{
		const size_t k = head;
		const ArgumentScan scan =
			ArgumentScanner<DeclarationIndex>(work, index)
				.scan(k + length);
		*e = scan.end;
		if (count < 2 || !scan.expandable())
			return true;
		if (*e >= work.size() || work[*e] != ')') {
			*stop_after = true; // finish_unclosed expands it
			return true;
		}
		const std::string argument =
			work.substr(k + length, *e - k - length);
		if (argument.find_first_of("{}") != npos)
			return false;
		const size_t found = *e - k + 1;
		const std::string built =
			expansion(constructor, argument, count);
		const size_t growth = built.size() - found;
		if (size_limit != NO_SIZE_LIMIT &&
		    (size_limit < size() || size_limit - size() < growth))
			return false;

		index.count(argument, 0, argument.size(), count - 1);
		size_t end = k + found;
		if (end < built.size())
			end += make_room(built.size());
		if (raw_from < end)
			raw_from = end;
		head = end - built.size();
		memcpy(&work[head], built.data(), built.size());
		*e = end - 1;
		return true;
	}

	// Grows the room in front of the work buffer; returns by how much
	// every offset moved.
	size_t make_room(size_t needed)
	{
		const size_t more = needed + work.size() / 2 + 256;
		work.insert(0, more, '\0');
		head += more;
		raw_base += more;
		raw_from += more;
		if (pending_close != npos)
			pending_close += more;
		return more;
	}

	// "T x = T(...)" at file level, the call at the cursor; false when
	// the pass gives up.
	bool make_initialiser(size_t e)
	{
		const std::string_view type = constructor.substr(0, length - 1);
		Offset p = skip_spaces_back(out, Offset(out.size()) - 1);
		if (p < 0 || out[size_t(p)] != '=')
			return true;
		p = skip_spaces_back(out, p - 1);
		while (p >= 0 && is_ident_char(out[size_t(p)]))
			p--;
		p = skip_spaces_back(out, p);
		if (!word_ends_at(out, p, type))
			return true;

		const Offset b = skip_spaces_back(out, p - Offset(type.size()));
		if (!word_ends_at(out, b, "uniform") &&
		    !word_ends_at(out, b, "const"))
			insert_uniform(size_t(b + 1));

		if (char_at(work, e) != ')')
			return true;
		if (count > 1) {
			if (has_brace(work, head + length, e))
				return false;
			work[e] = '}';
			head += length - 1;
			work[head] = '{';
			pending_close = e;
			shrunk += length;
			return true;
		}
		head += length;
		if (has_brace(work, head, e))
			return false;
		remove_close(e);
		shrunk += length + 1;
		return true;
	}

	// "uniform " in front of the declaration, at offset of the output.
	void insert_uniform(size_t offset)
	{
		const size_t first = declarations_reaching(out, 0, offset);
		if (offset > 0)
			index.count(out, first, offset - 1, -1);
		out.insert(offset, "uniform ");
		if (offset > 0)
			index.count(out, first, offset - 1, 1);
	}

	// Removes the ')' at e by moving the text between the cursor and it
	// one byte on; that text is no longer the input's own.
	void remove_close(size_t e)
	{
		const size_t first = declarations_reaching(work, head, e);
		const size_t last = declarations_end(work, e + 1);
		const Text before = work.substr(first, last - first);
		if (e > first)
			index.count(before, 0, e - first - 1, -1);
		memmove(&work[head + 1], &work[head], e - head);
		head++;
		if (raw_from < e + 1)
			raw_from = e + 1;
		const Text after = work.substr(first + 1, last - first - 1);
		if (e > first)
			index.count(after, 0, e - first - 1, 1);
	}

	Text &text;
	const std::string_view constructor;
	const size_t length;
	const int count;
	const size_t size_limit;

	Text out;  // the text before the cursor
	Text work; // room, then the text from the cursor (head) on
	size_t head = 0;
	size_t raw_base = 0; // where the input's offset 0 would be in work
	size_t raw_from = 0; // from here on work holds the input's text
	size_t pending_close = npos;
	size_t shrunk = 0; // bytes the initialisers removed
	std::vector<bool> inside; // per offset of the input
	DeclarationIndex index{text};
};

} // namespace

bool expand_constructor_linear(Text &text, std::string_view constructor,
			       int count, size_t size_limit)
{
	if (constructor.size() < 2 || text.find(constructor) == npos)
		return true;
	return ConstructorPass(text, constructor, count, size_limit).run();
}
