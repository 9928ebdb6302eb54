// The effect build: where the text comes from, #include resolution, how
// failures are reported, when a rebuild happens, and that nothing leaks.
#include "matting-fixture.h"

#include <filesystem>
#include <vector>

using namespace mattingtest;
using namespace hosttest::colours;
using hosttest::pixel_near;

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
	EXPECT_EQ(driver.rfind(locale_text("ShaderFilter.DriverError") +
				       "\n",
			       0),
		  0u)
		<< driver;
	EXPECT_NE(driver.find("undefined_name"), std::string::npos) << driver;
	EXPECT_NE(driver.find(" (line 6 of the effect text)"), std::string::npos)
		<< driver;
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));

	// A text that fills 16 MB with the template around it is refused
	// before the guard and the compiler see it.
	reload_with_text(filter, std::string((16 << 20) - 1000, 'x'));
	EXPECT_EQ(last_error(filter), locale_text("ShaderFilter.EffectTooLarge"));

	// Success takes the error away.
	reload_with_text(filter, constant_body("float4(1.0, 0.0, 0.0, 1.0)"));
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	EXPECT_FALSE(obs_data_has_user_value(settings, "last_error"));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 1));
}

TEST(MattingBuild, OnlyExistingTextFilesUpTo16MBWithoutLoopsAreReadAndNothingBlocks)
{
	LateFifo fifo("kinds/pipe.shader");
	const std::string folder = make_temp_dir("kinds/folder.shader"),
			  big = write_temp_file("kinds/big.shader", ""),
			  nul = write_temp_file("kinds/nul.shader",
						PASS_THROUGH + std::string(1, '\0') + "}"),
			  loop = write_temp_file("kinds/self.shader",
						 "#include \"self.shader\"\n" +
							 std::string(PASS_THROUGH));
	std::filesystem::resize_file(big, (16 << 20) + 1); // sparse
	auto failed = [](const char *detail, const std::string &path) {
		return locale_text("ShaderFilter.FileLoadFailed") + " " +
		       locale_text(detail, path);
	};
	const std::string missing = "/nonexistent/velmora.shader";
	const struct {
		std::string path, error;
		bool included; // tried through an #include line too
	} culprits[] = {
		{missing, locale_text("ShaderFilter.FileLoadFailed"), false},
		{"", locale_text("ShaderFilter.NoFileName"), false},
		{folder, failed("ShaderFilter.NotAFile", folder), true},
		{fifo.path, failed("ShaderFilter.NotAFile", fifo.path), true},
		{big, failed("ShaderFilter.FileTooLarge", big), true},
		{nul, failed("ShaderFilter.FileHasNul", nul), true},
		{loop, locale_text("ShaderFilter.IncludeLoop") + ": " + loop, true},
	};
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	headless::clear_log();
	for (const auto &c : culprits) {
		const std::string name = c.path.substr(c.path.rfind('/') + 1);
		std::vector<std::string> files = {c.path};
		if (c.included)
			files.push_back(write_temp_file(
				"kinds/includes-" + name,
				"#include \"" + name + "\"\n" + PASS_THROUGH));
		for (const std::string &file : files) {
			SCOPED_TRACE(file);
			EXPECT_TRUE(reload_without_stall(filter, from_file(file)));
			EXPECT_EQ(last_error(filter), c.error);
			EXPECT_TRUE(pixel_near(centre_pixel(parent), GREY, 1));
		}
	}
	EXPECT_TRUE(headless::log_contains(
		"[vorq-matting] failed to read file: " + missing, LOG_WARNING));
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
