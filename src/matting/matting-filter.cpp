// The filter instance: create, destroy, size and colour space.
#include "matting-filter.h"
#include "effect-text.h"
#include "matting-random.h"
#include "matting-texture-param.h"
#include "matting-uniforms.h"
#include "../filter-color-space.h"
#include "../plugin-support.h"
#include "../settings-read.h"

#include <obs.hpp>

#include <util/bmem.h>

#include <cstring>

namespace {

const char OUTPUT_IMAGE_PARAM[] = "output_image";

void compile_output_effect(matting_filter *filter)
{
	char *errors = nullptr;
	obs_enter_graphics();
	filter->output_effect =
		gs_effect_create(RENDER_OUTPUT_EFFECT_TEXT, nullptr, &errors);
	obs_leave_graphics();

	if (!filter->output_effect) {
		blog(LOG_WARNING,
		     MATTING_LOG_PREFIX
		     "Unable to load render_output.effect file.  Errors:\n%s",
		     errors && *errors ? errors : "(None)");
	} else {
		filter->output_image_param = gs_effect_get_param_by_name(
			filter->output_effect, OUTPUT_IMAGE_PARAM);
	}
	bfree(errors);
}

} // namespace

const char *matting_get_name(void *)
{
	return module_text("Korvane抠像");
}

void *matting_create(obs_data_t *settings, obs_source_t *source)
{
	auto *filter = new matting_filter();
	filter->source = source;
	filter->reload_pending = true;
	filter->last_file_name = settings_string(settings, S_SHADER_FILE_NAME);
	filter->from_file = settings_bool(settings, S_FROM_FILE);
	filter->rand_instance_f = matting_random_value();
	filter->rand_activation_f = matting_random_value();

	compile_output_effect(filter);

	// The host defers a video source's update to its next tick; that
	// update builds the effect.
	obs_source_update(source, settings);
	return filter;
}

void matting_release_params(matting_filter *filter)
{
	clear_reserved_uniforms(filter);
	std::vector<matting_param> released;
	texture_lending lent;
	{
		// What the released records lent is settled with the swap: an
		// activation after it walks the new list only.
		std::lock_guard<std::mutex> lock(filter->params_mutex);
		released.swap(filter->params);
		lent = {filter->lends_active, filter->lends_showing};
	}
	for (matting_param &param : released)
		texture_param_release(param, lent);
}

void matting_set_last_error(matting_filter *filter, obs_data_t *settings,
			    const std::string &error)
{
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	if (error.empty())
		obs_data_unset_user_value(settings, S_LAST_ERROR);
	else
		obs_data_set_string(settings, S_LAST_ERROR, error.c_str());
}

std::string matting_last_error(matting_filter *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter->source);
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	return settings_string(settings, S_LAST_ERROR);
}

std::vector<matting_param_view> matting_params_snapshot(matting_filter *filter)
{
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	return std::vector<matting_param_view>(filter->params.begin(),
					       filter->params.end());
}

void matting_destroy(void *data)
{
	auto *filter = static_cast<matting_filter *>(data);
	matting_release_params(filter);

	obs_enter_graphics();
	gs_effect_destroy(filter->effect);
	gs_effect_destroy(filter->output_effect);
	gs_texrender_destroy(filter->input_render);
	gs_texrender_destroy(filter->output_render);
	gs_texrender_destroy(filter->previous_input_render);
	gs_texrender_destroy(filter->previous_output_render);
	gs_vertexbuffer_destroy(filter->quad_vertices);
	obs_leave_graphics();

	delete filter;
}

uint32_t matting_get_width(void *data)
{
	return uint32_t(static_cast<matting_filter *>(data)->total_width);
}

uint32_t matting_get_height(void *data)
{
	return uint32_t(static_cast<matting_filter *>(data)->total_height);
}

enum gs_color_space matting_get_color_space(void *data, size_t,
					    const enum gs_color_space *)
{
	auto *filter = static_cast<matting_filter *>(data);
	return filter_target_color_space(
		obs_filter_get_target(filter->source));
}
