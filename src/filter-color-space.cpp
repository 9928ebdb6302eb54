#include "filter-color-space.h"

extern "C" const enum gs_color_space
	FILTER_PREFERRED_SPACES[FILTER_PREFERRED_SPACE_COUNT] = {
		GS_CS_SRGB,
		GS_CS_SRGB_16F,
		GS_CS_709_EXTENDED,
};

enum gs_color_space filter_target_color_space(obs_source_t *target)
{
	if (!target)
		return GS_CS_SRGB;
	return obs_source_get_color_space(target, FILTER_PREFERRED_SPACE_COUNT,
					  FILTER_PREFERRED_SPACES);
}

enum gs_color_format filter_texture_format(enum gs_color_space space)
{
	switch (space) {
	case GS_CS_SRGB_16F:
	case GS_CS_709_EXTENDED:
	case GS_CS_709_SCRGB:
		return GS_RGBA16F;
	default:
		return GS_RGBA;
	}
}

enum gs_color_space
filter_pick_color_space(enum gs_color_space target_space, size_t count,
			const enum gs_color_space *preferred_spaces)
{
	if (count == 0 || !preferred_spaces)
		return target_space;
	for (size_t i = 0; i < count; i++)
		if (preferred_spaces[i] == target_space)
			return target_space;
	return preferred_spaces[count - 1];
}
