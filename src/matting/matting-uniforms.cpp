#include "matting-uniforms.h"

#include <cstring>

namespace {

struct reserved_uniform {
	const char *name;
	reserved_uniform_field field;
};

#define RESERVED(name) {#name, &matting_filter::param_##name}

const reserved_uniform RESERVED_UNIFORMS[] = {
	RESERVED(uv_offset),
	RESERVED(uv_scale),
	RESERVED(uv_pixel_interval),
	RESERVED(uv_size),
	RESERVED(current_time_ms),
	RESERVED(current_time_sec),
	RESERVED(current_time_min),
	RESERVED(current_time_hour),
	RESERVED(current_time_day_of_week),
	RESERVED(current_time_day_of_month),
	RESERVED(current_time_month),
	RESERVED(current_time_day_of_year),
	RESERVED(current_time_year),
	RESERVED(elapsed_time),
	RESERVED(elapsed_time_start),
	RESERVED(elapsed_time_show),
	RESERVED(elapsed_time_active),
	RESERVED(elapsed_time_enable),
	RESERVED(rand_f),
	RESERVED(rand_activation_f),
	RESERVED(rand_instance_f),
	RESERVED(loops),
	RESERVED(loop_second),
	RESERVED(local_time),
	{"ViewProj", nullptr},
	RESERVED(image),
	RESERVED(previous_image),
	RESERVED(previous_output),
};

#undef RESERVED

} // namespace

bool find_reserved_uniform(const char *name, reserved_uniform_field *field)
{
	for (const reserved_uniform &uniform : RESERVED_UNIFORMS) {
		if (!strcmp(name, uniform.name)) {
			*field = uniform.field;
			return true;
		}
	}
	return false;
}

void clear_reserved_uniforms(matting_filter *filter)
{
	for (const reserved_uniform &uniform : RESERVED_UNIFORMS)
		if (uniform.field)
			filter->*uniform.field = nullptr;
}
