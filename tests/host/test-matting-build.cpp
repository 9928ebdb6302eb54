// The effect build: where the text comes from, #include resolution, how
// failures are reported, when a rebuild happens, and that nothing leaks.
#include "matting-fixture.h"

using namespace mattingtest;
using namespace hosttest::colours;
using hosttest::pixel_near;

namespace {

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
	// The parser's position counts the template's lines; the user's own
	// line is added.
	const std::string error = last_error(filter);
	EXPECT_NE(error.find("Expected 'numeric value' (line 1 of the effect "
			     "text)"),
		  std::string::npos)
		<< error;
	EXPECT_TRUE(headless::log_contains(
		"[vorq-matting] Unable to create effect. Errors returned from "
		"parser:\n",
		LOG_WARNING));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));

	// The graphics driver's own message, whether the host hands it back
	// or only logs it, with the line of the user's text it names.
	reload_with_text(filter, constant_body("float4(undefined_name)"));
	const std::string driver = last_error(filter);
	EXPECT_EQ(driver.rfind(module_text_for_test("ShaderFilter.DriverError") +
				       "\n",
			       0),
		  0u)
		<< driver;
	EXPECT_NE(driver.find("undefined_name"), std::string::npos) << driver;
	EXPECT_NE(driver.find(" (line 6 of the effect text)"), std::string::npos)
		<< driver;
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

	// No file name: no effect, and the user is told.
	update_and_settle(filter, from_file(""));
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_EQ(last_error(filter),
		  module_text_for_test("ShaderFilter.NoFileName"));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));
}

TEST(MattingBuild, OnlyTextFilesUpTo16MBWithoutLoopsAreReadAndNothingBlocks)
{
	LateFifo fifo("kinds/pipe.shader");
	const std::string folder = make_temp_dir("kinds/folder.shader"),
			  big = make_sparse_file("kinds/big.shader", (16 << 20) + 1),
			  nul = write_temp_file("kinds/nul.shader",
						PASS_THROUGH + std::string(1, '\0') + "}"),
			  loop = write_temp_file("kinds/self.shader",
						 "#include \"self.shader\"\n" +
							 std::string(PASS_THROUGH));
	auto failed = [](const char *detail, const std::string &path) {
		return module_text_for_test("ShaderFilter.FileLoadFailed") + " " +
		       module_text_with(detail, path);
	};
	const std::pair<std::string, std::string> culprits[] = {
		{folder, failed("ShaderFilter.NotAFile", folder)},
		{fifo.path, failed("ShaderFilter.NotAFile", fifo.path)},
		{big, failed("ShaderFilter.FileTooLarge", big)},
		{nul, failed("ShaderFilter.FileHasNul", nul)},
		{loop, module_text_for_test("ShaderFilter.IncludeLoop") + ": " + loop},
	};
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	for (const auto &[path, error] : culprits) {
		// Named directly and through an #include line.
		const std::string name = path.substr(path.rfind('/') + 1);
		const std::string includer = write_temp_file(
			"kinds/includes-" + name, "#include \"" + name + "\"\n" + PASS_THROUGH);
		for (const std::string &file : {path, includer}) {
			SCOPED_TRACE(file);
			EXPECT_TRUE(reload_without_stall(filter, from_file(file)));
			EXPECT_EQ(last_error(filter), error);
			EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));
		}
	}
}

TEST(MattingBuild, AShaderTextOfAnotherTypeCountsAsAbsent)
{
	// A number where the text belongs: the built-in keyer is built, and
	// again after the settings are reset to their defaults.
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter = headless::add_filter(
		parent, MATTING_FILTER_ID, "matting",
		json(R"({"shader_text": 5})"));
	settle();
	for (int round = 0; round < 2; round++) {
		SCOPED_TRACE(round);
		EXPECT_EQ(last_error(filter), "");
		OBSDataAutoRelease settings = obs_source_get_settings(filter);
		EXPECT_TRUE(obs_data_has_default_value(settings, "Key_color"));
		obs_source_reset_settings(filter, nullptr);
		headless::press_button(filter, "reload_effect");
		settle();
	}
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

	// A driver error in an included file names that file and its line.
	const std::string tone = write_temp_file(
		"fx/lib/tone.hlsl", "float4 tone()\n{\n\treturn missing_tone;\n}\n");
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_NE(last_error(filter).find("missing_tone' undeclared (line 3 of " +
					  tone + ")"),
		  std::string::npos)
		<< last_error(filter);
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
