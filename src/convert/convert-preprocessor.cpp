// Preprocessor lines the effect compiler would read differently: blocks
// switched off or on by a constant, and "#if defined(NAME)".
#include "convert-conversion.h"

#include <cstring>

using namespace convert_text;

// "#if 0" blocks go; their "#else" text stays, and an "#elif X" becomes
// "#if X". Nesting is not tracked.
void remove_disabled_blocks(Text &text)
{
	size_t from = 0;
	// Ends: every turn shortens the text ("#elif" case: 5 + at least 5
	// bytes removed, 3 inserted; the others remove at least 11).
	for (size_t o; (o = find_from(text, "#if 0", from)) != npos;) {
		const size_t e = find_from(text, "#endif", o);
		const size_t l = find_from(text, "#else", o);
		const size_t f = find_from(text, "#elif", o);
		if (e == npos)
			return;
		if (f != npos && f < e && (l == npos || f < l)) {
			remove_at(text, o, f + 5 - o);
			insert_at(text, o, "#if");
			from = o + 3;
		} else if (l != npos && l < e) {
			remove_at(text, e, 6);
			remove_at(text, o, l + 5 - o);
			from = o;
		} else {
			remove_at(text, o, e + 6 - o);
			from = o;
		}
	}
}

// "#if 1" blocks keep their first branch; the "#if 1" line is emptied.
void keep_enabled_blocks(Text &text)
{
	size_t from = 0;
	// Ends: every turn removes at least the 6 bytes of an "#endif".
	for (size_t o; (o = find_from(text, "#if 1", from)) != npos;) {
		const size_t e = find_from(text, "#endif", o);
		const size_t l = find_from(text, "#el", o);
		if (e == npos)
			return;
		if (l != npos && l < e)
			remove_at(text, l, e + 6 - l);
		else
			remove_at(text, e, 6);
		const size_t line_end = find_char(text, '\n', o);
		if (line_end != npos)
			remove_at(text, o, line_end - o);
		from = o;
	}
}

// "#if defined(NAME)" lines become "#ifdef NAME ".
void convert_if_defined(Text &text)
{
	const std::string_view directive = "#if defined(";
	const size_t after = directive.size();
	size_t p = find_from(text, directive, 0);
	// Ends: a turn either moves p to a later directive or rewrites the
	// one at p (which leaves one directive fewer and creates none).
	while (p != npos) {
		const size_t q = find_from(text, ")\n", p + after);
		const size_t n = find_from(text, directive, p + after);
		if (q == npos || (n != npos && q >= n)) {
			p = n;
			continue;
		}
		text[q] = ' ';
		remove_at(text, p, after);
		insert_at(text, p, "#ifdef ");
		// The search goes on 5 bytes into "#ifdef NAME", as it always
		// has; no directive starts there.
		p = find_from(text, directive, p + 5);
	}
}


void rename_reserved_macros(Text &text)
{
	// A macro of the text that the renaming rules gave the name of one of
	// the template's uniforms (a "#define time ..." after the time
	// rewrite) would replace that uniform everywhere after it: the macro
	// and its uses after it get a name of their own.
	for (const char *name : {"elapsed_time", "uv_size", "local_time",
				 "uv_pixel_interval", "image",
				 "textureSampler"}) {
		const std::string directive = std::string("#define ") + name;
		for (size_t at = find_from(text, directive, 0); at != npos;
		     at = find_from(text, directive, at + directive.size())) {
			if (is_ident_char(char_at(text, at + directive.size())))
				continue;
			const std::string own = std::string(name) + "_";
			for (size_t use = at + 8; use != npos;
			     use = find_from(text, name, use + own.size())) {
				if (ident_before(text, use) ||
				    is_ident_char(char_at(text, use + strlen(name))))
					continue;
				text.replace(use, strlen(name), own);
			}
		}
	}
}
