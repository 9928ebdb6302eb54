// Host callbacks of the gift overlay filter.
#include "gift-filter.h"
#include "gift-effect.h"

#include "../filter-color-space.h"
#include "../plugin-support.h"
#include "../settings-read.h"

namespace {

// Integer crop settings in the order get_properties adds them.
struct CropSetting {
	const char *key;
	const char *label;
	int min;
};

const CropSetting CROP_SETTINGS[] = {
	{"left", "Crop.Left", -8192},  {"top", "Crop.Top", -8192},
	{"right", "Crop.Right", -8192}, {"bottom", "Crop.Bottom", -8192},
	{"cx", "Crop.Width", 0},        {"cy", "Crop.Height", 0},
};

const int CROP_MAX = 8192;
const bool RELATIVE_DEFAULT = true;

// Linear 1.0 is 80 nits (scRGB): the SDR white level in nits over this is
// the multiplier that puts SDR white where the host wants it.
const float SDR_WHITE_UNIT = 80.0f;

// A crop setting: a value that is not a number counts as absent.
int32_t int_setting(obs_data_t *settings, const char *key)
{
	settings_keep_type(settings, key, OBS_DATA_NUMBER);
	return gift_setting_to_int32(settings_int(settings, key));
}

bool compile_effect(gift_filter *filter)
{
	obs_enter_graphics();
	filter->effect = gift_effect_create();
	obs_leave_graphics();
	if (!filter->effect)
		return false;

	filter->mul_val_param =
		gs_effect_get_param_by_name(filter->effect, "mul_val");
	filter->add_val_param =
		gs_effect_get_param_by_name(filter->effect, "add_val");
	filter->multiplier_param =
		gs_effect_get_param_by_name(filter->effect, "multiplier");
	return true;
}

// The SDR white level for an effect that declares "multiplier". Setting a
// null parameter makes the host log an error on every frame, so nothing is
// set when the effect has no such uniform (ours has none).
void set_multiplier(gift_filter *filter)
{
	if (!filter->multiplier_param)
		return;
	gs_effect_set_float(filter->multiplier_param,
			    obs_get_video_sdr_white_level() / SDR_WHITE_UNIT);
}

} // namespace

const char *gift_filter_get_name(void *)
{
	return module_text("Korvane礼物");
}

void *gift_filter_create(obs_data_t *settings, obs_source_t *source)
{
	auto *filter = static_cast<gift_filter *>(bzalloc(sizeof(gift_filter)));
	filter->source = source;

	if (!compile_effect(filter)) {
		bfree(filter);
		return nullptr;
	}

	obs_source_update(source, settings);
	return filter;
}

void gift_filter_destroy(void *data)
{
	auto *filter = static_cast<gift_filter *>(data);
	obs_enter_graphics();
	gs_effect_destroy(filter->effect);
	obs_leave_graphics();
	bfree(filter);
}

void gift_filter_update(void *data, obs_data_t *settings)
{
	auto *filter = static_cast<gift_filter *>(data);
	settings_keep_type(settings, "relative", OBS_DATA_BOOLEAN);
	filter->absolute = !settings_bool(settings, "relative", RELATIVE_DEFAULT);
	filter->left = int_setting(settings, "left");
	filter->top = int_setting(settings, "top");
	filter->right = int_setting(settings, "right");
	filter->bottom = int_setting(settings, "bottom");
	filter->abs_cx = int_setting(settings, "cx");
	filter->abs_cy = int_setting(settings, "cy");
}

void gift_filter_get_defaults(obs_data_t *settings)
{
	obs_data_set_default_bool(settings, "relative", RELATIVE_DEFAULT);
}

obs_properties_t *gift_filter_get_properties(void *)
{
	obs_properties_t *props = obs_properties_create();

	obs_property_t *relative = obs_properties_add_bool(
		props, "relative", module_text("Crop.Relative"));
	obs_property_set_visible(relative, false);

	for (const CropSetting &crop : CROP_SETTINGS) {
		obs_property_t *p = obs_properties_add_int(
			props, crop.key, module_text(crop.label), crop.min,
			CROP_MAX, 1);
		obs_property_set_visible(p, false);
	}
	return props;
}

void gift_filter_video_tick(void *data, float)
{
	auto *filter = static_cast<gift_filter *>(data);
	vec2_zero(&filter->mul_val);
	vec2_zero(&filter->add_val);

	obs_source_t *target = obs_filter_get_target(filter->source);
	if (!target)
		return;

	gift_filter_fit(filter, obs_source_get_base_width(target),
			obs_source_get_base_height(target));
}

void gift_filter_video_render(void *data, gs_effect_t *)
{
	auto *filter = static_cast<gift_filter *>(data);
	const gs_color_space space =
		filter_target_color_space(obs_filter_get_target(filter->source));
	const gs_color_format format = filter_texture_format(space);

	if (!obs_source_process_filter_begin_with_color_space(
		    filter->source, format, space, OBS_NO_DIRECT_RENDERING))
		return;

	gs_effect_set_vec2(filter->mul_val_param, &filter->mul_val);
	gs_effect_set_vec2(filter->add_val_param, &filter->add_val);
	gift_effect_set_packing(filter->effect);
	set_multiplier(filter);

	gs_blend_state_push();
	gs_blend_function(GS_BLEND_ONE, GS_BLEND_INVSRCALPHA);
	obs_source_process_filter_tech_end(filter->source, filter->effect,
					   uint32_t(filter->width),
					   uint32_t(filter->height),
					   GIFT_EFFECT_TECHNIQUE);
	gs_blend_state_pop();
}

uint32_t gift_filter_get_width(void *data)
{
	return uint32_t(static_cast<gift_filter *>(data)->width);
}

uint32_t gift_filter_get_height(void *data)
{
	return uint32_t(static_cast<gift_filter *>(data)->height);
}

enum gs_color_space
gift_filter_video_get_color_space(void *data, size_t count,
				  const enum gs_color_space *preferred_spaces)
{
	auto *filter = static_cast<gift_filter *>(data);
	const gs_color_space space =
		filter_target_color_space(obs_filter_get_target(filter->source));
	return filter_pick_color_space(space, count, preferred_spaces);
}
