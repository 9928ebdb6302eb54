// Texture sampling: the first sampled texture becomes the filter input
// "image", every other one a texture uniform of its own.
#include "convert-conversion.h"

#include <cstring>

using namespace convert_text;

namespace {

// Where a sampler's name ends.
constexpr ByteSet SAMPLER_NAME_END("\t\n), ");

const char *const sampling_names[] = {"texture(", "texture2D(", "texelFetch(",
				      "Texel(", "textureLod("};

struct SamplingSite {
	size_t offset = npos;
	size_t name_length = 0;
};

SamplingSite find_sampling(const Text &text, size_t from)
{
	SamplingSite site;
	for (const char *name : sampling_names) {
		const size_t at = find_from(text, name, from);
		if (at != npos && at < site.offset) {
			site.offset = at;
			site.name_length = strlen(name);
		}
	}
	return site;
}

} // namespace

// After a site passed over (an identifier character before it) the search
// goes on for all five names, as it does after a converted site.
void convert_texture_sampling(Conversion &c, size_t size_limit)
{
	Text &text = c.text;
	int sampler_count = 0;
	SamplingSite site = find_sampling(text, 0);
	// Ends: each turn searches again from past the site it looked at (at
	// least 6 bytes further on), and the text never grows past
	// size_limit: a replacement that would is not made and ends the step.
	while (site.offset != npos) {
		const size_t next_from = site.offset + site.name_length;
		if (ident_before(text, site.offset)) {
			site = find_sampling(text, next_from);
			continue;
		}
		const size_t start = skip_spaces(text, next_from);
		const size_t end = name_end(text, start, SAMPLER_NAME_END);
		const std::string sampler = take(text, start, end);
		const std::string site_text = take(text, site.offset, end);

		std::string substitute = "image.Sample(textureSampler";
		if (sampler_count > 0)
			substitute = sampler + ".Sample(textureSampler";
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

