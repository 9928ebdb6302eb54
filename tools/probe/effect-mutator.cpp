#include "effect-mutator.h"

#include <cctype>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mutator {

namespace {

struct Piece {
	size_t begin, end;
	bool blank;
};

// A rough split into tokens: names, numbers, strings, comments, blanks and
// single characters. Close enough to cut effects at token boundaries.
std::vector<Piece> pieces(const std::string &s)
{
	std::vector<Piece> out;
	size_t i = 0;
	while (i < s.size()) {
		const size_t b = i;
		const unsigned char c = (unsigned char)s[i];
		bool blank = false;
		if (isalpha(c) || c == '_') {
			while (i < s.size() &&
			       (isalnum((unsigned char)s[i]) || s[i] == '_'))
				i++;
		} else if (isdigit(c) || (c == '.' && i + 1 < s.size() &&
					  isdigit((unsigned char)s[i + 1]))) {
			while (i < s.size() &&
			       (isalnum((unsigned char)s[i]) || s[i] == '.'))
				i++;
		} else if (c == '"' || c == '\'') {
			i++;
			while (i < s.size() && s[i] != char(c) && s[i] != '\n')
				i++;
			if (i < s.size() && s[i] == char(c))
				i++;
		} else if (s.compare(i, 2, "//") == 0) {
			while (i < s.size() && s[i] != '\n')
				i++;
			blank = true;
		} else if (s.compare(i, 2, "/*") == 0) {
			const size_t e = s.find("*/", i + 2);
			i = e == std::string::npos ? s.size() : e + 2;
			blank = true;
		} else if (isspace(c)) {
			while (i < s.size() && isspace((unsigned char)s[i]))
				i++;
			blank = true;
		} else {
			i++;
		}
		out.push_back({b, i, blank});
	}
	return out;
}

std::vector<size_t> line_starts(const std::string &s)
{
	std::vector<size_t> starts = {0};
	for (size_t i = 0; i < s.size(); i++)
		if (s[i] == '\n')
			starts.push_back(i + 1);
	return starts;
}

size_t pick(std::mt19937_64 &rng, size_t n)
{
	return n ? size_t(rng() % n) : 0;
}

// Characters and snippets that upset the host when they land in the wrong
// place.
const char *const snippets[] = {
	"{", "}", "(", ")", "[", "]", "\"", "'", "\\", "\\\n", "#", "\n#",
	"/*", "*/", "//", ";", ",", ":", "<", ">", "=", "\n", "#define ",
	"#ifdef OPENGL\n", "#endif\n", "#else\n", "struct ", "technique ",
	"uniform ", "mainImage", "VertData", ": TARGET", "NULL",
};

Sample mutate_once(const std::string &text, std::mt19937_64 &rng)
{
	const std::vector<Piece> toks = pieces(text);
	std::vector<size_t> solid;
	for (size_t i = 0; i < toks.size(); i++)
		if (!toks[i].blank)
			solid.push_back(i);
	const std::vector<size_t> lines = line_starts(text);
	auto line_end = [&](size_t l) {
		return l + 1 < lines.size() ? lines[l + 1] : text.size();
	};
	std::string out = text;
	switch (pick(rng, 12)) {
	case 0: {
		out.erase(pick(rng, text.size()), 1);
		return {"delete-char", out};
	}
	case 1: {
		const size_t at = pick(rng, text.size());
		out.erase(at, 1 + pick(rng, 64));
		return {"delete-chars", out};
	}
	case 2:
		return {"truncate-chars", text.substr(0, pick(rng, text.size()))};
	case 3: {
		if (solid.empty())
			break;
		const Piece &p = toks[solid[pick(rng, solid.size())]];
		out.erase(p.begin, p.end - p.begin);
		return {"delete-token", out};
	}
	case 4: {
		if (solid.empty())
			break;
		const Piece &p = toks[solid[pick(rng, solid.size())]];
		return {"truncate-tokens", text.substr(0, p.end)};
	}
	case 5: {
		const size_t l = pick(rng, lines.size());
		out.erase(lines[l], line_end(l) - lines[l]);
		return {"delete-line", out};
	}
	case 6: {
		const size_t l = pick(rng, lines.size());
		const size_t n = 1 + pick(rng, 8);
		const size_t last = std::min(lines.size() - 1, l + n - 1);
		out.erase(lines[l], line_end(last) - lines[l]);
		return {"delete-lines", out};
	}
	case 7:
		return {"truncate-lines",
			text.substr(0, lines[pick(rng, lines.size())])};
	case 8: {
		const size_t l = pick(rng, lines.size());
		out.insert(lines[l], text.substr(lines[l], line_end(l) - lines[l]));
		return {"duplicate-line", out};
	}
	case 9: {
		if (solid.size() < 2)
			break;
		const size_t k = pick(rng, solid.size() - 1);
		const Piece &a = toks[solid[k]], &b = toks[solid[k + 1]];
		out = text.substr(0, a.begin) +
		      text.substr(b.begin, b.end - b.begin) +
		      text.substr(a.end, b.begin - a.end) +
		      text.substr(a.begin, a.end - a.begin) + text.substr(b.end);
		return {"swap-tokens", out};
	}
	case 10: {
		if (solid.empty())
			break;
		const Piece &p = toks[solid[pick(rng, solid.size())]];
		out.insert(pick(rng, text.size() + 1),
			   text.substr(p.begin, p.end - p.begin));
		return {"insert-token", out};
	}
	default: {
		const size_t n = sizeof(snippets) / sizeof(snippets[0]);
		out.insert(pick(rng, text.size() + 1), snippets[pick(rng, n)]);
		return {"insert-snippet", out};
	}
	}
	return {"delete-char", text.substr(0, text.size() / 2)};
}

} // namespace

Sample mutate(const std::string &text, std::mt19937_64 &rng)
{
	// Mostly one change; sometimes two or three on top of each other.
	const size_t rounds = pick(rng, 4) == 0 ? 2 + pick(rng, 2) : 1;
	Sample sample{"", text};
	for (size_t r = 0; r < rounds; r++) {
		Sample next = mutate_once(sample.text, rng);
		sample.name += (r ? "+" : "") + next.name;
		sample.text = std::move(next.text);
	}
	return sample;
}

} // namespace mutator
