// The gift filter's size and coordinate arithmetic, and the filters'
// colour-space choice, without a host.
#include "filter-color-space.h"
#include "gift/gift-filter.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

gift_filter relative(int left, int top, int right, int bottom)
{
	gift_filter f = {};
	f.left = left;
	f.top = top;
	f.right = right;
	f.bottom = bottom;
	return f;
}

gift_filter absolute(int cx, int cy, int left = 0, int top = 0)
{
	gift_filter f = {};
	f.absolute = true;
	f.abs_cx = cx;
	f.abs_cy = cy;
	f.left = left;
	f.top = top;
	f.right = 999; // plays no part in absolute mode
	f.bottom = 999;
	return f;
}

} // namespace

TEST(GiftGeometry, CropsSetScaleAndOffsetOfTheTarget)
{
	gift_filter f = relative(100, 20, 60, 40);
	gift_filter_fit(&f, 1280, 720);
	EXPECT_EQ(f.width, 1120);
	EXPECT_EQ(f.height, 660);
	EXPECT_FLOAT_EQ(f.mul_val.x, 1120.0f / 1280.0f);
	EXPECT_FLOAT_EQ(f.mul_val.y, 660.0f / 720.0f);
	EXPECT_FLOAT_EQ(f.add_val.x, 100.0f / 1280.0f);
	EXPECT_FLOAT_EQ(f.add_val.y, 20.0f / 720.0f);
}

TEST(GiftGeometry, AbsoluteSizeIgnoresTheTargetButKeepsTheOffset)
{
	for (uint32_t w : {64u, 1280u, 3840u}) {
		gift_filter f = absolute(300, 200, 32, 16);
		gift_filter_fit(&f, w, 720);
		EXPECT_EQ(f.width, 300);
		EXPECT_EQ(f.height, 200);
		EXPECT_FLOAT_EQ(f.mul_val.x, 300.0f / float(w));
		EXPECT_FLOAT_EQ(f.add_val.x, 32.0f / float(w));
		EXPECT_FLOAT_EQ(f.add_val.y, 16.0f / 720.0f);
	}
}

TEST(GiftGeometry, EmptyTargetLeavesCoordinatesAtZero)
{
	gift_filter f = relative(10, 10, 0, 0);
	f.mul_val = {{{9.0f, 9.0f}}};
	gift_filter_fit(&f, 0, 0);
	EXPECT_EQ(f.width, 1);
	EXPECT_EQ(f.height, 1);
	EXPECT_FLOAT_EQ(f.mul_val.x, 0.0f);
	EXPECT_FLOAT_EQ(f.mul_val.y, 0.0f);
	EXPECT_FLOAT_EQ(f.add_val.x, 0.0f);
}

TEST(GiftGeometry, ExtremeSettingsSaturateInsteadOfWrapping)
{
	EXPECT_EQ(gift_setting_to_int32(-8192), -8192);
	EXPECT_EQ(gift_setting_to_int32(4294967296LL + 5), INT_MAX);
	EXPECT_EQ(gift_setting_to_int32(LLONG_MIN), INT_MIN);

	gift_filter f = relative(INT_MIN, INT_MIN, INT_MIN, INT_MIN);
	gift_filter_fit(&f, 1280, 720);
	EXPECT_EQ(f.width, INT_MAX);
	EXPECT_EQ(f.height, INT_MAX);

	f = relative(INT_MAX, 0, INT_MAX, 0);
	gift_filter_fit(&f, 1280, 720);
	EXPECT_EQ(f.width, 1);
}

TEST(FilterColorSpace, TextureFormatFollowsTheSpace)
{
	EXPECT_EQ(filter_texture_format(GS_CS_SRGB), GS_RGBA);
	EXPECT_EQ(filter_texture_format(GS_CS_SRGB_16F), GS_RGBA16F);
	EXPECT_EQ(filter_texture_format(GS_CS_709_EXTENDED), GS_RGBA16F);
	EXPECT_EQ(filter_texture_format(GS_CS_709_SCRGB), GS_RGBA16F);
}

TEST(FilterColorSpace, ReportsTheTargetSpaceWhenOfferedElseTheLastOffered)
{
	const gs_color_space offered[] = {GS_CS_SRGB, GS_CS_709_EXTENDED};
	EXPECT_EQ(filter_pick_color_space(GS_CS_709_EXTENDED, 2, offered),
		  GS_CS_709_EXTENDED);
	EXPECT_EQ(filter_pick_color_space(GS_CS_SRGB, 2, offered), GS_CS_SRGB);
	EXPECT_EQ(filter_pick_color_space(GS_CS_SRGB_16F, 2, offered),
		  GS_CS_709_EXTENDED);
	EXPECT_EQ(filter_pick_color_space(GS_CS_SRGB_16F, 0, nullptr),
		  GS_CS_SRGB_16F);
}
