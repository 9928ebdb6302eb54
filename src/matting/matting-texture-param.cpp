#include "matting-texture-param.h"
#include "text-file.h"
#include "../filter-color-space.h"
#include "../plugin-paths.h"
#include "../plugin-support.h"
#include "../settings-read.h"

#include <util/bmem.h>
#include <util/platform.h>

namespace {

const char TEXTURES_FOLDER[] = "/textures/";

/* --- lending active and showing references ------------------------------ */

// Strong references to the sources the parameters borrow; the caller holds
// params_mutex and releases them.
std::vector<obs_source_t *> bound_sources_locked(matting_filter *filter)
{
	std::vector<obs_source_t *> sources;
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

// Sets one of the lending flags and, when it changes, applies op to every
// bound source. Flag and walk happen under the lock that every change of a
// binding takes, so each reference a binding lends is given back once.
void set_lending(void *data, std::atomic<bool> matting_filter::*flag,
		 bool lend, void (*op)(obs_source_t *))
{
	auto *filter = static_cast<matting_filter *>(data);
	std::vector<obs_source_t *> sources;
	{
		std::lock_guard<std::mutex> lock(filter->params_mutex);
		if (filter->*flag == lend)
			return;
		filter->*flag = lend;
		sources = bound_sources_locked(filter);
	}
	for (obs_source_t *bound : sources) {
		op(bound);
		obs_source_release(bound);
	}
}

void lend(obs_source_t *borrowed, texture_lending lent)
{
	if (lent.active)
		obs_source_inc_active(borrowed);
	if (lent.showing)
		obs_source_inc_showing(borrowed);
}

// Gives back what a binding lent and drops the weak reference.
void return_binding(obs_weak_source_t *binding, texture_lending lent)
{
	if (!binding)
		return;
	obs_source_t *borrowed = obs_weak_source_get_source(binding);
	if (borrowed) {
		if (lent.active)
			obs_source_dec_active(borrowed);
		if (lent.showing)
			obs_source_dec_showing(borrowed);
		obs_source_release(borrowed);
	}
	obs_weak_source_release(binding);
}

// Puts binding (a weak reference of ours, or null) in place of param's
// under the lock; returns the previous one, and in *lent what the filter
// lends at that moment (the previous one carries it, the new one must).
obs_weak_source_t *swap_binding(matting_filter *filter, matting_param &param,
				obs_weak_source_t *binding,
				texture_lending *lent)
{
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	*lent = {filter->lends_active, filter->lends_showing};
	obs_weak_source_t *previous = param.bound_source;
	param.bound_source = binding;
	return previous;
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

// Loads the image at path unless it is the one already loaded; an image
// that cannot be shown leaves its reason in image_problem. An empty path
// leaves the parameter without an image. Only a regular file is handed to
// the image decoder, which would wait on a pipe.
void load_image(matting_param &param, const std::string &path)
{
	if (param.image_file && !param.image_path.empty() &&
	    param.image_path == path)
		return;
	free_image(param);
	param.image_path.clear();
	param.image_problem.clear();
	if (path.empty())
		return;

	const effect_read_status kind = check_regular_file(path);
	if (kind == effect_read_status::read) {
		param.image_file = static_cast<gs_image_file_t *>(
			bzalloc(sizeof(gs_image_file_t)));
		gs_image_file_init(param.image_file, path.c_str());
		param.image_path = path;
		obs_enter_graphics();
		gs_image_file_init_texture(param.image_file);
		obs_leave_graphics();
		if (param.image_file->loaded)
			return;
	}
	param.image_problem =
		module_text_with("ShaderFilter.TextureLoadFailed", param.name) +
		": " +
		(kind == effect_read_status::not_a_file
			 ? module_text_with("ShaderFilter.NotAFile", path)
			 : path);
}

// A default file name found in the working directory or in the module's
// "textures" folder becomes the path's default, as an absolute path; it is
// returned ("" when there is none).
std::string set_default_path(matting_param &param, obs_data_t *settings,
			     const std::string &file_name)
{
	const char *key = param.name.c_str();
	if (file_name.empty() ||
	    settings_has_user_value(settings, key, OBS_DATA_STRING))
		return std::string();

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
		return std::string();
	obs_data_set_default_string(settings, key, found.c_str());
	param.has_default = true;
	return found;
}

/* --- bound sources ------------------------------------------------------ */

// Gives the bound source back and forgets it.
void unbind_source(matting_filter *filter, matting_param &param)
{
	if (!param.bound_source)
		return;
	texture_lending lent;
	return_binding(swap_binding(filter, param, nullptr, &lent), lent);
}

void bind_source(matting_filter *filter, matting_param &param,
		 obs_source_t *chosen)
{
	if (!obs_weak_source_references_source(param.bound_source, chosen)) {
		texture_lending lent;
		obs_weak_source_t *previous =
			swap_binding(filter, param,
				     obs_source_get_weak_source(chosen), &lent);
		lend(chosen, lent);
		return_binding(previous, lent);
	}
	free_image(param);
	param.image_path.clear();
	param.image_problem.clear();
}

// The source named wanted, as a new reference: the one already bound
// when it still carries that name.
obs_source_t *wanted_source(const matting_param &param,
			    const std::string &wanted)
{
	obs_source_t *current =
		param.bound_source
			? obs_weak_source_get_source(param.bound_source)
			: nullptr;
	if (current && wanted == obs_source_get_name(current))
		return current;
	obs_source_release(current);
	return wanted.empty() ? nullptr : obs_get_source_by_name(wanted.c_str());
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
	// The settings are read under the lock the panel's callbacks hold
	// while they read them; sources and images are looked up outside it.
	std::unique_lock<std::mutex> lock(filter->params_mutex);
	const std::string wanted = settings_string(
		settings, matting_source_key(param.name).c_str());
	lock.unlock();
	obs_source_t *chosen = wanted_source(param, wanted);
	if (chosen) {
		bind_source(filter, param, chosen);
		obs_source_release(chosen);
		return;
	}

	lock.lock();
	const std::string path = settings_string(
		settings, param.name.c_str(),
		set_default_path(param, settings, default_file));
	lock.unlock();
	load_image(param, path);
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

void texture_param_release(matting_param &param, texture_lending lent)
{
	free_image(param);
	param.image_path.clear();
	return_binding(param.bound_source, lent);
	param.bound_source = nullptr;
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
