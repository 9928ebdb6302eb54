// How a filter chooses its colour space and the format of its intermediate
// render target. Shared by the module's filters.
#pragma once

#include <obs.h>

#ifdef __cplusplus
extern "C" {
#endif

// The spaces a filter offers when it asks its target for its space, in the
// filter's order of preference.
#define FILTER_PREFERRED_SPACE_COUNT 3
extern const enum gs_color_space
	FILTER_PREFERRED_SPACES[FILTER_PREFERRED_SPACE_COUNT];

// The target's space, asked with FILTER_PREFERRED_SPACES; sRGB when there
// is no target.
enum gs_color_space filter_target_color_space(obs_source_t *target);

// GS_RGBA16F for the 16-bit float and extended spaces, GS_RGBA otherwise.
enum gs_color_format filter_texture_format(enum gs_color_space space);

// What a filter reports when the host asks with its own preferred list: the
// first entry equal to the target's space, else the list's last entry; the
// target's space when the list is empty.
enum gs_color_space
filter_pick_color_space(enum gs_color_space target_space, size_t count,
			const enum gs_color_space *preferred_spaces);

#ifdef __cplusplus
}
#endif
