// The reserved uniforms reach the effect with the filter's values; each
// test effect turns them into pixels (their arithmetic: the unit tests).
#include "matting-fixture.h"

#include <ctime>
#include <set>

using namespace mattingtest;

namespace {

// rand_f shown as n = round(rand_f * 10000): red n / 100, green n % 100.
const std::string SHOW_RAND_F =
	std::string("float4 mainImage(VertData v_in) : TARGET\n{\n") + READ_UV +
	"\tfloat n = floor(rand_f * 10000.0 + 0.5);\n"
	"\tfloat high = floor(n / 100.0);\n"
	"\treturn float4(high / 255.0, (n - high * 100.0) / 255.0, 0.0, 1.0);\n}\n";

} // namespace

TEST(MattingUniforms, EachReservedUniformHoldsTheFiltersValue)
{
	time_t now = time(nullptr);
	struct tm local;
	localtime_r(&now, &local);
	std::string clock_declarations, date;
	for (const char *name : {"ms", "sec", "min", "hour"})
		clock_declarations += std::string("uniform int current_time_") + name + ";\n";
	const std::pair<const char *, int> days[] = {
		{"day_of_week", local.tm_wday}, {"day_of_month", local.tm_mday},
		{"month", local.tm_mon},        {"day_of_year", local.tm_yday},
		{"year", local.tm_year}};
	for (const auto &[name, value] : days) {
		clock_declarations += std::string("uniform int current_time_") + name + ";\n";
		date += std::string(" && current_time_") + name + " == " + std::to_string(value);
	}
	std::string random_steps = "rand_f >= 0.0 && rand_f <= 1.0";
	for (const char *name : {"rand_f", "rand_instance_f", "rand_activation_f"})
		random_steps += std::string(" && abs(") + name + " * 10000.0 - floor(" +
				name + " * 10000.0 + 0.5)) < 0.01";
	const std::pair<std::string, std::string> checks[] = {
		// 1920 x 1080 with margins 10, 20, 5, 0.
		{"abs(uv_size.x - 1950.0) < 0.001 && abs(uv_size.y - 1085.0) < 0.001 &&"
		 " abs(uv_scale.x - 1950.0 / 1920.0) < 0.000001 &&"
		 " abs(uv_scale.y - 1085.0 / 1080.0) < 0.000001 &&"
		 " abs(uv_offset.x + 10.0 / 1920.0) < 0.0000001 &&"
		 " abs(uv_offset.y + 5.0 / 1080.0) < 0.0000001 &&"
		 " abs(uv_pixel_interval.x - 1.0 / 1920.0) < 0.00000001 &&"
		 " abs(uv_pixel_interval.y - 1.0 / 1080.0) < 0.00000001",
		 ""},
		{"loops >= 1 && loop_second >= 0.0 && loop_second <= 1.0 &&"
		 " abs(float(loops) + loop_second - elapsed_time) < 0.01",
		 ""},
		{random_steps, ""},
		{"current_time_ms >= 0 && current_time_ms <= 999 &&"
		 " current_time_sec >= 0 && current_time_sec <= 60 &&"
		 " current_time_min >= 0 && current_time_min <= 59 &&"
		 " current_time_hour >= 0 && current_time_hour <= 23" + date,
		 clock_declarations},
	};
	OBSSourceAutoRelease parent = make_input(1920, 1080);
	OBSSourceAutoRelease filter = add_matting(
		parent, PASS_THROUGH,
		json(R"({"expand_left": 10, "expand_right": 20, "expand_top": 5})"));
	settle(70); // loops counts whole seconds
	for (const auto &[condition, declarations] : checks) {
		SCOPED_TRACE(condition);
		reload_with_text(filter, check_body(condition, declarations));
		EXPECT_EQ(last_error(filter), "");
		EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent, 16), GREEN, 0));
	}

	// rand_f is new every frame.
	reload_with_text(filter, SHOW_RAND_F);
	std::set<int> values;
	for (int i = 0; i < 8; i++, settle(1)) {
		const uint32_t shown = centre_pixel(parent, 16);
		values.insert(int(shown & 0xFF) * 100 + int((shown >> 8) & 0xFF));
	}
	EXPECT_GT(values.size(), 1u);
	EXPECT_LE(*values.rbegin(), 10000);
}

TEST(MattingUniforms, ElapsedTimeStartRestartsAfterARebuild)
{
	OBSSourceAutoRelease parent = make_input(16, 16);
	// red: elapsed_time_start / 2 s, green: elapsed_time / 4 s.
	OBSSourceAutoRelease filter = add_matting(
		parent, constant_body("float4(saturate(elapsed_time_start / 2.0),"
				      " saturate(elapsed_time / 4.0), 0.0, 1.0)"));
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
