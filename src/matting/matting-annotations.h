// How a uniform's annotations fill its parameter record. Pure: the caller
// fetches each annotation's name, type and value bytes from the host.
//
//   "name", "label"      (string)              label
//   "widget_type"        (string)              widget_type
//   "group"              (string)              group
//   "minimum", "maximum", "step"
//                        (int, float, vecN)    the range
//   "option_N..."        (int)                 option_values at N
//   "option_N..."        (string)              option_labels at N
//
// Other names, or a listed name with another type, are ignored; a later
// "name"/"label" replaces an earlier one.
//
// Ranges are stored the way the panel reads them: as integers for an int
// parameter and as numbers for every other type, whatever type the
// annotation was declared with (a float minimum on an int parameter is
// rounded to the nearest integer, an int maximum on a float parameter is
// widened; a vector annotation gives its first component).
//
// N is the run of decimal digits after "option_" (0 when there is none, so
// option_0 and option_0_label pair up). An option is inserted at N; an N
// past the end of its list appends it.
#pragma once

#include "matting-filter.h"

#include <cstddef>
#include <string>
#include <vector>

void apply_annotation(matting_param &param, const char *name,
		      enum gs_shader_param_type type, const void *value,
		      size_t size);

// The N of an "option_N..." annotation name.
size_t option_index(const char *name);

// Inserts at index, or appends when index lies past the end.
template<typename T>
void insert_option(std::vector<T> &list, size_t index, T value)
{
	if (index > list.size())
		index = list.size();
	list.insert(list.begin() + std::ptrdiff_t(index), std::move(value));
}
