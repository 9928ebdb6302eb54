// Effect parameters: discovery from the compiled effect, defaults written
// into the settings, values bound from the settings and uploaded, textures
// from files or from other sources.
#include "matting-fixture.h"
#include "matting/matting-filter.h"

#include <unistd.h>

#include <cstdio>

using namespace mattingtest;

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

const char EVERY_TYPE[] =
	"uniform bool flag = true;\n"
	"uniform float amount<string label = \"Amount\"; string widget_type ="
	" \"slider\"; float minimum = 0.0; float maximum = 2.0;"
	" float step = 0.5;> = 0.25;\n"
	"uniform int count<float minimum = -10.4; float maximum = 10.6;> = -3;\n"
	"uniform string notes<string widget_type = \"info\";> = \"hello\";\n"
	"uniform float2 offset = {0.5, 0.25};\n"
	"uniform float3 tint_slider<string widget_type = \"slider\";> ="
	" {0.1, 0.2, 0.3};\n"
	"uniform float3 tint = {0.505882, 0.772549, 0.196078};\n"
	"uniform float4 key_color = {0.505882, 0.772549, 0.196078, 1.0};\n"
	"uniform float4 no_default;\n"
	"uniform float4 tint_capital<string widget_type = \"Slider\";> ="
	" {0.0, 0.0, 1.0, 1.0};\n"
	"uniform int mode<string widget_type = \"select\"; int option_0 = 10;"
	" int option_1 = 20; int option_0 = 5; string option_0_label = \"five\";>"
	" = 10;\n"
	"uniform int2 pair;\n"
	"uniform float4x4 matrix_param;\n"
	"uniform texture2d image_a;\n";

// Green when every parameter holds the value the test sets.
const char EVERY_TYPE_CHECK[] =
	"!flag && abs(amount - 1.5) < 0.0001 && count == 7 &&"
	" abs(offset.x - 0.75) < 0.0001 && abs(offset.y - 0.125) < 0.0001 &&"
	" abs(tint_slider.z - 0.5) < 0.0001 &&"
	" abs(tint.r - 1.0) < 0.002 && tint.g < 0.002 && tint.b < 0.002 &&"
	" abs(no_default.a - 1.0) < 0.002 && abs(no_default.r - 1.0) < 0.002 &&"
	" abs(key_color.g - 0.772549) < 0.002 && mode == 20 &&"
	" pair.x == 0 && matrix_param[0][0] == 0.0";

class TempFolder {
public:
	TempFolder()
	{
		char pattern[] = "/tmp/velmora-params-XXXXXX";
		path = mkdtemp(pattern);
	}
	~TempFolder()
	{
		std::string command = "rm -rf '" + path + "'";
		if (system(command.c_str()) != 0)
			fprintf(stderr, "cannot remove %s\n", path.c_str());
	}
	std::string path;
};

void copy_file(const std::string &from, const std::string &to)
{
	FILE *in = fopen(from.c_str(), "rb");
	FILE *out = fopen(to.c_str(), "wb");
	char buffer[4096];
	size_t n;
	while (in && out && (n = fread(buffer, 1, sizeof(buffer), in)) > 0)
		fwrite(buffer, 1, n, out);
	if (in)
		fclose(in);
	if (out)
		fclose(out);
}

std::string sample_body(const std::string &texture)
{
	return "uniform texture2d " + texture +
	       ";\nfloat4 mainImage(VertData v_in) : TARGET\n{\n" + READ_UV +
	       "\treturn " + texture + ".Sample(textureSampler, v_in.uv);\n}\n";
}

} // namespace

TEST(MattingParams, DiscoveryListsNonReservedUniformsInOrderWithAnnotations)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease filter =
		add_matting(parent, std::string(EVERY_TYPE) + PASS_THROUGH);
	ASSERT_EQ(last_error(filter), "");

	std::vector<std::string> names;
	for (const matting_param &param : record_of(filter)->params)
		names.push_back(param.name);
	EXPECT_EQ(names, (std::vector<std::string>{
				 "flag", "amount", "count", "notes", "offset",
				 "tint_slider", "tint", "key_color",
				 "no_default", "tint_capital", "mode", "pair",
				 "matrix_param", "image_a"}));

	const matting_param *amount = find_param(filter, "amount");
	ASSERT_TRUE(amount);
	EXPECT_EQ(amount->label, "Amount");
	EXPECT_EQ(amount->widget_type, "slider");
	EXPECT_DOUBLE_EQ(amount->maximum.number, 2.0);
	EXPECT_DOUBLE_EQ(amount->step.number, 0.5);
	// Float range annotations on an int parameter become integers.
	EXPECT_EQ(find_param(filter, "count")->minimum.integer, -10);
	EXPECT_EQ(find_param(filter, "count")->maximum.integer, 11);

	const matting_param *mode = find_param(filter, "mode");
	ASSERT_TRUE(mode);
	EXPECT_EQ(mode->option_values, (std::vector<int32_t>{5, 10, 20}));
	EXPECT_EQ(mode->option_labels, (std::vector<std::string>{"five"}));
	EXPECT_EQ(find_param(filter, "image_a")->type, GS_SHADER_PARAM_TEXTURE);
	EXPECT_FALSE(find_param(filter, "image"));
	EXPECT_TRUE(record_of(filter)->param_image);
}

