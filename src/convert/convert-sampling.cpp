// Texture sampling: the first sampled texture becomes the filter input
// "image", every other one a texture uniform of its own.
#include "convert-conversion.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace convert_text;

namespace {

// Where a sampler's name ends.
constexpr ByteSet SAMPLER_NAME_END("\t\n), ");

// The sampling functions and the texture method each becomes: a level of
// detail is SampleLevel's argument (Sample's third argument is a texel
// offset on Direct3D), and texelFetch reads one texel with Load (its
// arguments made "int3(P, L)" by convert_sampler_parameters).
struct Sampling {
	const char *name;
	const char *method;
};

const Sampling samplings[] = {
	{"texture(", ".Sample(textureSampler"},
	{"texture2D(", ".Sample(textureSampler"},
	{"texelFetch(", ".Load("},
	{"Texel(", ".Sample(textureSampler"},
	{"textureLod(", ".SampleLevel(textureSampler"},
	{"texture2DLod(", ".SampleLevel(textureSampler"},
};

struct SamplingSite {
	size_t offset = npos;
	const Sampling *sampling = nullptr;
};

SamplingSite find_sampling(const Text &text, size_t from)
{
	SamplingSite site;
	for (const Sampling &sampling : samplings) {
		const size_t at = find_from(text, sampling.name, from);
		if (at != npos && at < site.offset) {
			site.offset = at;
			site.sampling = &sampling;
		}
	}
	return site;
}

} // namespace

// After a site passed over (an identifier character before it) the search
// goes on for all sampling names, as it does after a converted site.
void convert_texture_sampling(Conversion &c, size_t size_limit)
{
	Text &text = c.text;
	int sampler_count = 0;
	SamplingSite site = find_sampling(text, 0);
	// Ends: each turn searches again from past the site it looked at (at
	// least 6 bytes further on), and the text never grows past
	// size_limit: a replacement that would is not made and ends the step.
	while (site.offset != npos) {
		const size_t next_from =
			site.offset + strlen(site.sampling->name);
		if (ident_before(text, site.offset)) {
			site = find_sampling(text, next_from);
			continue;
		}
		const size_t start = skip_spaces(text, next_from);
		const size_t end = name_end(text, start, SAMPLER_NAME_END);
		const std::string sampler = take(text, start, end);
		const std::string site_text = take(text, site.offset, end);

		const std::string substitute =
			(sampler_count > 0 ? sampler : std::string("image")) +
			site.sampling->method;
		if (!replace_all_within(text, site_text, substitute,
					size_limit))
			return;
		if (sampler_count > 0)
			c.prelude += "uniform texture2d " + sampler + ";\n";
		replace_all(text, "textureSize(" + sampler + ", 0)", "uv_size");
		replace_all(text, "textureSize(" + sampler + ",0)", "uv_size");
		sampler_count++;
		site = find_sampling(text, next_from);
	}
}

