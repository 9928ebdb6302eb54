// The decisions the properties panel makes from a parameter record, kept
// apart from the host's property calls so they can be tested directly.
#pragma once

#include "matting-filter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The control's text: the label annotation, or the name with every "_"
// shown as a space.
std::string param_display_text(const matting_param_view &param);

struct float_range {
	double minimum;
	double maximum;
	double step;
};

struct int_range {
	int minimum;
	int maximum;
	int step;
};

// Ranges from the minimum/maximum/step annotations. Without a range
// (minimum equal to maximum) a float gets -1000 to 1000 in steps of 0.0001
// and an int -1000 to 1000 in steps of 1. A step that is missing, zero or
// negative takes the same fallback step: the host's sliders divide by it.
float_range param_float_range(const matting_param_view &param);
int_range param_int_range(const matting_param_view &param);

// Entries of a "select" list, (text, value) in option order: one per option
// value. A value without a text of its own shows its number.
std::vector<std::pair<std::string, int32_t>>
param_select_entries(const matting_param_view &param);

// What choosing an effect file does to "override_entire_effect": a name of
// at least 8 characters ending in ".effect" sets it (a complete effect),
// one ending in ".shader" clears it (a body for the template); anything
// else leaves it alone (nullopt).
std::optional<bool> override_for_file_name(const std::string &file_name);

// Where name goes in a list kept in ascending byte-wise order: before the
// first entry that compares greater than or equal to it.
size_t sorted_insert_position(const std::vector<std::string> &names,
			      const std::string &name);
