// The effect build: where the text comes from, #include resolution, how
// failures are reported, when a rebuild happens, and that nothing leaks.
#include "matting-fixture.h"

using namespace mattingtest;

namespace {

const uint32_t GREY = 0xFF808080;
const uint32_t BLUE = 0xFFFF0000;

OBSDataAutoRelease from_file(const std::string &path, bool complete = false)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "from_file", true);
	obs_data_set_bool(settings, "override_entire_effect", complete);
	obs_data_set_string(settings, "shader_file_name", path.c_str());
	return settings;
}

bool has_user_error(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_has_user_value(settings, "last_error");
}

} // namespace

TEST(MattingBuild, AParseErrorIsReportedAndTheInputPassesThrough)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
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
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));

	// A compiler error without text from the host gets the locale text.
	headless::clear_log();
	reload_with_text(filter, constant_body("float4(undefined_name)"));
	EXPECT_EQ(last_error(filter), module_text_for_test("ShaderFilter.Unknown"));
	EXPECT_TRUE(headless::log_contains("parser:\n(None)", LOG_WARNING));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));

	// Success takes the error away.
	reload_with_text(filter, constant_body("float4(0.0, 0.0, 1.0, 1.0)"));
	EXPECT_EQ(last_error(filter), "");
	EXPECT_FALSE(has_user_error(filter));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), BLUE, 1));
}

TEST(MattingBuild, EditingTheTextChangesNothingUntilReload)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
	OBSSourceAutoRelease filter =
		add_matting(parent, constant_body("float4(1.0, 0.0, 0.0, 1.0)"));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 1));

	OBSDataAutoRelease text = obs_data_create();
	obs_data_set_string(text, "shader_text",
			    constant_body("float4(0.0, 0.0, 1.0, 1.0)").c_str());
	update_and_settle(filter, text);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 1));

	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), BLUE, 1));
}

TEST(MattingBuild, FileSettings)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
	headless::clear_log();
	OBSDataAutoRelease missing = from_file("/nonexistent/velmora.shader");
	OBSSourceAutoRelease filter = add_matting(parent, "", missing);
	EXPECT_EQ(last_error(filter),
		  module_text_for_test("ShaderFilter.FileLoadFailed"));
	EXPECT_TRUE(headless::log_contains(
		"[vorq-matting] failed to read file: /nonexistent/velmora.shader",
		LOG_WARNING));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));

	// No file name: no effect and no error.
	OBSDataAutoRelease empty = from_file("");
	update_and_settle(filter, empty);
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_FALSE(has_user_error(filter));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));
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
		"fx/main.shader", "#include \"lib/colour.hlsl\"\n" +
					  constant_body("tone()"));
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
	headless::clear_log();
	OBSDataAutoRelease settings = from_file(main);
	OBSSourceAutoRelease filter = add_matting(parent, "", settings);
	EXPECT_EQ(last_error(filter), "");
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), BLUE, 1));
	EXPECT_TRUE(headless::log_contains("failed to read file: ", LOG_WARNING));
	EXPECT_TRUE(headless::log_contains("fx/lib/gone.hlsl", LOG_WARNING));
}

TEST(MattingBuild, ASelfIncludingFileStopsWithAnError)
{
	const std::string path = write_temp_file(
		"loop/self.shader",
		"#include \"self.shader\"\n" + constant_body("float4(1.0)"));
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, GREY);
	headless::clear_log();
	OBSDataAutoRelease settings = from_file(path);
	OBSSourceAutoRelease filter = add_matting(parent, "", settings);
	const std::string error = last_error(filter);
	EXPECT_EQ(error, module_text_for_test("ShaderFilter.IncludeLoop") +
				 std::string(": ") + path);
	EXPECT_TRUE(headless::log_contains(path + " includes itself",
					   LOG_WARNING));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));
}

TEST(MattingBuild, RepeatedCreateRebuildDestroyLeavesNothingBehind)
{
	OBSSourceAutoRelease lent =
		headless::make_color_source("velmora lent", 8, 8, BLUE);
	const std::string body =
		"uniform texture2d from_source;\nuniform texture2d from_file;\n"
		"uniform texture2d previous_image;\n"
		"uniform texture2d previous_output;\n" +
		constant_body("from_source.Sample(textureSampler, v_in.uv) +"
			      " from_file.Sample(textureSampler, v_in.uv) +"
			      " previous_image.Sample(textureSampler, v_in.uv) +"
			      " previous_output.Sample(textureSampler, v_in.uv)");
	for (int round = 0; round < 4; round++) {
		OBSSourceAutoRelease parent =
			headless::make_color_source("input", 8, 8, GREY);
		obs_scene_t *program = headless::show_in_program(parent);
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_string(settings, "from_source_source",
				    "velmora lent");
		obs_data_set_string(settings, "from_file",
				    hosttest::test_data("matting-red.png").c_str());
		OBSSourceAutoRelease filter = add_matting(parent, body, settings);
		ASSERT_EQ(last_error(filter), "");
		EXPECT_FALSE(headless::render_source(parent, 8, 8).empty());
		headless::press_button(filter, "reload_effect");
		settle();
		EXPECT_FALSE(headless::render_source(parent, 8, 8).empty());
		EXPECT_TRUE(obs_source_showing(lent));
		headless::show_in_program(nullptr);
		obs_scene_release(program);
		obs_source_filter_remove(parent, filter);
	}
	settle();
	EXPECT_FALSE(obs_source_active(lent));
	EXPECT_FALSE(obs_source_showing(lent));
	// The host's leak count at shutdown covers the rest.
}
