// The filter instance: create, destroy, size, colour space, and the
// activation walk over the sources that texture parameters borrow.
#include "matting-filter.h"
#include "effect-text.h"
#include "matting-random.h"
#include "matting-uniforms.h"
#include "../filter-color-space.h"
#include "../plugin-support.h"

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

// Applies op to every bound source that is still alive.
template<typename Op> void for_each_bound_source(matting_filter *filter, Op op)
{
	for (matting_param &param : filter->params) {
		if (!param.bound_source)
			continue;
		obs_source_t *bound =
			obs_weak_source_get_source(param.bound_source);
		if (!bound)
			continue;
		op(bound);
		obs_source_release(bound);
	}
}

void release_param(matting_filter *filter, matting_param &param)
{
	if (param.image_file) {
		gs_image_file_free(param.image_file);
		bfree(param.image_file);
		param.image_file = nullptr;
	}
	if (param.bound_source) {
		obs_source_t *bound =
			obs_weak_source_get_source(param.bound_source);
		if (bound) {
			matting_return_source(filter, bound);
			obs_source_release(bound);
		}
		obs_weak_source_release(param.bound_source);
		param.bound_source = nullptr;
	}
	if (param.bound_source_render) {
		gs_texrender_destroy(param.bound_source_render);
		param.bound_source_render = nullptr;
	}
}

} // namespace

std::string matting_component_key(const std::string &name, size_t k)
{
	return name + "_" + std::to_string(k);
}

std::string matting_source_key(const std::string &name)
{
	return name + "_source";
}

const char *matting_get_name(void *)
{
	return module_text("Korvane抠像");
}

void *matting_create(obs_data_t *settings, obs_source_t *source)
{
	auto *filter = new matting_filter();
	filter->source = source;
	filter->reload_pending = true;
	const char *file_name = obs_data_get_string(settings, S_SHADER_FILE_NAME);
	filter->last_file_name = file_name ? file_name : "";
	filter->from_file = obs_data_get_bool(settings, S_FROM_FILE);
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
	obs_enter_graphics();
	for (matting_param &param : filter->params)
		release_param(filter, param);
	obs_leave_graphics();
	filter->params.clear();
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

void matting_borrow_source(matting_filter *filter, obs_source_t *borrowed)
{
	if (filter->lends_active)
		obs_source_inc_active(borrowed);
	if (filter->lends_showing)
		obs_source_inc_showing(borrowed);
}

void matting_return_source(matting_filter *filter, obs_source_t *borrowed)
{
	if (filter->lends_active)
		obs_source_dec_active(borrowed);
	if (filter->lends_showing)
		obs_source_dec_showing(borrowed);
}

// Sets one of the lending flags and applies op to every bound source when
// it changes.
void set_lending(void *data, bool matting_filter::*flag, bool lend,
		 void (*op)(obs_source_t *))
{
	auto *filter = static_cast<matting_filter *>(data);
	if (filter->*flag == lend)
		return;
	filter->*flag = lend;
	for_each_bound_source(filter, op);
}

void matting_activate(void *data)
{
	set_lending(data, &matting_filter::lends_active, true,
		    obs_source_inc_active);
}

void matting_deactivate(void *data)
{
	set_lending(data, &matting_filter::lends_active, false,
		    obs_source_dec_active);
}

void matting_show(void *data)
{
	set_lending(data, &matting_filter::lends_showing, true,
		    obs_source_inc_showing);
}

void matting_hide(void *data)
{
	set_lending(data, &matting_filter::lends_showing, false,
		    obs_source_dec_showing);
}

void matting_follow_parent_state(matting_filter *filter)
{
	obs_source_t *parent = obs_filter_get_parent(filter->source);
	const bool active = parent && obs_source_active(parent);
	const bool showing = parent && obs_source_showing(parent);
	if (active != filter->lends_active)
		(active ? matting_activate : matting_deactivate)(filter);
	if (showing != filter->lends_showing)
		(showing ? matting_show : matting_hide)(filter);
}
