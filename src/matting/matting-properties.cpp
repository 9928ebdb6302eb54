// The properties panel: the fixed controls (all hidden) that say where the
// effect text comes from, the error line of the last build, the reload
// button, and the controls generated from the effect's parameters. A
// parameter's own control is hidden; the per-component sliders of vectors,
// the source lists of textures and group boxes stay visible.
#include "matting-filter.h"
#include "matting-panel-rules.h"
#include "shader-convert-button.h"
#include "../plugin-paths.h"
#include "../plugin-support.h"
#include "../settings-read.h"

#include <obs.hpp>

#include <string>
#include <vector>

namespace {

const char TEXTURE_FILTER[] =
	"Textures (*.bmp *.tga *.png *.jpeg *.jpg *.gif);;";

matting_filter *panel_instance(obs_properties_t *props)
{
	return static_cast<matting_filter *>(obs_properties_get_param(props));
}

void hide(obs_properties_t *props, const char *name)
{
	obs_property_t *property = obs_properties_get(props, name);
	if (property)
		obs_property_set_visible(property, false);
}

// The start folder of the effect-file dialog: the module's "/examples".
std::string examples_folder()
{
	const std::string folder = module_data_path("/examples");
	const std::string absolute = absolute_path(folder);
	return absolute.empty() ? folder : absolute;
}

/* --- callbacks of the fixed controls ----------------------------------- */

bool from_file_modified(obs_properties_t *props, obs_property_t *,
			obs_data_t *settings)
{
	hide(props, S_SHADER_TEXT);
	hide(props, S_SHADER_FILE_NAME);
	matting_filter *filter = panel_instance(props);
	if (!filter)
		return true;
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	const bool from_file = settings_bool(settings, S_FROM_FILE);
	if (from_file != filter->from_file) {
		filter->from_file = from_file;
		filter->reload_pending = true;
	}
	return true;
}

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

bool shader_file_name_modified(obs_properties_t *props,
			       obs_property_t *property, obs_data_t *settings)
{
	matting_filter *filter = panel_instance(props);
	if (!filter)
		return false;
	std::lock_guard<std::mutex> lock(filter->params_mutex);
	const std::string file_name =
		settings_string(settings, obs_property_name(property));
	if (file_name == filter->last_file_name)
		return false;
	filter->reload_pending = true;
	filter->last_file_name = file_name;
	if (std::optional<bool> override = override_for_file_name(file_name))
		obs_data_set_bool(settings, S_OVERRIDE_ENTIRE_EFFECT,
				  *override);
	return false;
}

bool reload_effect_clicked(obs_properties_t *, obs_property_t *, void *data)
{
	matting_filter *filter = static_cast<matting_filter *>(data);
	if (!filter)
		return false;
	filter->reload_pending = true;
	obs_source_update(filter->source, nullptr);
	return false;
}

/* --- fixed part of the panel ------------------------------------------- */

void add_hidden(obs_property_t *property)
{
	if (property)
		obs_property_set_visible(property, false);
}

void add_fixed_properties(obs_properties_t *props, matting_filter *filter)
{
	const char *expand_keys[] = {S_EXPAND_LEFT, S_EXPAND_RIGHT,
				     S_EXPAND_TOP, S_EXPAND_BOTTOM};
	const char *expand_texts[] = {
		"ShaderFilter.ExpandLeft", "ShaderFilter.ExpandRight",
		"ShaderFilter.ExpandTop", "ShaderFilter.ExpandBottom"};
	for (size_t i = 0; i < 4; i++)
		add_hidden(obs_properties_add_int(props, expand_keys[i],
						  module_text(expand_texts[i]),
						  EXPAND_MIN, EXPAND_MAX, 1));

	add_hidden(obs_properties_add_bool(
		props, S_OVERRIDE_ENTIRE_EFFECT,
		module_text("ShaderFilter.OverrideEntireEffect")));

	obs_property_t *from_file = obs_properties_add_bool(
		props, S_FROM_FILE, module_text("ShaderFilter.LoadFromFile"));
	obs_property_set_modified_callback(from_file, from_file_modified);
	add_hidden(from_file);

	obs_property_t *text = obs_properties_add_text(
		props, S_SHADER_TEXT, module_text("ShaderFilter.ShaderText"),
		OBS_TEXT_MULTILINE);
	obs_property_set_modified_callback(text, shader_text_modified);
	add_hidden(text);

	add_hidden(obs_properties_add_button2(
		props, S_SHADER_CONVERT, module_text("ShaderFilter.Convert"),
		shader_convert_clicked, filter));

	const std::string examples = examples_folder();
	obs_property_t *file_name = obs_properties_add_path(
		props, S_SHADER_FILE_NAME,
		module_text("ShaderFilter.ShaderFileName"), OBS_PATH_FILE,
		nullptr, examples.c_str());
	obs_property_set_modified_callback(file_name,
					   shader_file_name_modified);
	add_hidden(file_name);
}

void add_error_line(obs_properties_t *props, matting_filter *filter)
{
	if (matting_last_error(filter).empty())
		return;
	obs_property_t *line = obs_properties_add_text(
		props, S_LAST_ERROR, module_text("ShaderFilter.Error"),
		OBS_TEXT_INFO);
	obs_property_text_set_info_type(line, OBS_TEXT_INFO_ERROR);
}

/* --- parameter controls ------------------------------------------------- */

// Group boxes made so far in this panel, by their text.
struct panel_groups {
	std::vector<std::pair<std::string, obs_properties_t *>> made;
};

// Where a parameter's controls go: its group box (made on first use) or
// the top level. A group text that clashes with another property's name
// cannot become a box; such parameters stay at the top level.
obs_properties_t *param_target(obs_properties_t *props, panel_groups &groups,
			       const matting_param_view &param)
{
	if (param.group.empty())
		return props;
	for (const auto &group : groups.made)
		if (group.first == param.group)
			return group.second;
	obs_properties_t *content = obs_properties_create();
	if (!obs_properties_add_group(props, param.group.c_str(),
				      param.group.c_str(), OBS_GROUP_NORMAL,
				      content)) {
		obs_properties_destroy(content);
		return props;
	}
	groups.made.emplace_back(param.group, content);
	return content;
}

std::vector<std::string> source_and_scene_names()
{
	std::vector<std::string> names;
	auto add = [](void *data, obs_source_t *source) {
		auto list = static_cast<std::vector<std::string> *>(data);
		const char *name = obs_source_get_name(source);
		if (name)
			list->insert(list->begin() + std::ptrdiff_t(
						     sorted_insert_position(
							     *list, name)),
				     name);
		return true;
	};
	obs_enum_sources(add, &names);
	obs_enum_scenes(add, &names);
	return names;
}

// The editable list "<name>_source": an empty entry, then every source and
// scene name in ascending byte order.
void add_source_list(obs_properties_t *target, const matting_param_view &param,
		     const std::string &text)
{
	const std::string key = matting_source_key(param.name);
	obs_property_t *list = obs_properties_add_list(
		target, key.c_str(), text.c_str(), OBS_COMBO_TYPE_EDITABLE,
		OBS_COMBO_FORMAT_STRING);
	obs_property_list_add_string(list, "", "");
	for (const std::string &name : source_and_scene_names())
		obs_property_list_add_string(list, name.c_str(), name.c_str());
}

void add_texture_path(obs_properties_t *target, const matting_param_view &param,
		      const std::string &text)
{
	obs_properties_add_path(target, param.name.c_str(), text.c_str(),
				OBS_PATH_FILE, TEXTURE_FILTER, nullptr);
}

void add_float_control(obs_properties_t *target, const char *name,
		       const char *text, const matting_param_view &param)
{
	const float_range range = param_float_range(param);
	if (param.widget_type == SLIDER_WIDGET)
		obs_properties_add_float_slider(target, name, text,
						range.minimum, range.maximum,
						range.step);
	else
		obs_properties_add_float(target, name, text, range.minimum,
					 range.maximum, range.step);
}

// One float control per component, named "<name>_<k>" and labelled by the
// option texts where there are enough of them.
void add_component_controls(obs_properties_t *target,
			    const matting_param_view &param,
			    const std::string &text, size_t count)
{
	for (size_t k = 0; k < count; k++) {
		const std::string key = matting_component_key(param.name, k);
		const std::string &label = k < param.option_labels.size()
						   ? param.option_labels[k]
						   : text;
		add_float_control(target, key.c_str(), label.c_str(), param);
	}
}

void add_int_control(obs_properties_t *target, const matting_param_view &param,
		     const std::string &text)
{
	const char *name = param.name.c_str();
	if (param.widget_type == SELECT_WIDGET) {
		obs_property_t *list =
			obs_properties_add_list(target, name, text.c_str(),
						OBS_COMBO_TYPE_LIST,
						OBS_COMBO_FORMAT_INT);
		for (const auto &entry : param_select_entries(param))
			obs_property_list_add_int(list, entry.first.c_str(),
						  entry.second);
		return;
	}
	const int_range range = param_int_range(param);
	if (param.widget_type == SLIDER_WIDGET)
		obs_properties_add_int_slider(target, name, text.c_str(),
					      range.minimum, range.maximum,
					      range.step);
	else
		obs_properties_add_int(target, name, text.c_str(),
				       range.minimum, range.maximum,
				       range.step);
}

void add_param_properties(obs_properties_t *props, panel_groups &groups,
			  const matting_param_view &param)
{
	const std::string text = param_display_text(param);
	obs_properties_t *target = param_target(props, groups, param);
	const char *name = param.name.c_str();
	const bool slider = param.widget_type == SLIDER_WIDGET;

	switch (param.type) {
	case GS_SHADER_PARAM_BOOL:
		obs_properties_add_bool(target, name, text.c_str());
		break;
	case GS_SHADER_PARAM_FLOAT:
		obs_properties_remove_by_name(props, name);
		add_float_control(target, name, text.c_str(), param);
		break;
	case GS_SHADER_PARAM_INT:
		obs_properties_remove_by_name(props, name);
		add_int_control(target, param, text);
		break;
	case GS_SHADER_PARAM_STRING:
		obs_properties_add_text(target, name, text.c_str(),
					param.widget_type == INFO_WIDGET
						? OBS_TEXT_INFO
						: OBS_TEXT_MULTILINE);
		break;
	case GS_SHADER_PARAM_VEC2:
		add_component_controls(target, param, text, 2);
		break;
	case GS_SHADER_PARAM_VEC3:
		if (slider)
			add_component_controls(target, param, text, 3);
		else
			obs_properties_add_color(target, name, text.c_str());
		break;
	case GS_SHADER_PARAM_VEC4:
		if (slider)
			add_component_controls(target, param, text, 4);
		else
			obs_properties_add_color_alpha(target, name,
						       text.c_str());
		break;
	case GS_SHADER_PARAM_TEXTURE:
		if (param.widget_type == SOURCE_WIDGET) {
			add_source_list(target, param, text);
		} else if (param.widget_type == FILE_WIDGET) {
			add_texture_path(target, param, text);
		} else {
			add_source_list(target, param, text);
			add_texture_path(target, param, text);
		}
		break;
	default: // int2, int3, int4, matrices: no control
		break;
	}
	hide(props, name);
}

} // namespace

obs_properties_t *matting_get_properties(void *data)
{
	matting_filter *filter = static_cast<matting_filter *>(data);
	obs_properties_t *props = obs_properties_create();
	obs_properties_set_param(props, filter, nullptr);

	add_fixed_properties(props, filter);
	if (filter)
		add_error_line(props, filter);
	add_hidden(obs_properties_add_button(
		props, S_RELOAD_EFFECT, module_text("ShaderFilter.ReloadEffect"),
		reload_effect_clicked));

	if (filter) {
		// A copy: the graphics thread may rebuild the list meanwhile.
		panel_groups groups;
		for (const matting_param_view &param :
		     matting_params_snapshot(filter))
			add_param_properties(props, groups, param);
	}
	return props;
}
