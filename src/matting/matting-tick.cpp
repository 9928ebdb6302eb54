#include "matting-tick.h"
#include "matting-random.h"
#include "../plugin-support.h"

#include <obs.hpp>
#include <util/platform.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// The largest side asked of the device, and the smallest it is assumed to
// make whatever it answers.
const uint32_t LARGEST_SIDE = 16384;
const uint32_t SMALLEST_SIDE = 2048;

int32_t add_margins(uint32_t base, int32_t before, int32_t after)
{
	const int64_t total = int64_t(base) + before + after;
	return int32_t(std::clamp<int64_t>(total, 0,
					   std::numeric_limits<int32_t>::max()));
}

bool margins_fit(uint32_t base_width, uint32_t base_height,
		 const margin_set &m, const frame_limits &limits)
{
	const uint64_t width = uint64_t(add_margins(base_width, m.left, m.right));
	const uint64_t height =
		uint64_t(add_margins(base_height, m.top, m.bottom));
	return width <= limits.max_side && height <= limits.max_side &&
	       width * height <= limits.max_pixels;
}

margin_set scale_margins(const margin_set &m, double k)
{
	auto cut = [k](int32_t margin) {
		return int32_t(std::floor(double(std::max(margin, 0)) * k));
	};
	return {cut(m.left), cut(m.right), cut(m.top), cut(m.bottom)};
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

uint32_t device_side_limit(void)
{
	// A render target one pixel high of each candidate side: cheap to
	// make, and refused by a device that cannot make that side.
	static const uint32_t limit = [] {
		uint32_t side = LARGEST_SIDE;
		obs_enter_graphics();
		for (; side > SMALLEST_SIDE; side /= 2) {
			gs_texture_t *probe = gs_texture_create(
				side, 1, GS_RGBA, 1, nullptr, GS_RENDER_TARGET);
			if (probe) {
				gs_texture_destroy(probe);
				break;
			}
		}
		obs_leave_graphics();
		return side;
	}();
	return limit;
}

margin_set fit_margins(uint32_t base_width, uint32_t base_height,
		       const margin_set &asked, const frame_limits &limits)
{
	if (margins_fit(base_width, base_height, asked, limits))
		return asked;
	// The fit only grows with the proportion kept: halve the interval
	// until it is far below one pixel of the largest margin.
	double fits = 0.0, too_much = 1.0;
	for (int step = 0; step < 40; step++) {
		const double k = (fits + too_much) / 2.0;
		if (margins_fit(base_width, base_height,
				scale_margins(asked, k), limits))
			fits = k;
		else
			too_much = k;
	}
	return scale_margins(asked, fits);
}

void tick_mapping(matting_filter *filter, uint32_t base_width,
		  uint32_t base_height, const frame_limits &limits)
{
	const margin_set asked = {filter->expand_left, filter->expand_right,
				  filter->expand_top, filter->expand_bottom};
	const margin_set drawn =
		fit_margins(base_width, base_height, asked, limits);
	filter->asked_width = add_margins(base_width, asked.left, asked.right);
	filter->asked_height = add_margins(base_height, asked.top, asked.bottom);
	filter->total_width = add_margins(base_width, drawn.left, drawn.right);
	filter->total_height = add_margins(base_height, drawn.top, drawn.bottom);

	vec2_set(&filter->uv_size, float(filter->total_width),
		 float(filter->total_height));
	map_axis(base_width, filter->total_width, drawn.left,
		 &filter->uv_scale.x, &filter->uv_offset.x,
		 &filter->uv_pixel_interval.x);
	map_axis(base_height, filter->total_height, drawn.top,
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

uint64_t frame_pixel_budget(uint64_t canvas_pixels, uint64_t target_pixels)
{
	const uint64_t most = uint64_t(FRAME_BUDGET_MAX_SIDE) *
			      FRAME_BUDGET_MAX_SIDE;
	return std::min(most, std::max(target_pixels,
				       canvas_pixels * FRAME_BUDGET_CANVASES));
}

namespace {

// What last_error says while the margins are cut; "" when they are not.
std::string margins_message(const matting_filter *filter,
			    const frame_limits &limits)
{
	if (filter->asked_width == filter->total_width &&
	    filter->asked_height == filter->total_height)
		return std::string();
	char numbers[160];
	snprintf(numbers, sizeof(numbers),
		 ": %d x %d asked, %d x %d drawn (at most %u pixels a side "
		 "and %llu pixels in all).",
		 filter->asked_width, filter->asked_height, filter->total_width,
		 filter->total_height, limits.max_side,
		 (unsigned long long)limits.max_pixels);
	return module_text("ShaderFilter.MarginsReduced") + std::string(numbers);
}

// Puts message into last_error, or takes the margins' earlier message out
// of it when message is "". Only an empty last_error or the margins' own
// earlier message is replaced: an effect's or a texture's error stays, and
// once it is gone (last_error emptied) the message comes back.
void report_margins(matting_filter *filter, const std::string &message)
{
	if (message.empty() && filter->margins_message.empty())
		return;
	const std::string current = matting_last_error(filter);
	const bool ours = current.empty() || current == filter->margins_message;
	filter->margins_message = message;
	if (!ours || current == message)
		return;
	OBSDataAutoRelease settings = obs_source_get_settings(filter->source);
	matting_set_last_error(filter, settings, message);
	obs_source_update_properties(filter->source);
}

} // namespace

void matting_video_tick(void *data, float seconds)
{
	auto *filter = static_cast<matting_filter *>(data);
	matting_follow_parent_state(filter);
	obs_source_t *target = obs_filter_get_target(filter->source);
	if (!target)
		return;

	const uint32_t width = obs_source_get_base_width(target);
	const uint32_t height = obs_source_get_base_height(target);
	obs_video_info canvas = {};
	obs_get_video_info(&canvas);
	const frame_limits limits = {
		device_side_limit(),
		frame_pixel_budget(uint64_t(canvas.base_width) * canvas.base_height,
				   uint64_t(width) * height)};
	tick_mapping(filter, width, height, limits);
	report_margins(filter, margins_message(filter, limits));
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
