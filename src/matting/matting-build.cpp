// The effect build: user text from the settings or a file, wrapped in the
// template, adapted to the back end, checked, compiled; then the uniforms
// are sorted into reserved ones and user parameters.
#include "matting-filter.h"
#include "effect-guard.h"
#include "effect-lines.h"
#include "effect-text.h"
#include "keyer-effect.h"
#include "matting-annotations.h"
#include "matting-files.h"
#include "matting-log-capture.h"
#include "matting-uniforms.h"
#include "../plugin-support.h"
#include "../settings-read.h"

#include <obs.hpp>
#include <util/bmem.h>

#include <cctype>

namespace {

// A driver that reports every error many times over is cut short here.
const size_t MAX_DRIVER_LINES = 30;

// last_error for a file that could not be loaded: the key's text first.
std::string load_failure_text(const effect_load_result &loaded)
{
	const std::string failed = module_text("ShaderFilter.FileLoadFailed");
	const char *detail = nullptr;
	switch (loaded.status) {
	case effect_load_status::include_loop:
		return std::string(module_text("ShaderFilter.IncludeLoop")) +
		       ": " + loaded.culprit;
	case effect_load_status::too_deep:
		return std::string(module_text("ShaderFilter.IncludeTooDeep")) +
		       ": " + loaded.culprit;
	case effect_load_status::not_a_file:
		detail = "ShaderFilter.NotAFile";
		break;
	case effect_load_status::too_large:
		detail = "ShaderFilter.FileTooLarge";
		break;
	case effect_load_status::text_too_large:
		detail = "ShaderFilter.TextTooLarge";
		break;
	case effect_load_status::has_nul:
		detail = "ShaderFilter.FileHasNul";
		break;
	default:
		return failed;
	}
	return failed + " " + module_text_with(detail, loaded.culprit);
}

// What the build reads from the settings, copied under the lock the
// panel's callbacks hold while they read them.
struct source_settings {
	bool from_file = false;
	bool use_template = true;
	std::string text; // shader_text, or the file name
};

source_settings read_source_settings(matting_filter *filter,
				     obs_data_t *settings)
{
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	source_settings read;
	read.from_file = settings_bool(settings, S_FROM_FILE);
	read.use_template =
		!read.from_file || !settings_bool(settings, S_OVERRIDE_ENTIRE_EFFECT);
	read.text = read.from_file
			    ? settings_string(settings, S_SHADER_FILE_NAME)
			    : settings_string(settings, S_SHADER_TEXT,
					      keyer_effect_text);
	return read;
}

// The user's text, whether it goes into the template, and the files it
// came from.
struct user_text {
	std::string text;
	bool use_template = true;
	bool from_file = false;
	effect_load_result loaded; // when from a file
};

// False (with last_error already settled) when there is nothing to
// compile.
bool read_user_text(matting_filter *filter, obs_data_t *settings,
		    user_text *user)
{
	source_settings source = read_source_settings(filter, settings);
	user->use_template = source.use_template;
	user->from_file = source.from_file;
	if (!source.from_file) {
		user->text = std::move(source.text);
		return true;
	}

	if (source.text.empty()) {
		matting_set_last_error(filter, settings,
				       module_text("ShaderFilter.NoFileName"));
		return false;
	}
	user->loaded = load_effect_source(source.text, matting_file_access());
	if (user->loaded.status != effect_load_status::loaded) {
		matting_set_last_error(filter, settings,
				       load_failure_text(user->loaded));
		return false;
	}
	user->text = std::move(user->loaded.text);
	return true;
}

// What the compiler said about a text it refused.
struct compile_failure {
	std::string refusal;              // the guard's, when it refused
	std::string parser_errors;        // the host parser's text
	std::vector<logged_line> logged;  // the host's log meanwhile
};

// Compiles text unless the guard refuses it.
gs_effect_t *compile_effect(const std::string &text, compile_failure *failure)
{
	if (!effect_text_is_safe(text, &failure->refusal))
		return nullptr;
	char *errors = nullptr;
	gs_effect_t *effect;
	{
		host_log_capture capture;
		effect = gs_effect_create(text.c_str(), nullptr, &errors);
		if (!effect)
			failure->logged = capture.lines();
	}
	if (!effect && errors)
		failure->parser_errors = errors;
	bfree(errors);
	return effect;
}

std::string without_trailing_space(std::string text)
{
	while (!text.empty() && isspace(static_cast<unsigned char>(text.back())))
		text.pop_back();
	return text;
}

// last_error for a text the guard or the compiler refused: the guard's or
// the parser's text, then the driver's lines under the key's text; each
// with the line of the user's text where it can tell.
std::string failure_text(compile_failure failure, const user_text &user,
			 const effect_text_layout &layout)
{
	if (!failure.refusal.empty())
		return add_user_lines(failure.refusal, layout);
	std::vector<std::string> logged_errors;
	for (const logged_line &line : failure.logged)
		if (line.level == LOG_ERROR)
			logged_errors.push_back(line.text);
	const std::vector<std::string> driver =
		effect_driver_lines(logged_errors, &failure.parser_errors);
	std::string text = add_user_lines(
		without_trailing_space(failure.parser_errors), layout);
	if (driver.empty())
		return text;
	if (!text.empty())
		text += "\n";
	text += module_text("ShaderFilter.DriverError");
	for (size_t i = 0; i < driver.size() && i < MAX_DRIVER_LINES; i++)
		text += "\n" + add_user_line_to_driver_line(driver[i],
							    user.text, layout);
	if (driver.size() > MAX_DRIVER_LINES)
		text += "\n...";
	return text;
}

void report_build_failure(matting_filter *filter, obs_data_t *settings,
			  const compile_failure &failure,
			  const std::string &text)
{
	const std::string &logged = failure.refusal.empty()
					    ? failure.parser_errors
					    : text;
	blog(LOG_WARNING,
	     MATTING_LOG_PREFIX
	     "Unable to create effect. Errors returned from parser:\n%s",
	     logged.empty() ? "(None)" : logged.c_str());
	matting_set_last_error(filter, settings,
			       text.empty() ? module_text("ShaderFilter.Unknown")
					    : text);
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

// Counts one build from its start (before the settings are read) to its
// end, whichever way it ends, and wakes whoever waits for it.
class BuildCount {
public:
	explicit BuildCount(matting_filter *filter) : filter(filter)
	{
		std::lock_guard<std::mutex> lock(filter->build_mutex);
		filter->builds_begun++;
	}
	~BuildCount()
	{
		{
			std::lock_guard<std::mutex> lock(filter->build_mutex);
			filter->builds_done++;
		}
		filter->build_finished.notify_all();
	}
	BuildCount(const BuildCount &) = delete;
	BuildCount &operator=(const BuildCount &) = delete;

private:
	matting_filter *filter;
};

} // namespace

void matting_build_effect(matting_filter *filter)
{
	BuildCount count(filter);
	OBSDataAutoRelease settings = obs_source_get_settings(filter->source);
	filter->start_time = 0.0f;
	filter->binding_error = false;
	matting_release_params(filter);
	if (filter->effect) {
		obs_enter_graphics();
		gs_effect_destroy(filter->effect);
		obs_leave_graphics();
		filter->effect = nullptr;
	}

	user_text user;
	if (!read_user_text(filter, settings, &user))
		return;
	filter->use_template = user.use_template;
	std::string text = compose_effect_text(user.use_template, user.text);
	if (text.size() > EFFECT_TEXT_MAX_BYTES) {
		// Refused before the guard and the compiler, which would keep
		// the graphics thread for a third of a second on 16 MB.
		compile_failure failure;
		failure.refusal = module_text("ShaderFilter.EffectTooLarge");
		report_build_failure(filter, settings, failure, failure.refusal);
		return;
	}

	compile_failure failure;
	obs_enter_graphics();
	const bool opengl = gs_get_device_type() == GS_DEVICE_OPENGL;
	if (opengl)
		adapt_effect_text_for_opengl(text);
	filter->use_pm_alpha = effect_text_uses_pm_alpha(text);
	filter->effect = compile_effect(text, &failure);
	obs_leave_graphics();

	if (!filter->effect) {
		effect_text_layout layout =
			effect_layout(user.use_template, opengl, user.text);
		if (user.from_file)
			layout.sources = &user.loaded.sources;
		report_build_failure(filter, settings, failure,
				     failure_text(failure, user, layout));
		return;
	}
	matting_set_last_error(filter, settings, std::string());
	discover_params(filter);
}
