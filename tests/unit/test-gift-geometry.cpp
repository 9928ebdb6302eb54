// The gift filter's size and coordinate arithmetic, and the filters'
// colour-space choice, without a host. Output sizes as the host sees them
// are checked in the host tests; here the texture-coordinate scale and
// offset, and the edges no setting in the host reaches.
#include "filter-color-space.h"
#include "gift/gift-filter.h"

#include <gtest/gtest.h>

#include <climits>

TEST(GiftGeometry, SizeScaleAndOffsetOfTheTarget)
{
	struct Case {
		bool absolute;
		int a, b, c, d;   // cx, cy, left, top or left, top, right, bottom
		uint32_t w, h;    // the target
		int width, height;
		float mul_x, mul_y, add_x, add_y;
	} cases[] = {
		{false, 100, 20, 60, 40, 1280, 720, 1120, 660, 1120 / 1280.0f,
		 660 / 720.0f, 100 / 1280.0f, 20 / 720.0f},
		// Absolute: the size whatever the target, the offset kept.
		{true, 300, 200, 32, 16, 64, 720, 300, 200, 300 / 64.0f,
		 200 / 720.0f, 32 / 64.0f, 16 / 720.0f},
		// An empty target leaves the coordinates at 0.
		{false, 10, 10, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0},
		// Extreme settings saturate instead of wrapping.
		{false, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 1280, 720, INT_MAX,
		 INT_MAX, INT_MAX / 1280.0f, INT_MAX / 720.0f, INT_MIN / 1280.0f,
		 INT_MIN / 720.0f},
		{false, INT_MAX, 0, INT_MAX, 0, 1280, 720, 1, 720, 1 / 1280.0f,
		 1.0f, INT_MAX / 1280.0f, 0},
	};
	for (const Case &c : cases) {
		gift_filter f = {};
		f.absolute = c.absolute;
		f.mul_val = {{{9.0f, 9.0f}}};
		if (c.absolute) {
			f.abs_cx = c.a, f.abs_cy = c.b, f.left = c.c, f.top = c.d;
			f.right = f.bottom = 999; // no part in absolute mode
		} else {
			f.left = c.a, f.top = c.b, f.right = c.c, f.bottom = c.d;
		}
		gift_filter_fit(&f, c.w, c.h);
		SCOPED_TRACE(std::to_string(c.a) + " on " + std::to_string(c.w));
		EXPECT_EQ(f.width, c.width);
		EXPECT_EQ(f.height, c.height);
		EXPECT_FLOAT_EQ(f.mul_val.x, c.mul_x);
		EXPECT_FLOAT_EQ(f.mul_val.y, c.mul_y);
		EXPECT_FLOAT_EQ(f.add_val.x, c.add_x);
		EXPECT_FLOAT_EQ(f.add_val.y, c.add_y);
	}
	EXPECT_EQ(gift_setting_to_int32(-8192), -8192);
	EXPECT_EQ(gift_setting_to_int32(4294967296LL + 5), INT_MAX);
	EXPECT_EQ(gift_setting_to_int32(LLONG_MIN), INT_MIN);
}

TEST(FilterColorSpace, ASpaceNotOfferedGivesTheLastOfferedAndNoneOfferedTheTargets)
{
	const gs_color_space offered[] = {GS_CS_SRGB, GS_CS_709_EXTENDED};
	EXPECT_EQ(filter_pick_color_space(GS_CS_SRGB_16F, 2, offered),
		  GS_CS_709_EXTENDED);
	EXPECT_EQ(filter_pick_color_space(GS_CS_SRGB_16F, 0, nullptr),
		  GS_CS_SRGB_16F);
}