namespace {

// The ')' (or ']', '}') that closes the bracket at open, or npos.
size_t closing(const Text &text, size_t open)
{
	int depth = 0;
	for (size_t p = open; p < text.size(); p++) {
		if (strchr("([{", text[p]) && text[p] != '\0')
			depth++;
		else if (strchr(")]}", text[p]) && text[p] != '\0' && --depth == 0)
			return p;
	}
	return npos;
}

// The offsets of the top-level ',' between open and close.
std::vector<size_t> commas(const Text &text, size_t open, size_t close)
{
	std::vector<size_t> found;
	int depth = 0;
	for (size_t p = open + 1; p < close; p++) {
		const char c = text[p];
		if (c == '(' || c == '[' || c == '{')
			depth++;
		else if (c == ')' || c == ']' || c == '}')
			depth--;
		else if (c == ',' && depth == 0)
			found.push_back(p);
	}
	return found;
}

// The i-th argument of the list between open and close.
std::string argument(const Text &text, size_t open, size_t close, size_t i)
{
	const std::vector<size_t> at = commas(text, open, close);
	if (i > at.size())
		return std::string();
	const size_t from = i == 0 ? open + 1 : at[i - 1] + 1;
	const size_t to = i == at.size() ? close : at[i];
	return trimmed(text, from, to);
}

// The list between open and close without its i-th argument.
std::string without_argument(const Text &text, size_t open, size_t close,
			     size_t i)
{
	const std::vector<size_t> at = commas(text, open, close);
	std::string list;
	for (size_t k = 0; k <= at.size(); k++) {
		if (k == i)
			continue;
		const size_t from = k == 0 ? open + 1 : at[k - 1] + 1;
		const size_t to = k == at.size() ? close : at[k];
		if (!list.empty())
			list += ",";
		list += take(text, from, to);
	}
	return "(" + list + ")";
}

std::string renamed_word(std::string text, const std::string &from,
			 const std::string &to)
{
	for (size_t at = find_from(text, from, 0); at != npos;
	     at = find_from(text, from, at + 1)) {
		if (ident_before(text, at) ||
		    is_ident_char(char_at(text, at + from.size())))
			continue;
		text.replace(at, from.size(), to);
		at += to.size() - 1;
	}
	return text;
}

// A function with a "sampler2D NAME" parameter.
struct SamplerHelper {
	std::string name;      // the function's name
	std::string parameter; // the sampler parameter's name
	size_t index = 0;      // its place in the parameter list
	size_t start = 0;      // the definition, from its result type
	size_t open = 0, close = 0, end = 0; // list brackets, body's '}'
};

bool read_helper(const Text &text, size_t sampler, SamplerHelper *h)
{
	Offset before = skip_blanks_back(text, Offset(sampler) - 1);
	while (word_ends_at(text, before, "in") ||
	       word_ends_at(text, before, "const") ||
	       word_ends_at(text, before, "highp") ||
	       word_ends_at(text, before, "mediump") ||
	       word_ends_at(text, before, "lowp")) {
		while (before >= 0 && is_ident_char(text[size_t(before)]))
			before--;
		before = skip_blanks_back(text, before);
	}
	if (char_at(text, before) != '(' && char_at(text, before) != ',')
		return false;
	const size_t name_start = skip_blanks(text, sampler + 9);
	h->parameter = take(text, name_start, word_end(text, name_start));
	Offset open = before;
	int depth = 0;
	for (; open >= 0; open--) {
		const char c = text[size_t(open)];
		if (c == ')')
			depth++;
		else if (c == '(' && depth-- == 0)
			break;
	}
	if (open < 0 || h->parameter.empty())
		return false;
	h->open = size_t(open);
	h->close = closing(text, h->open);
	const Offset name_last = skip_blanks_back(text, open - 1);
	Offset name_first = name_last;
	while (name_first >= 0 && is_ident_char(text[size_t(name_first)]))
		name_first--;
	h->name = take(text, size_t(name_first + 1), size_t(name_last + 1));
	const Offset type_last = skip_blanks_back(text, name_first);
	Offset type_first = type_last;
	while (type_first >= 0 && is_ident_char(text[size_t(type_first)]))
		type_first--;
	h->start = size_t(type_first + 1);
	const size_t brace = h->close == npos ? npos
					      : skip_blanks(text, h->close + 1);
	if (h->name.empty() || type_last == name_first ||
	    char_at(text, brace) != '{')
		return false;
	h->end = closing(text, brace);
	h->index = 0;
	for (size_t comma : commas(text, h->open, h->close))
		h->index += comma < sampler;
	return h->end != npos;
}

struct Edit {
	size_t from, to;
	std::string by;
};

// One helper: a copy per texture its calls pass, without the sampler
// parameter; false when a call passes something other than a name.
bool split_helper(Text &text, const SamplerHelper &h,
		  const std::vector<std::string> &parameters)
{
	std::vector<Edit> edits;
	std::vector<std::string> channels;
	for (size_t at = find_from(text, h.name, 0); at != npos;
	     at = find_from(text, h.name, at + h.name.size())) {
		const size_t open = skip_blanks(text, at + h.name.size());
		if (ident_before(text, at) || char_at(text, open) != '(' ||
		    (at >= h.start && at <= h.end))
			continue;
		const size_t close = closing(text, open);
		if (close == npos)
			return false;
		const std::string channel = argument(text, open, close, h.index);
		if (channel.empty() ||
		    word_end(channel, 0) != channel.size() ||
		    std::find(parameters.begin(), parameters.end(), channel) !=
			    parameters.end())
			return false;
		if (std::find(channels.begin(), channels.end(), channel) ==
		    channels.end())
			channels.push_back(channel);
		edits.push_back({at, close + 1,
				 h.name + "_" + channel +
					 without_argument(text, open, close,
							  h.index)});
	}
	std::string copies;
	const std::string head = take(text, h.start, h.open);
	const std::string list = without_argument(text, h.open, h.close, h.index);
	const std::string body = take(text, h.close + 1, h.end + 1);
	for (const std::string &channel : channels)
		copies += renamed_word(head, h.name, h.name + "_" + channel) +
			  list + renamed_word(body, h.parameter, channel) +
			  "\n";
	edits.push_back({h.start, h.end + 1, copies});
	std::sort(edits.begin(), edits.end(),
		  [](const Edit &a, const Edit &b) { return a.from > b.from; });
	for (const Edit &edit : edits)
		text.replace(edit.from, edit.to - edit.from, edit.by);
	return true;
}

} // namespace

void convert_sampler_parameters(Text &text)
{
	// The text's own declarations of its textures go: the sampling rule
	// declares every texture but the first, which is the filter input.
	for (const char *declaration : {"uniform sampler2D ", "extern Image "}) {
		for (size_t at = find_from(text, declaration, 0); at != npos;
		     at = find_from(text, declaration, at)) {
			const size_t semicolon = find_char(text, ';', at);
			const size_t line = find_char(text, '\n', at);
			if (semicolon == npos || semicolon > line) {
				at++;
				continue;
			}
			text.replace(at, semicolon + 1 - at, "");
		}
	}
	// texelFetch(A, P, L) becomes texelFetch(A int3(P, L)): the sampling
	// rule makes "A.Load( int3(P, L))" of it.
	for (size_t at = find_from(text, "texelFetch(", 0); at != npos;
	     at = find_from(text, "texelFetch(", at + 11)) {
		const size_t open = at + 10;
		const size_t close = closing(text, open);
		if (close == npos || commas(text, open, close).size() != 2)
			continue;
		const size_t first = commas(text, open, close)[0];
		text.replace(close, 1, "))");
		text.replace(first, 1, " int3(");
	}
	// Helpers taking a texture: one copy per texture passed, the texture
	// named inside. A helper passing its own texture parameter on waits
	// until its caller is split; 64 splits cover any real shader.
	for (int split = 0; split < 64; split++) {
		std::vector<SamplerHelper> helpers;
		std::vector<std::string> parameters;
		for (size_t at = find_from(text, "sampler2D", 0); at != npos;
		     at = find_from(text, "sampler2D", at + 9)) {
			SamplerHelper h;
			if (!ident_before(text, at) &&
			    is_space_char(char_at(text, at + 9)) &&
			    read_helper(text, at, &h)) {
				helpers.push_back(h);
				parameters.push_back(h.parameter);
			}
		}
		const auto done = std::find_if(
			helpers.begin(), helpers.end(),
			[&](const SamplerHelper &h) {
				return split_helper(text, h, parameters);
			});
		if (done == helpers.end())
			return;
	}
}
