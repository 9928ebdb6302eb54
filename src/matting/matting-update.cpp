// The settings update: margins, a new activation random value, the pending
// rebuild, and the binding of every effect parameter to its settings.
#include "matting-filter.h"
#include "matting-colour.h"
#include "matting-random.h"
#include "../plugin-support.h"

#include <util/bmem.h>
#include <util/platform.h>

#include <algorithm>
#include <cstring>

namespace {

const char SLIDER_WIDGET[] = "slider";
const char TEXTURES_FOLDER[] = "/textures/";
const uint32_t OPAQUE_WHITE = 0xFFFFFFFF;

// The effect's declared default of a parameter: bytes owned here.
class DeclaredDefault {
public:
	explicit DeclaredDefault(gs_eparam_t *param)
		: bytes(static_cast<uint8_t *>(gs_effect_get_default_val(param))),
		  size(bytes ? gs_effect_get_default_val_size(param) : 0)
	{
	}
	~DeclaredDefault() { bfree(bytes); }
	DeclaredDefault(const DeclaredDefault &) = delete;
	DeclaredDefault &operator=(const DeclaredDefault &) = delete;

	bool has(size_t needed) const { return bytes && size >= needed; }
	float component(size_t k) const
	{
		float value;
		memcpy(&value, bytes + k * sizeof(float), sizeof(float));
		return value;
	}
	int32_t integer() const
	{
		int32_t value;
		memcpy(&value, bytes, sizeof(value));
		return value;
	}
	uint8_t first_byte() const { return bytes[0]; }
	std::string text() const
	{
		if (!bytes)
			return std::string();
		const char *chars = reinterpret_cast<const char *>(bytes);
		return std::string(chars, strnlen(chars, size));
	}

private:
	uint8_t *bytes;
	size_t size;
};

int32_t read_margin(obs_data_t *settings, const char *key)
{
	return int32_t(std::clamp<long long>(obs_data_get_int(settings, key),
					     EXPAND_MIN, EXPAND_MAX));
}

/* --- plain values ------------------------------------------------------ */

void bind_components(matting_param &param, obs_data_t *settings,
		     const DeclaredDefault &declared, size_t count)
{
	for (size_t k = 0; k < count; k++) {
		const std::string key = matting_component_key(param.name, k);
		if (declared.has((k + 1) * sizeof(float))) {
			const float component = declared.component(k);
			obs_data_set_default_double(settings, key.c_str(),
						    component);
			param.default_value.floats[k] = component;
			param.has_default = true;
		}
		param.value.floats[k] =
			float(obs_data_get_double(settings, key.c_str()));
	}
}

void bind_colour(matting_param &param, obs_data_t *settings,
		 const DeclaredDefault &declared, size_t count)
{
	const char *key = param.name.c_str();
	if (declared.has(count * sizeof(float))) {
		float rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
		for (size_t k = 0; k < count; k++)
			rgba[k] = declared.component(k);
		obs_data_set_default_int(settings, key, pack_colour(rgba));
		memcpy(param.default_value.floats, rgba, sizeof(rgba));
		param.has_default = true;
	} else {
		obs_data_set_default_int(settings, key, OPAQUE_WHITE);
	}
	unpack_colour(uint32_t(obs_data_get_int(settings, key)),
		      param.value.floats);
}

void bind_vector(matting_param &param, obs_data_t *settings,
		 const DeclaredDefault &declared, size_t count)
{
	if (count == 2 || param.widget_type == SLIDER_WIDGET)
		bind_components(param, settings, declared, count);
	else
		bind_colour(param, settings, declared, count);
}

void bind_scalar(matting_param &param, obs_data_t *settings,
		 const DeclaredDefault &declared)
{
	const char *key = param.name.c_str();
	switch (param.type) {
	case GS_SHADER_PARAM_BOOL:
		if (declared.has(1)) {
			const bool value = declared.first_byte() != 0;
			obs_data_set_default_bool(settings, key, value);
			param.default_value.integer = value;
			param.has_default = true;
		}
		param.value.integer = obs_data_get_bool(settings, key) ? 1 : 0;
		break;
	case GS_SHADER_PARAM_FLOAT:
		if (declared.has(sizeof(float))) {
			const double value = declared.component(0);
			obs_data_set_default_double(settings, key, value);
			param.default_value.number = value;
			param.has_default = true;
		}
		param.value.number = obs_data_get_double(settings, key);
		break;
	case GS_SHADER_PARAM_INT:
		if (declared.has(sizeof(int32_t))) {
			const int64_t value = declared.integer();
			obs_data_set_default_int(settings, key, value);
			param.default_value.integer = value;
			param.has_default = true;
		}
		param.value.integer = obs_data_get_int(settings, key);
		break;
	case GS_SHADER_PARAM_STRING:
		if (declared.has(1)) {
			obs_data_set_default_string(settings, key,
						    declared.text().c_str());
			param.has_default = true;
		}
		param.string_value = obs_data_get_string(settings, key);
		break;
	default:
		break;
	}
}

/* --- textures ---------------------------------------------------------- */

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

// Gives the bound source back and forgets it.
void unbind_source(matting_filter *filter, matting_param &param)
{
	if (!param.bound_source)
		return;
	obs_source_t *bound = obs_weak_source_get_source(param.bound_source);
	if (bound) {
		matting_return_source(filter, bound);
		obs_source_release(bound);
	}
	obs_weak_source_release(param.bound_source);
	param.bound_source = nullptr;
}

void bind_source(matting_filter *filter, matting_param &param,
		 obs_source_t *chosen)
{
	if (!obs_weak_source_references_source(param.bound_source, chosen)) {
		matting_borrow_source(filter, chosen);
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

std::string absolute_path(const std::string &path)
{
	char *absolute = os_get_abs_path_ptr(path.c_str());
	std::string result = absolute ? absolute : "";
	bfree(absolute);
	return result;
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
		const char *data = obs_get_module_data_path(plugin_module());
		const std::string candidate = absolute_path(
			std::string(data ? data : "") + TEXTURES_FOLDER +
			file_name);
		if (!candidate.empty() && os_file_exists(candidate.c_str()))
			found = candidate;
	}
	if (found.empty())
		return;
	obs_data_set_default_string(settings, key, found.c_str());
	param.has_default = true;
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

void bind_texture(matting_filter *filter, matting_param &param,
		  obs_data_t *settings, const DeclaredDefault &declared)
{
	obs_source_t *chosen = wanted_source(param, settings);
	if (chosen) {
		bind_source(filter, param, chosen);
		obs_source_release(chosen);
		return;
	}

	set_default_path(param, settings, declared.text());
	load_image(param, obs_data_get_string(settings, param.name.c_str()));
	unbind_source(filter, param);
}

void bind_param(matting_filter *filter, matting_param &param,
		obs_data_t *settings)
{
	const DeclaredDefault declared(param.param);
	param.has_default = false;
	switch (param.type) {
	case GS_SHADER_PARAM_VEC2:
		bind_vector(param, settings, declared, 2);
		break;
	case GS_SHADER_PARAM_VEC3:
		bind_vector(param, settings, declared, 3);
		break;
	case GS_SHADER_PARAM_VEC4:
		bind_vector(param, settings, declared, 4);
		break;
	case GS_SHADER_PARAM_TEXTURE:
		bind_texture(filter, param, settings, declared);
		break;
	default:
		bind_scalar(param, settings, declared);
		break;
	}
}

} // namespace

void matting_update(void *data, obs_data_t *settings)
{
	auto *filter = static_cast<matting_filter *>(data);
	filter->expand_left = read_margin(settings, S_EXPAND_LEFT);
	filter->expand_right = read_margin(settings, S_EXPAND_RIGHT);
	filter->expand_top = read_margin(settings, S_EXPAND_TOP);
	filter->expand_bottom = read_margin(settings, S_EXPAND_BOTTOM);
	filter->rand_activation_f = matting_random_value();

	if (filter->reload_pending.exchange(false)) {
		matting_build_effect(filter);
		obs_source_update_properties(filter->source);
	}

	for (matting_param &param : filter->params)
		bind_param(filter, param, settings);
}
