// The settings update: margins, a new activation random value, the pending
// rebuild, and the binding of every effect parameter to its settings.
#include "matting-filter.h"
#include "matting-colour.h"
#include "matting-random.h"
#include "matting-texture-param.h"
#include "../settings-read.h"

#include <util/bmem.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

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
	return int32_t(std::clamp<long long>(settings_int(settings, key),
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
		param.value.floats[k] = float(settings_double(
			settings, key.c_str(), param.default_value.floats[k]));
	}
}

void bind_colour(matting_param &param, obs_data_t *settings,
		 const DeclaredDefault &declared, size_t count)
{
	const char *key = param.name.c_str();
	uint32_t colour = OPAQUE_WHITE;
	if (declared.has(count * sizeof(float))) {
		float rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
		for (size_t k = 0; k < count; k++)
			rgba[k] = declared.component(k);
		colour = pack_colour(rgba);
		memcpy(param.default_value.floats, rgba, sizeof(rgba));
		param.has_default = true;
	}
	obs_data_set_default_int(settings, key, colour);
	unpack_colour(uint32_t(settings_int(settings, key, colour)),
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
		param.value.integer =
			settings_bool(settings, key, param.default_value.integer)
				? 1
				: 0;
		break;
	case GS_SHADER_PARAM_FLOAT:
		if (declared.has(sizeof(float))) {
			const double value = declared.component(0);
			obs_data_set_default_double(settings, key, value);
			param.default_value.number = value;
			param.has_default = true;
		}
		param.value.number =
			settings_double(settings, key, param.default_value.number);
		break;
	case GS_SHADER_PARAM_INT:
		if (declared.has(sizeof(int32_t))) {
			const int64_t value = declared.integer();
			obs_data_set_default_int(settings, key, value);
			param.default_value.integer = value;
			param.has_default = true;
		}
		param.value.integer =
			settings_int(settings, key, param.default_value.integer);
		break;
	case GS_SHADER_PARAM_STRING:
		if (declared.has(1)) {
			obs_data_set_default_string(settings, key,
						    declared.text().c_str());
			param.has_default = true;
		}
		param.string_value = settings_string(
			settings, key, declared.has(1) ? declared.text() : "");
		break;
	default:
		break;
	}
}

// The filter's own keys and the types it reads them as.
const std::pair<const char *, obs_data_type> FIXED_KEYS[] = {
	{S_EXPAND_LEFT, OBS_DATA_NUMBER},
	{S_EXPAND_RIGHT, OBS_DATA_NUMBER},
	{S_EXPAND_TOP, OBS_DATA_NUMBER},
	{S_EXPAND_BOTTOM, OBS_DATA_NUMBER},
	{S_OVERRIDE_ENTIRE_EFFECT, OBS_DATA_BOOLEAN},
	{S_FROM_FILE, OBS_DATA_BOOLEAN},
	{S_SHADER_TEXT, OBS_DATA_STRING},
	{S_SHADER_FILE_NAME, OBS_DATA_STRING},
	{S_LAST_ERROR, OBS_DATA_STRING},
};

// A parameter's keys and the types they are read as.
std::vector<std::pair<std::string, obs_data_type>>
param_keys(const matting_param &param)
{
	const bool components =
		param.type == GS_SHADER_PARAM_VEC2 ||
		((param.type == GS_SHADER_PARAM_VEC3 ||
		  param.type == GS_SHADER_PARAM_VEC4) &&
		 param.widget_type == SLIDER_WIDGET);
	if (components) {
		const size_t count = param.type == GS_SHADER_PARAM_VEC2   ? 2
				     : param.type == GS_SHADER_PARAM_VEC3 ? 3
									  : 4;
		std::vector<std::pair<std::string, obs_data_type>> keys;
		for (size_t k = 0; k < count; k++)
			keys.emplace_back(matting_component_key(param.name, k),
					  OBS_DATA_NUMBER);
		return keys;
	}
	switch (param.type) {
	case GS_SHADER_PARAM_BOOL:
		return {{param.name, OBS_DATA_BOOLEAN}};
	case GS_SHADER_PARAM_STRING:
		return {{param.name, OBS_DATA_STRING}};
	case GS_SHADER_PARAM_TEXTURE:
		return {{param.name, OBS_DATA_STRING},
			{matting_source_key(param.name), OBS_DATA_STRING}};
	case GS_SHADER_PARAM_FLOAT:
	case GS_SHADER_PARAM_INT:
	case GS_SHADER_PARAM_VEC3:
	case GS_SHADER_PARAM_VEC4:
		return {{param.name, OBS_DATA_NUMBER}};
	default:
		return {};
	}
}

void bind_param(matting_filter *filter, matting_param &param,
		obs_data_t *settings)
{
	// A value of another type than the one read here is dropped before
	// the defaults are set, so that the key's default reads again.
	{
		std::lock_guard<std::mutex> lock(filter->params_mutex);
		for (const auto &[key, type] : param_keys(param))
			settings_keep_type(settings, key.c_str(), type);
	}
	const DeclaredDefault declared(param.param);
	param.has_default = false;
	if (param.type == GS_SHADER_PARAM_TEXTURE) {
		texture_param_bind(filter, param, settings, declared.text());
		return;
	}
	// Nothing but the settings here: under the lock the panel's
	// callbacks hold while they read them.
	std::lock_guard<std::mutex> lock(filter->params_mutex);
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
	default:
		bind_scalar(param, settings, declared);
		break;
	}
}

// Texture images that cannot be shown go into last_error, and out of it
// again once they are solved; a build's own error is left alone.
void report_texture_problems(matting_filter *filter, obs_data_t *settings)
{
	std::string problems;
	for (const matting_param &param : filter->params)
		if (!param.image_problem.empty())
			problems += (problems.empty() ? "" : "\n") +
				    param.image_problem;
	if (problems.empty() && !filter->binding_error)
		return;
	matting_set_last_error(filter, settings, problems);
	filter->binding_error = !problems.empty();
}

} // namespace

void matting_update(void *data, obs_data_t *settings)
{
	auto *filter = static_cast<matting_filter *>(data);
	{
		std::lock_guard<std::mutex> lock(filter->params_mutex);
		for (const auto &[key, type] : FIXED_KEYS)
			settings_keep_type(settings, key, type);
		filter->expand_left = read_margin(settings, S_EXPAND_LEFT);
		filter->expand_right = read_margin(settings, S_EXPAND_RIGHT);
		filter->expand_top = read_margin(settings, S_EXPAND_TOP);
		filter->expand_bottom = read_margin(settings, S_EXPAND_BOTTOM);
	}
	filter->rand_activation_f = matting_random_value();

	if (filter->reload_pending.exchange(false)) {
		matting_build_effect(filter);
		obs_source_update_properties(filter->source);
	}

	for (matting_param &param : filter->params)
		bind_param(filter, param, settings);
	report_texture_problems(filter, settings);
}