TEST(MattingParams, DefaultsLandInTheSettingsUnderEachTypesKeys)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease filter =
		add_matting(parent, std::string(EVERY_TYPE) + PASS_THROUGH);
	OBSDataAutoRelease settings = obs_source_get_settings(filter);

	EXPECT_TRUE(obs_data_get_default_bool(settings, "flag"));
	EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings, "amount"), 0.25);
	EXPECT_EQ(obs_data_get_default_int(settings, "count"), -3);
	EXPECT_STREQ(obs_data_get_default_string(settings, "notes"), "hello");
	EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings, "offset_0"), 0.5);
	EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings, "offset_1"), 0.25);
	EXPECT_FALSE(obs_data_has_default_value(settings, "offset"));
	EXPECT_NEAR(obs_data_get_default_double(settings, "tint_slider_2"), 0.3,
		    1e-6);
	EXPECT_EQ(obs_data_get_default_int(settings, "tint"), 0xFF32C581);
	EXPECT_EQ(obs_data_get_default_int(settings, "key_color"), 0xFF32C581);
	EXPECT_EQ(obs_data_get_default_int(settings, "no_default"), 0xFFFFFFFF);
	EXPECT_EQ(obs_data_get_default_int(settings, "tint_capital"), 0xFFFF0000);
	EXPECT_FALSE(obs_data_has_default_value(settings, "pair"));
	EXPECT_FALSE(obs_data_has_default_value(settings, "matrix_param"));

	const matting_param *no_default = find_param(filter, "no_default");
	EXPECT_FALSE(no_default->has_default);
	for (float component : no_default->value.floats)
		EXPECT_FLOAT_EQ(component, 1.0f);
	const matting_param *tint = find_param(filter, "tint");
	EXPECT_TRUE(tint->has_default);
	EXPECT_FLOAT_EQ(tint->default_value.floats[3], 1.0f);
	EXPECT_EQ(find_param(filter, "notes")->string_value, "hello");
}

TEST(MattingParams, ValuesFromTheSettingsReachTheEffect)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(
		parent, check_body(EVERY_TYPE_CHECK, EVERY_TYPE));
	ASSERT_EQ(last_error(filter), "");
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 0));

	OBSDataAutoRelease values = obs_data_create();
	obs_data_set_bool(values, "flag", false);
	obs_data_set_double(values, "amount", 1.5);
	obs_data_set_int(values, "count", 7);
	obs_data_set_double(values, "offset_0", 0.75);
	obs_data_set_double(values, "offset_1", 0.125);
	obs_data_set_double(values, "tint_slider_2", 0.5);
	obs_data_set_int(values, "tint", 0xFF0000FF);
	obs_data_set_int(values, "mode", 20);
	obs_data_set_string(values, "notes", "a much longer text than before");
	update_and_settle(filter, values);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREEN, 0));
	EXPECT_EQ(find_param(filter, "notes")->string_value,
		  "a much longer text than before");
}

TEST(MattingParams, ATextureParameterRendersItsBoundSourceAndLendsItsCounts)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease blue =
		headless::make_color_source("velmora blue", 8, 8, 0xFFFF0000);
	OBSSourceAutoRelease green =
		headless::make_color_source("velmora green", 8, 8, 0xFF00FF00);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "mask_source", "velmora blue");
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"), settings);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), 0xFFFF0000, 1));
	EXPECT_FALSE(obs_source_active(blue));

	obs_scene_t *program = headless::show_in_program(parent);
	settle();
	EXPECT_TRUE(obs_source_active(blue));
	EXPECT_TRUE(obs_source_showing(blue));

	// Moving the binding while shown moves the references.
	OBSDataAutoRelease other = obs_data_create();
	obs_data_set_string(other, "mask_source", "velmora green");
	update_and_settle(filter, other);
	EXPECT_FALSE(obs_source_active(blue));
	EXPECT_FALSE(obs_source_showing(blue));
	EXPECT_TRUE(obs_source_active(green));
	EXPECT_TRUE(obs_source_showing(green));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), 0xFF00FF00, 1));

	headless::show_in_program(nullptr);
	obs_scene_release(program);
	settle();
	EXPECT_FALSE(obs_source_active(green));
	EXPECT_FALSE(obs_source_showing(green));

	// Shown again, then the filter is taken off: the references go with
	// it, whether the filter lives on or is destroyed.
	program = headless::show_in_program(parent);
	settle();
	EXPECT_TRUE(obs_source_active(green));
	obs_source_filter_remove(parent, filter);
	settle();
	EXPECT_FALSE(obs_source_active(green));
	EXPECT_FALSE(obs_source_showing(green));

	obs_source_filter_add(parent, filter);
	settle();
	EXPECT_TRUE(obs_source_active(green));
	obs_source_filter_remove(parent, filter);
	filter = nullptr; // released: the host destroys it shortly
	settle();
	EXPECT_FALSE(obs_source_active(green));
	EXPECT_FALSE(obs_source_showing(green));
	headless::show_in_program(nullptr);
	obs_scene_release(program);
}

