// The properties panel: the fixed controls (all hidden) that say where the
// effect text comes from, the error line of the last build and the reload
// button, with their modified and button callbacks.
#include "matting-filter.h"
#include "../plugin-support.h"

#include <obs.hpp>
#include <util/bmem.h>
#include <util/platform.h>

#include <cstring>

namespace {

const char EXAMPLES_FOLDER[] = "/examples";
const size_t EXTENSION_LENGTH = 7; // ".effect", ".shader"

matting_filter *panel_instance(obs_properties_t *props)
{
	return static_cast<matting_filter *>(obs_properties_get_param(props));
}

void hide(obs_property_t *property)
{
	if (property)
		obs_property_set_visible(property, false);
}

// Start folder of the effect-file dialog: the module's "examples" folder.
std::string examples_folder(void)
{
	const char *data = obs_get_module_data_path(plugin_module());
	const std::string folder = std::string(data ? data : "") +
				   EXAMPLES_FOLDER;
	char *absolute = os_get_abs_path_ptr(folder.c_str());
	const std::string result = absolute ? absolute : folder;
	bfree(absolute);
	return result;
}

bool from_file_modified(obs_properties_t *props, obs_property_t *,
			obs_data_t *settings)
{
	const bool from_file = obs_data_get_bool(settings, S_FROM_FILE);
	hide(obs_properties_get(props, S_SHADER_TEXT));
	hide(obs_properties_get(props, S_SHADER_FILE_NAME));
	matting_filter *filter = panel_instance(props);
	if (filter && from_file != filter->from_file) {
		filter->from_file = from_file;
		filter->reload_pending = true;
	}
	return true;
}

// Editing the text compiles nothing: it only keeps the convert button
// hidden.
bool shader_text_modified(obs_properties_t *props, obs_property_t *,
			  obs_data_t *)
{
	if (!panel_instance(props))
		return false;
	obs_property_t *convert = obs_properties_get(props, S_SHADER_CONVERT);
	if (!convert || !obs_property_visible(convert))
		return false;
	obs_property_set_visible(convert, false);
	return true;
}

// A file ending in ".effect" is a complete effect, one ending in ".shader"
// goes into the template; any other name leaves the switch as it is.
void follow_file_extension(obs_data_t *settings, const std::string &name)
{
	if (name.size() <= EXTENSION_LENGTH)
		return;
	const std::string extension = name.substr(name.size() - EXTENSION_LENGTH);
	if (extension == ".effect")
		obs_data_set_bool(settings, S_OVERRIDE_ENTIRE_EFFECT, true);
	else if (extension == ".shader")
		obs_data_set_bool(settings, S_OVERRIDE_ENTIRE_EFFECT, false);
}

bool shader_file_name_modified(obs_properties_t *props,
			       obs_property_t *property, obs_data_t *settings)
{
	matting_filter *filter = panel_instance(props);
	if (!filter)
		return false;
	const char *value =
		obs_data_get_string(settings, obs_property_name(property));
	const std::string name = value ? value : "";
	if (name != filter->last_file_name) {
		filter->reload_pending = true;
		filter->last_file_name = name;
		follow_file_extension(settings, name);
	}
	return false;
}

bool reload_effect_clicked(obs_properties_t *, obs_property_t *, void *data)
{
	auto *filter = static_cast<matting_filter *>(data);
	if (!filter)
		return false;
	filter->reload_pending = true;
	obs_source_update(filter->source, nullptr);
	return false;
}

bool shader_convert_clicked(obs_properties_t *, obs_property_t *, void *)
{
	return false;
}

void add_margin(obs_properties_t *props, const char *key, const char *text)
{
	hide(obs_properties_add_int(props, key, module_text(text), EXPAND_MIN,
				    EXPAND_MAX, 1));
}

void add_source_controls(obs_properties_t *props, matting_filter *filter)
{
	add_margin(props, S_EXPAND_LEFT, "ShaderFilter.ExpandLeft");
	add_margin(props, S_EXPAND_RIGHT, "ShaderFilter.ExpandRight");
	add_margin(props, S_EXPAND_TOP, "ShaderFilter.ExpandTop");
	add_margin(props, S_EXPAND_BOTTOM, "ShaderFilter.ExpandBottom");
	hide(obs_properties_add_bool(
		props, S_OVERRIDE_ENTIRE_EFFECT,
		module_text("ShaderFilter.OverrideEntireEffect")));

	obs_property_t *from_file = obs_properties_add_bool(
		props, S_FROM_FILE, module_text("ShaderFilter.LoadFromFile"));
	obs_property_set_modified_callback(from_file, from_file_modified);
	hide(from_file);

	obs_property_t *text = obs_properties_add_text(
		props, S_SHADER_TEXT, module_text("ShaderFilter.ShaderText"),
		OBS_TEXT_MULTILINE);
	obs_property_set_modified_callback(text, shader_text_modified);
	hide(text);

	hide(obs_properties_add_button2(props, S_SHADER_CONVERT,
					module_text("ShaderFilter.Convert"),
					shader_convert_clicked, filter));

	obs_property_t *file = obs_properties_add_path(
		props, S_SHADER_FILE_NAME,
		module_text("ShaderFilter.ShaderFileName"), OBS_PATH_FILE,
		nullptr, examples_folder().c_str());
	obs_property_set_modified_callback(file, shader_file_name_modified);
	hide(file);
}

void add_error_line(obs_properties_t *props, matting_filter *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter->source);
	const char *error = obs_data_get_string(settings, S_LAST_ERROR);
	if (!error || !*error)
		return;
	obs_property_t *line = obs_properties_add_text(
		props, S_LAST_ERROR, module_text("ShaderFilter.Error"),
		OBS_TEXT_INFO);
	obs_property_text_set_info_type(line, OBS_TEXT_INFO_ERROR);
}

} // namespace

obs_properties_t *matting_get_properties(void *data)
{
	auto *filter = static_cast<matting_filter *>(data);
	obs_properties_t *props = obs_properties_create();
	obs_properties_set_param(props, filter, nullptr);

	add_source_controls(props, filter);
	if (filter)
		add_error_line(props, filter);
	hide(obs_properties_add_button(props, S_RELOAD_EFFECT,
				       module_text("ShaderFilter.ReloadEffect"),
				       reload_effect_clicked));
	return props;
}
