// Output size and texture coordinates of the gift filter: pure arithmetic on
// the record, kept apart from the host so it can be tested on its own.
#include "gift-filter.h"

#include <algorithm>
#include <limits>

namespace {

using limits32 = std::numeric_limits<int32_t>;

int32_t saturate(int64_t value)
{
	return int32_t(std::clamp<int64_t>(value, limits32::min(),
					   limits32::max()));
}

// Output sizes are at least 1 pixel.
int32_t at_least_one(int32_t size)
{
	return size < 1 ? 1 : size;
}

} // namespace

int32_t gift_setting_to_int32(long long value)
{
	return saturate(value);
}

void gift_filter_fit(struct gift_filter *filter, uint32_t base_width,
		     uint32_t base_height)
{
	if (filter->absolute) {
		filter->width = filter->abs_cx;
		filter->height = filter->abs_cy;
	} else {
		// Negative crops enlarge the output. Worked out in 64 bits
		// so that extreme settings saturate instead of overflowing.
		filter->width = saturate(int64_t(base_width) - filter->right -
					 filter->left);
		filter->height = saturate(int64_t(base_height) -
					  filter->bottom - filter->top);
	}
	filter->width = at_least_one(filter->width);
	filter->height = at_least_one(filter->height);

	vec2_zero(&filter->mul_val);
	vec2_zero(&filter->add_val);
	if (base_width != 0) {
		filter->mul_val.x = float(filter->width) / float(base_width);
		filter->add_val.x = float(filter->left) / float(base_width);
	}
	if (base_height != 0) {
		filter->mul_val.y = float(filter->height) / float(base_height);
		filter->add_val.y = float(filter->top) / float(base_height);
	}
}