TEST(MattingParams, ABoundSourceThatGoesAwayIsSkipped)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	obs_source_t *doomed =
		headless::make_color_source("velmora doomed", 8, 8, 0xFFFF0000);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "mask_source", "velmora doomed");
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"), settings);
	obs_scene_t *program = headless::show_in_program(parent);
	settle();
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), 0xFFFF0000, 1));

	obs_source_remove(doomed);
	obs_source_release(doomed);
	settle();
	headless::show_in_program(nullptr);
	obs_scene_release(program);
	settle();
	// Drawn without the texture; the walks over bound sources skip it.
	EXPECT_FALSE(headless::render_source(parent, 8, 8).empty());
	OBSDataAutoRelease touch = obs_data_create();
	update_and_settle(filter, touch);
}

TEST(MattingParams, ClearingTheSourceKeyLoadsTheImageFileAgain)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease blue =
		headless::make_color_source("velmora blue 2", 8, 8, 0xFFFF0000);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "mask",
			    hosttest::test_data("matting-red.png").c_str());
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"), settings);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 1));

	obs_data_set_string(settings, "mask_source", "velmora blue 2");
	update_and_settle(filter, settings);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), 0xFFFF0000, 1));
	EXPECT_EQ(find_param(filter, "mask")->image_file, nullptr);

	obs_data_set_string(settings, "mask_source", "");
	update_and_settle(filter, settings);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 1));
	EXPECT_EQ(find_param(filter, "mask")->bound_source, nullptr);
}

TEST(MattingParams, UnchangedSettingsLoadEachImageOnce)
{
	TempFolder folder;
	const std::string path = folder.path + "/mask.png";
	copy_file(hosttest::test_data("matting-red.png"), path);

	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "mask", path.c_str());
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"), settings);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 1));

	// The file changes on disk; updates with the same path keep the image
	// loaded the first time.
	copy_file(hosttest::test_data("matting-blue.png"), path);
	update_and_settle(filter, settings);
	update_and_settle(filter, settings);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), RED, 1));

	// A rebuild makes new records, which load afresh.
	headless::press_button(filter, "reload_effect");
	settle();
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), 0xFFFF0000, 1));
}

TEST(MattingParams, ADefaultFileNameBecomesAnAbsoluteDefaultPath)
{
	TempFolder folder;
	copy_file(hosttest::test_data("matting-red.png"),
		  folder.path + "/velmora-default.png");
	char previous[4096];
	ASSERT_TRUE(getcwd(previous, sizeof(previous)));
	ASSERT_EQ(chdir(folder.path.c_str()), 0);

	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(
		parent, "uniform texture2d mask = \"velmora-default.png\";\n"
			"uniform texture2d missing = \"velmora-nowhere.png\";\n" +
				sample_body("shown").substr(0) );
	EXPECT_EQ(chdir(previous), 0);
	ASSERT_EQ(last_error(filter), "");

	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	EXPECT_EQ(std::string(obs_data_get_default_string(settings, "mask")),
		  folder.path + "/velmora-default.png");
	EXPECT_TRUE(find_param(filter, "mask")->has_default);
	EXPECT_TRUE(find_param(filter, "mask")->image_file);
	EXPECT_STREQ(obs_data_get_default_string(settings, "missing"), "");
	EXPECT_FALSE(find_param(filter, "missing")->has_default);
}

TEST(MattingParams, AFilterAddedToAShownSourceLendsItsCountsToo)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease blue =
		headless::make_color_source("velmora blue 3", 8, 8, 0xFFFF0000);
	obs_scene_t *program = headless::show_in_program(parent);
	settle();
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "mask_source", "velmora blue 3");
	OBSSourceAutoRelease filter =
		add_matting(parent, sample_body("mask"), settings);
	EXPECT_TRUE(obs_source_active(blue));
	EXPECT_TRUE(obs_source_showing(blue));
	headless::show_in_program(nullptr);
	obs_scene_release(program);
	settle();
	EXPECT_FALSE(obs_source_active(blue));
	EXPECT_FALSE(obs_source_showing(blue));
}
