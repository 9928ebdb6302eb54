// Effect parameters: discovery from the compiled effect, defaults written
// into the settings, values bound from the settings and uploaded, textures
// from files or from other sources. How annotations are read is pinned by
// the unit tests; here what the host's effect gives and takes.
#include "matting-fixture.h"
#include "matting/matting-filter.h"

#include <unistd.h>

#include <memory>
#include <regex>

using namespace mattingtest;
using namespace hosttest::colours;
using hosttest::pixel_near;

namespace {

const matting_filter *record_of(obs_source_t *filter)
{
	return static_cast<const matting_filter *>(obs_obj_get_data(filter));
}

const matting_param *find_param(obs_source_t *filter, const std::string &name)
{
	for (const matting_param &param : record_of(filter)->params)
		if (param.name == name)
			return &param;
	return nullptr;
}

// Declarations of parameters of every type.
const std::string EVERY_TYPE = hosttest::read_test_data("every-type.hlsl");

// A body that returns the texture parameter named texture.
std::string sample_body(const std::string &texture)
{
	return "uniform texture2d " + texture +
	       ";\nfloat4 mainImage(VertData v_in) : TARGET\n{\n" + READ_UV +
	       "\treturn " + texture + ".Sample(textureSampler, v_in.uv);\n}\n";
}

// A copy of a file of tests/data at a temporary path.
std::string temp_copy(const std::string &data, const std::string &name)
{
	return write_temp_file(name, hosttest::read_test_data(data));
}

} // namespace

TEST(MattingParams, DiscoveryInOrderAndDefaultsUnderEachTypesKeys)
{
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter =
		add_matting(parent, EVERY_TYPE + PASS_THROUGH);
	ASSERT_EQ(last_error(filter), "");

	// Every uniform declared, in order.
	std::vector<std::string> names, declared;
	for (const matting_param &param : record_of(filter)->params)
		names.push_back(param.name);
	const std::regex uniform("uniform \\w+ (\\w+)");
	for (std::sregex_iterator it(EVERY_TYPE.begin(), EVERY_TYPE.end(), uniform), end;
	     it != end; ++it)
		declared.push_back((*it)[1]);
	EXPECT_EQ(names, declared); // "image", the filter's input, is none

	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	EXPECT_TRUE(obs_data_get_default_bool(settings, "flag"));
	EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings, "amount"), 0.25);
	EXPECT_EQ(obs_data_get_default_int(settings, "count"), -3);
	EXPECT_STREQ(obs_data_get_default_string(settings, "notes"), "hello");
	EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings, "offset_0"), 0.5);
	EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings, "offset_1"), 0.25);
	EXPECT_NEAR(obs_data_get_default_double(settings, "tint_slider_2"), 0.3,
		    1e-6);
	EXPECT_EQ(obs_data_get_default_int(settings, "tint"), 0xFF32C581);
	EXPECT_EQ(obs_data_get_default_int(settings, "key_color"), 0xFF32C581);
	EXPECT_EQ(obs_data_get_default_int(settings, "no_default"), 0xFFFFFFFF);
	EXPECT_EQ(obs_data_get_default_int(settings, "tint_capital"), 0xFFFF0000);
	for (const char *none : {"offset", "pair", "matrix_param"})
		EXPECT_FALSE(obs_data_has_default_value(settings, none)) << none;
}

TEST(MattingParams, ValuesFromTheSettingsReachTheEffectAndOtherTypesCountAsAbsent)
{
	// Every setting holds a value of the wrong type: each parameter keeps
	// the effect's default (no default: a colour is opaque white).
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter = add_matting(
		parent,
		check_body("flag && abs(amount - 0.25) < 0.0001 && count == -3 &&"
			   " abs(offset.x - 0.5) < 0.0001 &&"
			   " abs(tint_slider.z - 0.3) < 0.0001 &&"
			   " abs(tint.g - 0.772549) < 0.002 &&"
			   " abs(no_default.b - 1.0) < 0.002 && mode == 10",
			   EVERY_TYPE),
		json(R"({"flag": "yes", "amount": "much", "count": [1],
			 "offset_0": "left", "tint_slider_2": true,
			 "tint": "red", "no_default": "white", "mode": {},
			 "notes": 7, "image_a": 3, "image_a_source": 4})"));
	ASSERT_EQ(last_error(filter), "");
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREEN, 0));
	EXPECT_EQ(find_param(filter, "notes")->string_value, "hello");

	// Values of the right type, set after the build, are the ones drawn.
	reload_with_text(
		filter,
		check_body("!flag && abs(amount - 1.5) < 0.0001 && count == 7 &&"
			   " abs(offset.x - 0.75) < 0.0001 &&"
			   " abs(offset.y - 0.125) < 0.0001 &&"
			   " abs(tint_slider.z - 0.5) < 0.0001 &&"
			   " abs(tint.r - 1.0) < 0.002 && tint.g < 0.002 &&"
			   " tint.b < 0.002 && abs(no_default.a - 1.0) < 0.002 &&"
			   " abs(no_default.r - 1.0) < 0.002 &&"
			   " abs(key_color.g - 0.772549) < 0.002 && mode == 20 &&"
			   " pair.x == 0 && matrix_param[0][0] == 0.0",
			   EVERY_TYPE));
	ASSERT_EQ(last_error(filter), "");
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 0));
	update_and_settle(
		filter,
		json(R"({"flag": false, "amount": 1.5, "count": 7,
			 "offset_0": 0.75, "offset_1": 0.125,
			 "tint_slider_2": 0.5, "tint": 4278190335, "mode": 20,
			 "notes": "a much longer text than before"})"));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), GREEN, 0));
	EXPECT_EQ(find_param(filter, "notes")->string_value,
		  "a much longer text than before");
}

