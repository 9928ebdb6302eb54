// Uniforms with reserved names: the filter sets them itself before every
// draw, so they are not user parameters. Binding is by exact name alone.
#pragma once

#include "matting-filter.h"

// Field of matting_filter that holds a reserved uniform's handle.
using reserved_uniform_field = gs_eparam_t *matting_filter::*;

// True when name is reserved. *field receives the handle's field, or null
// for ViewProj, which the host sets itself and the filter keeps no handle
// of.
bool find_reserved_uniform(const char *name, reserved_uniform_field *field);

// Sets every reserved-uniform handle of filter to null.
void clear_reserved_uniforms(matting_filter *filter);
