#include "matting-annotations.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

const char OPTION_PREFIX[] = "option_";

std::string string_value(const void *value, size_t size)
{
	const char *text = static_cast<const char *>(value);
	return std::string(text, strnlen(text, size));
}

bool read_int(const void *value, size_t size, int32_t *out)
{
	if (size < sizeof(int32_t))
		return false;
	memcpy(out, value, sizeof(int32_t));
	return true;
}

bool read_float(const void *value, size_t size, float *out)
{
	if (size < sizeof(float))
		return false;
	memcpy(out, value, sizeof(float));
	return true;
}

int64_t nearest_int32(double number)
{
	if (std::isnan(number))
		return 0;
	const double low = std::numeric_limits<int32_t>::min();
	const double high = std::numeric_limits<int32_t>::max();
	return int64_t(std::llround(std::fmin(std::fmax(number, low), high)));
}

bool is_number_type(enum gs_shader_param_type type)
{
	return type == GS_SHADER_PARAM_FLOAT || type == GS_SHADER_PARAM_VEC2 ||
	       type == GS_SHADER_PARAM_VEC3 || type == GS_SHADER_PARAM_VEC4;
}

void set_limit(const matting_param &param, matting_limit &limit,
	       enum gs_shader_param_type type, const void *value, size_t size)
{
	const bool int_param = param.type == GS_SHADER_PARAM_INT;
	int32_t integer;
	float number;
	if (type == GS_SHADER_PARAM_INT && read_int(value, size, &integer)) {
		if (int_param)
			limit.integer = integer;
		else
			limit.number = integer;
	} else if (is_number_type(type) && read_float(value, size, &number)) {
		if (int_param)
			limit.integer = nearest_int32(number);
		else
			limit.number = number;
	}
}

void add_option(matting_param &param, const char *name,
		enum gs_shader_param_type type, const void *value, size_t size)
{
	const size_t index = option_index(name);
	int32_t integer;
	if (type == GS_SHADER_PARAM_INT && read_int(value, size, &integer))
		insert_option(param.option_values, index, integer);
	else if (type == GS_SHADER_PARAM_STRING)
		insert_option(param.option_labels, index,
			      string_value(value, size));
}

} // namespace

size_t option_index(const char *name)
{
	if (strncmp(name, OPTION_PREFIX, sizeof(OPTION_PREFIX) - 1) != 0)
		return 0;
	const char *digits = name + sizeof(OPTION_PREFIX) - 1;
	size_t index = 0;
	for (; *digits >= '0' && *digits <= '9'; digits++) {
		if (index > std::numeric_limits<size_t>::max() / 10 - 1)
			return std::numeric_limits<size_t>::max();
		index = index * 10 + size_t(*digits - '0');
	}
	return index;
}

void apply_annotation(matting_param &param, const char *name,
		      enum gs_shader_param_type type, const void *value,
		      size_t size)
{
	if (!name || !value)
		return;
	const bool text = type == GS_SHADER_PARAM_STRING;
	if (text && (!strcmp(name, "name") || !strcmp(name, "label")))
		param.label = string_value(value, size);
	else if (text && !strcmp(name, "widget_type"))
		param.widget_type = string_value(value, size);
	else if (text && !strcmp(name, "group"))
		param.group = string_value(value, size);
	else if (!strcmp(name, "minimum"))
		set_limit(param, param.minimum, type, value, size);
	else if (!strcmp(name, "maximum"))
		set_limit(param, param.maximum, type, value, size);
	else if (!strcmp(name, "step"))
		set_limit(param, param.step, type, value, size);
	else if (!strncmp(name, OPTION_PREFIX, sizeof(OPTION_PREFIX) - 1))
		add_option(param, name, type, value, size);
}