TEST(MattingParams, TexturesThatCannotBeShownAreNamedInLastError)
{
	LateFifo fifo("textures/pipe.png");
	const std::string folder = make_temp_dir("textures/folder.png");
	const std::string junk = write_temp_file("textures/junk.png", "no image");
	const std::string red = hosttest::test_data("matting-red.png");
	auto failed = [](const std::string &detail) {
		return locale_text("ShaderFilter.TextureLoadFailed", "mask") +
		       ": " + detail;
	};
	const struct {
		std::string path, error;
	} cases[] = {
		{junk, failed(junk)},
		{fifo.path, failed(locale_text("ShaderFilter.NotAFile", fifo.path))},
		{folder, failed(locale_text("ShaderFilter.NotAFile", folder))},
		{red, ""},
		{"", ""},
	};
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter = add_matting(parent, sample_body("mask"));
	for (const auto &c : cases) {
		SCOPED_TRACE(c.path);
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_string(settings, "mask", c.path.c_str());
		obs_source_update(filter, settings);
		EXPECT_TRUE(headless::wait_frames(3, 1000)); // nothing blocks
		settle();
		EXPECT_EQ(last_error(filter), c.error);
	}
}

TEST(MattingParams, ATextureParameterRendersItsBoundSourceAndLendsItsCounts)
{
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease blue =
		headless::make_color_source("velmora blue", 8, 8, BLUE);
	OBSSourceAutoRelease green =
		headless::make_color_source("velmora green", 8, 8, GREEN);
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"),
			    json(R"({"mask_source": "velmora blue"})"));
	EXPECT_TRUE(pixel_near(centre_pixel(parent), BLUE, 1));
	EXPECT_FALSE(obs_source_active(blue));
	auto lent = [](obs_source_t *source) {
		return obs_source_active(source) && obs_source_showing(source);
	};
	auto none_lent = [](obs_source_t *source) {
		return !obs_source_active(source) && !obs_source_showing(source);
	};
	{
		Shown shown(parent);
		EXPECT_TRUE(lent(blue));
		// Moving the binding while shown moves the references.
		update_and_settle(filter,
				  json(R"({"mask_source": "velmora green"})"));
		EXPECT_TRUE(none_lent(blue));
		EXPECT_TRUE(lent(green));
		EXPECT_TRUE(pixel_near(centre_pixel(parent), GREEN, 1));
	}
	settle();
	EXPECT_TRUE(none_lent(green));

	// Shown again, then the filter is taken off: the references go with
	// it, whether the filter lives on or is destroyed.
	auto shown = std::make_unique<Shown>(parent);
	EXPECT_TRUE(lent(green));
	obs_source_filter_remove(parent, filter);
	settle();
	EXPECT_TRUE(none_lent(green));
	obs_source_filter_add(parent, filter);
	settle();
	EXPECT_TRUE(lent(green));
	obs_source_filter_remove(parent, filter);
	filter = nullptr; // released: the host destroys it shortly
	settle();
	EXPECT_TRUE(none_lent(green));

	// A filter added to a source already shown lends its counts too.
	filter = add_matting(parent, sample_body("mask"),
			     json(R"({"mask_source": "velmora blue"})"));
	EXPECT_TRUE(lent(blue));
	shown.reset();
	settle();
	EXPECT_TRUE(none_lent(blue));
}

TEST(MattingParams, ImagesLoadOnceAndAgainWhenTheSourceKeyIsCleared)
{
	const std::string path = temp_copy("matting-red.png", "once/mask.png");
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease blue =
		headless::make_color_source("velmora blue 2", 8, 8, BLUE);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "mask", path.c_str());
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"), settings);
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 1));

	// A bound source wins over the file, which is let go.
	obs_data_set_string(settings, "mask_source", "velmora blue 2");
	update_and_settle(filter, settings);
	EXPECT_TRUE(pixel_near(centre_pixel(parent), BLUE, 1));
	EXPECT_EQ(find_param(filter, "mask")->image_file, nullptr);
	obs_data_set_string(settings, "mask_source", "");
	update_and_settle(filter, settings);
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 1));
	EXPECT_EQ(find_param(filter, "mask")->bound_source, nullptr);

	// The file changes on disk; updates with the same path keep the image
	// loaded, and a rebuild makes new records, which load afresh.
	temp_copy("matting-blue.png", "once/mask.png");
	update_and_settle(filter, settings);
	update_and_settle(filter, settings);
	EXPECT_TRUE(pixel_near(centre_pixel(parent), RED, 1));
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_TRUE(pixel_near(centre_pixel(parent), BLUE, 1));
}

TEST(MattingParams, ADefaultFileNameBecomesAnAbsoluteDefaultPath)
{
	const std::string path =
		temp_copy("matting-red.png", "cwd/velmora-default.png");
	char previous[4096];
	ASSERT_TRUE(getcwd(previous, sizeof(previous)));
	ASSERT_EQ(chdir(path.substr(0, path.rfind('/')).c_str()), 0);
	OBSSourceAutoRelease parent = make_input();
	OBSSourceAutoRelease filter = add_matting(
		parent, "uniform texture2d mask = \"velmora-default.png\";\n"
			"uniform texture2d missing = \"velmora-nowhere.png\";\n" +
				sample_body("shown"));
	EXPECT_EQ(chdir(previous), 0);
	ASSERT_EQ(last_error(filter), "");

	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	EXPECT_EQ(obs_data_get_default_string(settings, "mask"), path);
	EXPECT_TRUE(find_param(filter, "mask")->image_file);
	EXPECT_STREQ(obs_data_get_default_string(settings, "missing"), "");
}
