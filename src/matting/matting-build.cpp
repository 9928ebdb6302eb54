// The effect build: user text from the settings or a file, wrapped in the
// template, adapted to the back end, checked, compiled; then the uniforms
// are sorted into reserved ones and user parameters.
#include "matting-filter.h"
#include "effect-guard.h"
#include "matting-files.h"
#include "effect-text.h"
#include "matting-annotations.h"
#include "matting-uniforms.h"
#include "../plugin-support.h"

#include <obs.hpp>
#include <util/bmem.h>

namespace {

std::string load_failure_text(const effect_load_result &loaded)
{
	switch (loaded.status) {
	case effect_load_status::include_loop:
		return std::string(module_text("ShaderFilter.IncludeLoop")) +
		       ": " + loaded.culprit;
	case effect_load_status::too_deep:
		return std::string(module_text("ShaderFilter.IncludeTooDeep")) +
		       ": " + loaded.culprit;
	default:
		return module_text("ShaderFilter.FileLoadFailed");
	}
}

// The user's text and whether it goes into the template. False (with
// last_error already settled) when there is nothing to compile.
bool read_user_text(obs_data_t *settings, std::string *text,
		    bool *use_template)
{
	if (!obs_data_get_bool(settings, S_FROM_FILE)) {
		*text = obs_data_get_string(settings, S_SHADER_TEXT);
		*use_template = true;
		return true;
	}

	const std::string path = obs_data_get_string(settings, S_SHADER_FILE_NAME);
	if (path.empty()) {
		obs_data_unset_user_value(settings, S_LAST_ERROR);
		return false;
	}
	effect_load_result loaded =
		load_effect_source(path, matting_file_access());
	if (loaded.status != effect_load_status::loaded) {
		obs_data_set_string(settings, S_LAST_ERROR,
				    load_failure_text(loaded).c_str());
		return false;
	}
	*text = std::move(loaded.text);
	return true;
}

// Compiles text unless the guard refuses it. On failure *errors holds the
// parser's or the guard's message (possibly empty).
gs_effect_t *compile_effect(const std::string &text, std::string *errors)
{
	std::string refusal;
	if (!effect_text_is_safe(text, &refusal)) {
		*errors = refusal;
		return nullptr;
	}
	char *parser_errors = nullptr;
	gs_effect_t *effect =
		gs_effect_create(text.c_str(), nullptr, &parser_errors);
	if (!effect && parser_errors)
		*errors = parser_errors;
	bfree(parser_errors);
	return effect;
}

void report_build_failure(obs_data_t *settings, const std::string &errors)
{
	blog(LOG_WARNING,
	     MATTING_LOG_PREFIX
	     "Unable to create effect. Errors returned from parser:\n%s",
	     errors.empty() ? "(None)" : errors.c_str());
	obs_data_set_string(settings, S_LAST_ERROR,
			    errors.empty() ? module_text("ShaderFilter.Unknown")
					   : errors.c_str());
}

void read_annotations(matting_param &param)
{
	const size_t count = gs_param_get_num_annotations(param.param);
	for (size_t i = 0; i < count; i++) {
		gs_eparam_t *annotation =
			gs_param_get_annotation_by_idx(param.param, i);
		if (!annotation)
			continue;
		gs_effect_param_info info = {};
		gs_effect_get_param_info(annotation, &info);
		void *value = gs_effect_get_default_val(annotation);
		apply_annotation(param, info.name, info.type, value,
				 gs_effect_get_default_val_size(annotation));
		bfree(value);
	}
}

void discover_params(matting_filter *filter)
{
	std::vector<matting_param> params;
	const size_t count = gs_effect_get_num_params(filter->effect);
	for (size_t i = 0; i < count; i++) {
		gs_eparam_t *uniform =
			gs_effect_get_param_by_idx(filter->effect, i);
		if (!uniform)
			continue;
		gs_effect_param_info info = {};
		gs_effect_get_param_info(uniform, &info);
		if (!info.name)
			continue;

		reserved_uniform_field field = nullptr;
		if (find_reserved_uniform(info.name, &field)) {
			if (field)
				filter->*field = uniform;
			continue;
		}

		matting_param param;
		param.name = info.name;
		param.type = info.type;
		param.param = uniform;
		read_annotations(param);
		params.push_back(std::move(param));
	}
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	filter->params.swap(params);
}

} // namespace

void matting_build_effect(matting_filter *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter->source);
	filter->start_time = 0.0f;
	matting_release_params(filter);
	if (filter->effect) {
		obs_enter_graphics();
		gs_effect_destroy(filter->effect);
		obs_leave_graphics();
		filter->effect = nullptr;
	}

	bool use_template = !obs_data_get_bool(settings, S_OVERRIDE_ENTIRE_EFFECT);
	std::string user_text;
	if (!read_user_text(settings, &user_text, &use_template))
		return;
	filter->use_template = use_template;
	std::string text = compose_effect_text(use_template, user_text);

	std::string errors;
	obs_enter_graphics();
	if (gs_get_device_type() == GS_DEVICE_OPENGL)
		adapt_effect_text_for_opengl(text);
	filter->use_pm_alpha = effect_text_uses_pm_alpha(text);
	filter->effect = compile_effect(text, &errors);
	obs_leave_graphics();

	if (!filter->effect) {
		report_build_failure(settings, errors);
		return;
	}
	obs_data_unset_user_value(settings, S_LAST_ERROR);
	discover_params(filter);
}
