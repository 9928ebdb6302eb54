// The effect build: where the text comes from, #include resolution, how
// failures are reported, when a rebuild happens, and that nothing leaks.
#include "matting-fixture.h"

using namespace mattingtest;
using hosttest::pixel_near;

namespace {

const uint32_t GREY = 0xFF808080;
const uint32_t BLUE = 0xFFFF0000;

bool has_user_error(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_has_user_value(settings, "last_error");
}

} // namespace

TEST(MattingBuild, ErrorsAreReportedAndTheInputPassesThroughUntilAReload)
{
	OBSSourceAutoRelease parent = make_input();
	headless::clear_log();
	OBSSourceAutoRelease filter =
		add_matting(parent, "uniform float amount = ;\n");
	const std::string error = last_error(filter);
	EXPECT_NE(error.find("Expected 'numeric value'"), std::string::npos)
		<< error;
	EXPECT_TRUE(headless::log_contains(
		"[vorq-matting] Unable to create effect. Errors returned from "
		"parser:\n",
		LOG_WARNING));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));

	// A graphics driver's compile error: the error carries the driver's
	// message naming the fault; only a host that hands back no text at
	// all (libobs 29) leaves the locale text.
	headless::clear_log();
	reload_with_text(filter, constant_body("float4(undefined_name)"));
	const std::string driver_error = last_error(filter);
	EXPECT_TRUE(driver_error.find("undefined_name") != std::string::npos ||
		    driver_error == module_text_for_test("ShaderFilter.Unknown"))
		<< driver_error;
	EXPECT_TRUE(headless::log_contains("Unable to create effect",
					   LOG_WARNING));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));

	// Success takes the error away.
	reload_with_text(filter, constant_body("float4(1.0, 0.0, 0.0, 1.0)"));
	EXPECT_FALSE(has_user_error(filter));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 1));

	// Editing the text changes nothing until "reload_effect" is pressed.
	OBSDataAutoRelease text = obs_data_create();
	obs_data_set_string(text, "shader_text",
			    constant_body("float4(0.0, 0.0, 1.0, 1.0)").c_str());
	update_and_settle(filter, text);
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 1));
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_TRUE(pixel_near(centre_pixel(parent), BLUE, 1));
}

TEST(MattingBuild, FileSettings)
{
	OBSSourceAutoRelease parent = make_input();
	headless::clear_log();
	OBSSourceAutoRelease filter = add_matting(
		parent, "", from_file("/nonexistent/velmora.shader"));
	EXPECT_EQ(last_error(filter),
		  module_text_for_test("ShaderFilter.FileLoadFailed"));
	EXPECT_TRUE(headless::log_contains(
		"[vorq-matting] failed to read file: /nonexistent/velmora.shader",
		LOG_WARNING));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));

	// No file name: no effect and no error.
	update_and_settle(filter, from_file(""));
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_FALSE(has_user_error(filter));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));
}

TEST(MattingBuild, IncludesResolveRelativeToEachFile)
{
	write_temp_file("fx/lib/tone.hlsl",
			"float4 tone()\r\n{\r\n\treturn float4(0.0, 0.0, 1.0,"
			" 1.0);\r\n}\r\n");
	write_temp_file("fx/lib/colour.hlsl",
			"#include \"tone.hlsl\"\n"
			"#include \"gone.hlsl\" // not there\n");
	const std::string main = write_temp_file(
		"fx/main.shader",
		"#include \"lib/colour.hlsl\"\n" + constant_body("tone()"));
	OBSSourceAutoRelease parent = make_input();
	headless::clear_log();
	OBSSourceAutoRelease filter = add_matting(parent, "", from_file(main));
	EXPECT_EQ(last_error(filter), "");
	EXPECT_TRUE(pixel_near(centre_pixel(parent), BLUE, 1));
	EXPECT_TRUE(headless::log_contains("failed to read file: ", LOG_WARNING));
	EXPECT_TRUE(headless::log_contains("fx/lib/gone.hlsl", LOG_WARNING));
}

TEST(MattingBuild, ASelfIncludingFileStopsWithAnError)
{
	const std::string path = write_temp_file(
		"loop/self.shader",
		"#include \"self.shader\"\n" + constant_body("float4(1.0)"));
	OBSSourceAutoRelease parent = make_input();
	headless::clear_log();
	OBSSourceAutoRelease filter = add_matting(parent, "", from_file(path));
	EXPECT_EQ(last_error(filter),
		  module_text_for_test("ShaderFilter.IncludeLoop") + ": " + path);
	EXPECT_TRUE(headless::log_contains(path + " includes itself",
					   LOG_WARNING));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));
}

TEST(MattingBuild, RepeatedCreateRebuildDestroyLeavesNothingBehind)
{
	OBSSourceAutoRelease lent =
		headless::make_color_source("velmora lent", 8, 8, BLUE);
	std::string declarations, sum = "float4(0.0, 0.0, 0.0, 0.0)";
	for (const char *name : {"from_source", "from_file", "previous_image",
				 "previous_output"}) {
		declarations += std::string("uniform texture2d ") + name + ";\n";
		sum += std::string(" + ") + name +
		       ".Sample(textureSampler, v_in.uv)";
	}
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "from_source_source", "velmora lent");
	obs_data_set_string(settings, "from_file",
			    hosttest::test_data("matting-red.png").c_str());
	for (int round = 0; round < 4; round++) {
		OBSSourceAutoRelease parent = make_input();
		Shown shown(parent);
		OBSSourceAutoRelease filter = add_matting(
			parent, declarations + constant_body(sum), settings);
		ASSERT_EQ(last_error(filter), "");
		EXPECT_FALSE(headless::render_source(parent, 8, 8).empty());
		headless::press_button(filter, "reload_effect");
		settle();
		EXPECT_FALSE(headless::render_source(parent, 8, 8).empty());
		EXPECT_TRUE(obs_source_showing(lent));
		obs_source_filter_remove(parent, filter);
	}
	settle();
	EXPECT_FALSE(obs_source_active(lent));
	EXPECT_FALSE(obs_source_showing(lent));
	// The host's leak count at shutdown covers the rest.
}
