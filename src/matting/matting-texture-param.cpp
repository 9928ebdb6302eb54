#include "matting-texture-param.h"
#include "../filter-color-space.h"
#include "../plugin-paths.h"

#include <util/bmem.h>
#include <util/platform.h>

#include <cstring>

namespace {

const char TEXTURES_FOLDER[] = "/textures/";

/* --- lending active and showing references ------------------------------ */

// Strong references to the sources the parameters borrow, taken under the
// parameter lock so that a walk from the host's threads never races a
// rebuild; the caller releases them.
std::vector<obs_source_t *> bound_sources(matting_filter *filter)
{
	std::vector<obs_source_t *> sources;
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	for (const matting_param &param : filter->params) {
		obs_source_t *bound =
			param.bound_source
				? obs_weak_source_get_source(param.bound_source)
				: nullptr;
		if (bound)
			sources.push_back(bound);
	}
	return sources;
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
	for (obs_source_t *bound : bound_sources(filter)) {
		op(bound);
		obs_source_release(bound);
	}
}

void borrow_source(matting_filter *filter, obs_source_t *borrowed)
{
	if (filter->lends_active)
		obs_source_inc_active(borrowed);
	if (filter->lends_showing)
		obs_source_inc_showing(borrowed);
}

void return_source(matting_filter *filter, obs_source_t *borrowed)
{
	if (filter->lends_active)
		obs_source_dec_active(borrowed);
	if (filter->lends_showing)
		obs_source_dec_showing(borrowed);
}

/* --- image files ------------------------------------------------------- */

void free_image(matting_param &param)
{
	if (!param.image_file)
		return;
	obs_enter_graphics();
	gs_image_file_free(param.image_file);
	obs_leave_graphics();
	bfree(param.image_file);
	param.image_file = nullptr;
}

// Loads the image at path unless it is the one already loaded. An empty
// path leaves the parameter without an image.
void load_image(matting_param &param, const std::string &path)
{
	if (param.image_file && !param.image_path.empty() &&
	    param.image_path == path)
		return;
	free_image(param);
	param.image_path.clear();
	if (path.empty())
		return;

	param.image_file =
		static_cast<gs_image_file_t *>(bzalloc(sizeof(gs_image_file_t)));
	gs_image_file_init(param.image_file, path.c_str());
	param.image_path = path;
	obs_enter_graphics();
	gs_image_file_init_texture(param.image_file);
	obs_leave_graphics();
}

// A default file name found in the working directory or in the module's
// "textures" folder becomes the path's default, as an absolute path.
void set_default_path(matting_param &param, obs_data_t *settings,
		      const std::string &file_name)
{
	const char *key = param.name.c_str();
	if (file_name.empty() || obs_data_has_user_value(settings, key))
		return;

	std::string found;
	if (os_file_exists(file_name.c_str())) {
		found = absolute_path(file_name);
	} else {
		const std::string candidate = absolute_path(
			module_data_path(TEXTURES_FOLDER + file_name));
		if (!candidate.empty() && os_file_exists(candidate.c_str()))
			found = candidate;
	}
	if (found.empty())
		return;
	obs_data_set_default_string(settings, key, found.c_str());
	param.has_default = true;
}

/* --- bound sources ------------------------------------------------------ */

// Gives the bound source back and forgets it.
void unbind_source(matting_filter *filter, matting_param &param)
{
	if (!param.bound_source)
		return;
	obs_source_t *bound = obs_weak_source_get_source(param.bound_source);
	if (bound) {
		return_source(filter, bound);
		obs_source_release(bound);
	}
	obs_weak_source_release(param.bound_source);
	param.bound_source = nullptr;
}

void bind_source(matting_filter *filter, matting_param &param,
		 obs_source_t *chosen)
{
	if (!obs_weak_source_references_source(param.bound_source, chosen)) {
		borrow_source(filter, chosen);
		unbind_source(filter, param);
		param.bound_source = obs_source_get_weak_source(chosen);
	}
	free_image(param);
	param.image_path.clear();
}

// The source named by the parameter's source key, as a new reference; the
// one already bound when it still carries that name.
obs_source_t *wanted_source(const matting_param &param, obs_data_t *settings)
{
	const std::string key = matting_source_key(param.name);
	const char *wanted = obs_data_get_string(settings, key.c_str());
	obs_source_t *current =
		param.bound_source
			? obs_weak_source_get_source(param.bound_source)
			: nullptr;
	if (current && !strcmp(obs_source_get_name(current), wanted))
		return current;
	obs_source_release(current);
	return *wanted ? obs_get_source_by_name(wanted) : nullptr;
}

void ortho_for(uint32_t width, uint32_t height)
{
	gs_ortho(0.0f, float(width), 0.0f, float(height), -100.0f, 100.0f);
}

// Draws a bound source into the parameter's own render target, whose
// format follows the source's colour space.
gs_texture_t *render_bound_source(matting_param &param, obs_source_t *bound)
{
	const enum gs_color_space space = filter_target_color_space(bound);
	const enum gs_color_format format = filter_texture_format(space);
	if (!param.bound_source_render ||
	    gs_texrender_get_format(param.bound_source_render) != format) {
		gs_texrender_destroy(param.bound_source_render);
		param.bound_source_render =
			gs_texrender_create(format, GS_ZS_NONE);
	} else {
		gs_texrender_reset(param.bound_source_render);
	}

	const uint32_t width = obs_source_get_base_width(bound);
	const uint32_t height = obs_source_get_base_height(bound);
	gs_blend_state_push();
	gs_blend_function(GS_BLEND_ONE, GS_BLEND_ZERO);
	if (gs_texrender_begin_with_color_space(param.bound_source_render,
						width, height, space)) {
		vec4 transparent;
		vec4_zero(&transparent);
		gs_clear(GS_CLEAR_COLOR, &transparent, 0.0f, 0);
		ortho_for(width, height);
		const uint32_t flags = obs_source_get_output_flags(bound);
		if (flags & (OBS_SOURCE_CUSTOM_DRAW | OBS_SOURCE_ASYNC))
			obs_source_video_render(bound);
		else
			obs_source_default_render(bound);
		gs_texrender_end(param.bound_source_render);
	}
	gs_blend_state_pop();
	return gs_texrender_get_texture(param.bound_source_render);
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

void texture_param_bind(matting_filter *filter, matting_param &param,
			obs_data_t *settings, const std::string &default_file)
{
	obs_source_t *chosen = wanted_source(param, settings);
	if (chosen) {
		bind_source(filter, param, chosen);
		obs_source_release(chosen);
		return;
	}

	set_default_path(param, settings, default_file);
	load_image(param, obs_data_get_string(settings, param.name.c_str()));
	unbind_source(filter, param);
}

gs_texture_t *texture_param_texture(matting_param &param)
{
	obs_source_t *bound =
		param.bound_source
			? obs_weak_source_get_source(param.bound_source)
			: nullptr;
	if (bound) {
		gs_texture_t *texture = render_bound_source(param, bound);
		obs_source_release(bound);
		return texture;
	}
	return param.image_file ? param.image_file->texture : nullptr;
}

void texture_param_release(matting_filter *filter, matting_param &param)
{
	free_image(param);
	param.image_path.clear();
	unbind_source(filter, param);
	if (param.bound_source_render) {
		obs_enter_graphics();
		gs_texrender_destroy(param.bound_source_render);
		obs_leave_graphics();
		param.bound_source_render = nullptr;
	}
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
