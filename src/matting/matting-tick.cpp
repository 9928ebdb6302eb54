#include "matting-tick.h"
#include "matting-random.h"

#include <util/platform.h>

#include <algorithm>
#include <limits>

namespace {

int32_t add_margins(uint32_t base, int32_t before, int32_t after)
{
	const int64_t total = int64_t(base) + before + after;
	return int32_t(std::clamp<int64_t>(total, 0,
					   std::numeric_limits<int32_t>::max()));
}

// One axis of the mapping: scale, offset and pixel interval.
void map_axis(uint32_t base, int32_t total, int32_t before, float *scale,
	      float *offset, float *interval)
{
	if (base == 0) {
		*scale = 1.0f;
		*offset = 0.0f;
		*interval = 0.0f;
		return;
	}
	const float size = float(base);
	*scale = float(total) / size;
	*offset = -float(before) / size;
	*interval = 1.0f / size;
}

} // namespace

void tick_mapping(matting_filter *filter, uint32_t base_width,
		  uint32_t base_height)
{
	filter->total_width = add_margins(base_width, filter->expand_left,
					  filter->expand_right);
	filter->total_height = add_margins(base_height, filter->expand_top,
					   filter->expand_bottom);

	vec2_set(&filter->uv_size, float(filter->total_width),
		 float(filter->total_height));
	map_axis(base_width, filter->total_width, filter->expand_left,
		 &filter->uv_scale.x, &filter->uv_offset.x,
		 &filter->uv_pixel_interval.x);
	map_axis(base_height, filter->total_height, filter->expand_top,
		 &filter->uv_scale.y, &filter->uv_offset.y,
		 &filter->uv_pixel_interval.y);
}

void tick_clocks(matting_filter *filter, float seconds)
{
	if (filter->start_time == 0.0f)
		filter->start_time = filter->elapsed_time + seconds;
	filter->elapsed_time += seconds;

	filter->loop_second += seconds;
	if (filter->loop_second > 1.0f) {
		filter->loops += 1;
		filter->loop_second -= 1.0f;
	}
	if (filter->loops >= LOOPS_WRAP)
		filter->loops = -filter->loops;
}

void tick_enable_state(matting_filter *filter, float seconds, bool enabled,
		       bool parent_active, bool parent_showing)
{
	if (enabled != filter->was_enabled) {
		filter->was_enabled = enabled;
		if (enabled)
			filter->enable_time = filter->elapsed_time;
	}

	if (enabled && parent_active)
		filter->active_time += seconds;
	else
		filter->active_time = 0.0f;

	if (enabled && parent_showing)
		filter->shown_time += seconds;
	else
		filter->shown_time = 0.0f;
}

void matting_video_tick(void *data, float seconds)
{
	auto *filter = static_cast<matting_filter *>(data);
	matting_follow_parent_state(filter);
	obs_source_t *target = obs_filter_get_target(filter->source);
	if (!target)
		return;

	tick_mapping(filter, obs_source_get_base_width(target),
		     obs_source_get_base_height(target));
	tick_clocks(filter, seconds);
	filter->local_time = float(double(os_gettime_ns()) / 1000000000.0);

	obs_source_t *parent = obs_filter_get_parent(filter->source);
	tick_enable_state(filter, seconds, obs_source_enabled(filter->source),
			  parent && obs_source_active(parent),
			  parent && obs_source_showing(parent));

	filter->frame_rendered = false;
	filter->input_rendered = false;
	filter->rand_f = matting_random_value();
}
