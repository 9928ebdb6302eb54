// The reserved uniforms reach the effect with the filter's values; each
// test effect turns them into pixels.
#include "matting-fixture.h"

#include <ctime>
#include <set>

using namespace mattingtest;

namespace {

// A body that shows n = round(value * 10000) exactly: red = n / 100,
// green = n % 100.
std::string show_ten_thousandths(const std::string &value)
{
	return std::string("float4 mainImage(VertData v_in) : TARGET\n{\n") +
	       READ_UV +
	       "\tfloat n = floor(" + value +
	       " * 10000.0 + 0.5);\n"
	       "\tfloat high = floor(n / 100.0);\n"
	       "\treturn float4(high / 255.0, (n - high * 100.0) / 255.0,"
	       " 0.0, 1.0);\n}\n";
}

int shown_ten_thousandths(uint32_t pixel)
{
	return int(pixel & 0xFF) * 100 + int((pixel >> 8) & 0xFF);
}

} // namespace

TEST(MattingUniforms, MappingOfA1920x1080TargetWithMargins)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 1920, 1080, 0xFF808080);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "expand_left", 10);
	obs_data_set_int(settings, "expand_right", 20);
	obs_data_set_int(settings, "expand_top", 5);
	obs_data_set_int(settings, "expand_bottom", 0);
	OBSSourceAutoRelease filter = add_matting(
		parent,
		check_body("abs(uv_size.x - 1950.0) < 0.001 &&"
			   " abs(uv_size.y - 1085.0) < 0.001 &&"
			   " abs(uv_scale.x - 1950.0 / 1920.0) < 0.000001 &&"
			   " abs(uv_scale.y - 1085.0 / 1080.0) < 0.000001 &&"
			   " abs(uv_offset.x + 10.0 / 1920.0) < 0.0000001 &&"
			   " abs(uv_offset.y + 5.0 / 1080.0) < 0.0000001 &&"
			   " abs(uv_pixel_interval.x - 1.0 / 1920.0) < 0.00000001 &&"
			   " abs(uv_pixel_interval.y - 1.0 / 1080.0) < 0.00000001"),
		settings);
	EXPECT_EQ(obs_source_get_width(parent), 1950u);
	EXPECT_EQ(obs_source_get_height(parent), 1085u);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent, 16), GREEN, 1));
}

TEST(MattingUniforms, LoopsAndLoopSecondFollowTheElapsedTime)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(
		parent, check_body("loops >= 1 && loop_second >= 0.0 &&"
				   " loop_second <= 1.0 &&"
				   " abs(float(loops) + loop_second -"
				   " elapsed_time) < 0.01"));
	settle(70);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent, 16), GREEN, 1));
}

TEST(MattingUniforms, ElapsedTimeStartRestartsAfterARebuild)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF808080);
	// red: elapsed_time_start / 2 s, green: elapsed_time / 4 s.
	OBSSourceAutoRelease filter = add_matting(
		parent, std::string("float4 mainImage(VertData v_in) : TARGET\n{\n") +
				READ_UV +
				"\treturn float4(saturate(elapsed_time_start / 2.0),"
				" saturate(elapsed_time / 4.0), 0.0, 1.0);\n}\n");
	settle(45);
	const uint32_t before = centre_pixel(parent, 16);
	EXPECT_GT(before & 0xFF, 80u); // over 0.6 s since the build
	headless::press_button(filter, "reload_effect");
	settle(2);
	const uint32_t after = centre_pixel(parent, 16);
	EXPECT_LT(after & 0xFF, 20u); // under 0.16 s since the rebuild
	// elapsed_time runs on.
	EXPECT_GE((after >> 8) & 0xFF, (before >> 8) & 0xFF);
}

TEST(MattingUniforms, RandomValuesStepByATenThousandth)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(
		parent,
		check_body("rand_f >= 0.0 && rand_f <= 1.0 &&"
			   " abs(rand_f * 10000.0 - floor(rand_f * 10000.0 + 0.5))"
			   " < 0.01 &&"
			   " abs(rand_instance_f * 10000.0 -"
			   " floor(rand_instance_f * 10000.0 + 0.5)) < 0.01 &&"
			   " abs(rand_activation_f * 10000.0 -"
			   " floor(rand_activation_f * 10000.0 + 0.5)) < 0.01"));
	for (int i = 0; i < 5; i++) {
		EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent, 16), GREEN, 0));
		settle(1);
	}

	// rand_f is new every frame.
	reload_with_text(filter, show_ten_thousandths("rand_f"));
	std::set<int> values;
	for (int i = 0; i < 8; i++) {
		values.insert(shown_ten_thousandths(centre_pixel(parent, 16)));
		settle(1);
	}
	EXPECT_GT(values.size(), 1u);
	EXPECT_LE(*values.rbegin(), 10000);
}

TEST(MattingUniforms, ClockUniformsShowTheLocalDate)
{
	time_t now = time(nullptr);
	struct tm local;
	localtime_r(&now, &local);
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF808080);
	const std::string declarations =
		"uniform int current_time_ms;\nuniform int current_time_sec;\n"
		"uniform int current_time_min;\nuniform int current_time_hour;\n"
		"uniform int current_time_day_of_week;\n"
		"uniform int current_time_day_of_month;\n"
		"uniform int current_time_month;\n"
		"uniform int current_time_day_of_year;\n"
		"uniform int current_time_year;\n";
	const std::string condition =
		"current_time_ms >= 0 && current_time_ms <= 999 &&"
		" current_time_sec >= 0 && current_time_sec <= 60 &&"
		" current_time_min >= 0 && current_time_min <= 59 &&"
		" current_time_hour >= 0 && current_time_hour <= 23 &&"
		" current_time_day_of_week == " +
		std::to_string(local.tm_wday) +
		" && current_time_day_of_month == " +
		std::to_string(local.tm_mday) +
		" && current_time_month == " + std::to_string(local.tm_mon) +
		" && current_time_day_of_year == " +
		std::to_string(local.tm_yday) +
		" && current_time_year == " + std::to_string(local.tm_year);
	OBSSourceAutoRelease filter =
		add_matting(parent, check_body(condition, declarations));
	EXPECT_EQ(last_error(filter), "");
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent, 16), GREEN, 0));
}
