#include "matting-panel-rules.h"

#include <cstring>

namespace {

const double FLOAT_FALLBACK_MIN = -1000.0;
const double FLOAT_FALLBACK_MAX = 1000.0;
const double FLOAT_FALLBACK_STEP = 0.0001;
const int INT_FALLBACK_MIN = -1000;
const int INT_FALLBACK_MAX = 1000;
const int INT_FALLBACK_STEP = 1;

const char EFFECT_SUFFIX[] = ".effect";
const char SHADER_SUFFIX[] = ".shader";
const size_t SUFFIX_LENGTH = 7;

bool ends_with(const std::string &text, const char *suffix)
{
	const size_t n = strlen(suffix);
	return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

} // namespace

std::string param_display_text(const matting_param_view &param)
{
	if (!param.label.empty())
		return param.label;
	std::string text = param.name;
	for (char &c : text)
		if (c == '_')
			c = ' ';
	return text;
}

float_range param_float_range(const matting_param_view &param)
{
	float_range range = {param.minimum.number, param.maximum.number,
			     param.step.number};
	if (range.minimum == range.maximum) {
		range.minimum = FLOAT_FALLBACK_MIN;
		range.maximum = FLOAT_FALLBACK_MAX;
		range.step = FLOAT_FALLBACK_STEP;
	}
	if (!(range.step > 0.0))
		range.step = FLOAT_FALLBACK_STEP;
	return range;
}

int_range param_int_range(const matting_param_view &param)
{
	int_range range = {int(param.minimum.integer),
			   int(param.maximum.integer), int(param.step.integer)};
	if (range.minimum == range.maximum) {
		range.minimum = INT_FALLBACK_MIN;
		range.maximum = INT_FALLBACK_MAX;
		range.step = INT_FALLBACK_STEP;
	}
	if (range.step <= 0)
		range.step = INT_FALLBACK_STEP;
	return range;
}

std::vector<std::pair<std::string, int32_t>>
param_select_entries(const matting_param_view &param)
{
	std::vector<std::pair<std::string, int32_t>> entries;
	for (size_t i = 0; i < param.option_values.size(); i++) {
		const int32_t value = param.option_values[i];
		entries.emplace_back(i < param.option_labels.size()
					     ? param.option_labels[i]
					     : std::to_string(value),
				     value);
	}
	return entries;
}

std::optional<bool> override_for_file_name(const std::string &file_name)
{
	if (file_name.size() <= SUFFIX_LENGTH)
		return std::nullopt;
	if (ends_with(file_name, EFFECT_SUFFIX))
		return true;
	if (ends_with(file_name, SHADER_SUFFIX))
		return false;
	return std::nullopt;
}

size_t sorted_insert_position(const std::vector<std::string> &names,
			      const std::string &name)
{
	for (size_t i = 0; i < names.size(); i++)
		if (strcmp(names[i].c_str(), name.c_str()) >= 0)
			return i;
	return names.size();
}
