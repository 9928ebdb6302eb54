// The gift overlay filter ("velmora-gift"): put on a source that plays
// alpha-packed video, it shows the colour half with the mask half as its
// transparency, at the size its crop settings give.
#pragma once

#include "../plugin-ids.h"

#include <obs-module.h>
#include <graphics/vec2.h>

#include <stdint.h>

// One record per filter instance, zero-filled by create.
struct gift_filter {
	obs_source_t *source;

	gs_effect_t *effect;
	gs_eparam_t *mul_val_param;
	gs_eparam_t *add_val_param;
	// Looked up by name; the effect declares no such uniform, so this
	// stays null and nothing is set on it.
	gs_eparam_t *multiplier_param;

	// Settings, pixels.
	int32_t left;
	int32_t right;
	int32_t top;
	int32_t bottom;
	int32_t abs_cx;
	int32_t abs_cy;

	// Output size worked out by the tick; at least 1 once a tick has seen
	// a target.
	int32_t width;
	int32_t height;

	bool absolute;

	// Texture-coordinate scale and offset for the effect's "Draw".
	struct vec2 mul_val;
	struct vec2 add_val;
};

/* Pure logic (no host calls), in gift-geometry.cpp. */

// A 64-bit integer setting narrowed to 32 bits, saturating at the limits.
int32_t gift_setting_to_int32(long long value);

// Works out width, height, mul_val and add_val for a target of
// base_width x base_height from the crop fields.
void gift_filter_fit(struct gift_filter *filter, uint32_t base_width,
		     uint32_t base_height);

/* Host callbacks, in gift-filter.cpp. */

const char *gift_filter_get_name(void *type_data);
void *gift_filter_create(obs_data_t *settings, obs_source_t *source);
void gift_filter_destroy(void *data);
void gift_filter_update(void *data, obs_data_t *settings);
void gift_filter_get_defaults(obs_data_t *settings);
obs_properties_t *gift_filter_get_properties(void *data);
void gift_filter_video_tick(void *data, float seconds);
void gift_filter_video_render(void *data, gs_effect_t *effect);
uint32_t gift_filter_get_width(void *data);
uint32_t gift_filter_get_height(void *data);
enum gs_color_space
gift_filter_video_get_color_space(void *data, size_t count,
				  const enum gs_color_space *preferred_spaces);
