// What the matting filter draws, read back the way a scene draws it.
#include "matting-fixture.h"

using namespace mattingtest;

namespace {

const uint32_t TRANSPARENT = 0x00000000;

OBSDataAutoRelease margins(int left, int right, int top, int bottom)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "expand_left", left);
	obs_data_set_int(settings, "expand_right", right);
	obs_data_set_int(settings, "expand_top", top);
	obs_data_set_int(settings, "expand_bottom", bottom);
	return settings;
}

void set_colour(obs_source_t *colour_source, uint32_t colour)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "color", colour);
	obs_source_update(colour_source, settings);
	settle();
}

} // namespace

TEST(MattingRender, TemplatePassThroughReproducesItsInput)
{
	for (uint32_t colour : {0xFF32C581u, 0xFF808080u, 0xFF0000FFu}) {
		OBSSourceAutoRelease parent =
			headless::make_color_source("input", 64, 32, colour);
		OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
		EXPECT_EQ(last_error(filter), "");
		headless::Image image = headless::render_in_scene(parent);
		ASSERT_EQ(image.width, 64u);
		ASSERT_EQ(image.height, 32u);
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(0, 0), colour, 2));
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(63, 31), colour, 2));
		headless::Image as_scene = headless::render_source(parent);
		EXPECT_TRUE(hosttest::pixel_near(as_scene.pixel(10, 10), colour, 2));
	}
}

TEST(MattingRender, ConstantColourFillsTheOutput)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 48, 24, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(
		parent, constant_body("float4(0.0, 0.0, 1.0, 1.0)"));
	headless::Image image = headless::render_in_scene(parent);
	ASSERT_FALSE(image.empty());
	for (uint32_t y : {0u, 12u, 23u})
		for (uint32_t x : {0u, 24u, 47u})
			EXPECT_TRUE(hosttest::pixel_near(image.pixel(x, y),
							 0xFFFF0000, 1));
}

TEST(MattingRender, MarginsGrowTheOutputAndReadTransparentOutsideTheTarget)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 40, 20, 0xFF0000FF);
	OBSDataAutoRelease settings = margins(10, 20, 5, 0);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH, settings);
	EXPECT_EQ(obs_source_get_width(parent), 70u);
	EXPECT_EQ(obs_source_get_height(parent), 25u);

	headless::Image image = headless::render_in_scene(parent);
	ASSERT_EQ(image.width, 70u);
	ASSERT_EQ(image.height, 25u);
	// The target's own area sits 10 pixels from the left, 5 from the top.
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(11, 6), 0xFF0000FF, 2));
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(48, 24), 0xFF0000FF, 2));
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(8, 10), TRANSPARENT, 1));
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(30, 3), TRANSPARENT, 1));
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(51, 10), TRANSPARENT, 1));
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(69, 24), TRANSPARENT, 1));
}

TEST(MattingRender, MarginsOutsideThePanelRangeAreClamped)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 40, 20, 0xFF0000FF);
	OBSDataAutoRelease settings = margins(-50, 100000, -1, 3);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH, settings);
	EXPECT_EQ(obs_source_get_width(parent), 40u + 9999u);
	EXPECT_EQ(obs_source_get_height(parent), 23u);
}

TEST(MattingRender, ASizeTheDeviceCannotMakePassesTheInputThrough)
{
	// Far beyond the largest texture the device makes (16384 here).
	OBSSourceAutoRelease parent =
		headless::make_color_source("wide", 16000, 8, 0xFF0000FF);
	OBSDataAutoRelease settings = margins(0, 9999, 0, 0);
	OBSSourceAutoRelease filter = add_matting(
		parent, constant_body("float4(0.0, 1.0, 0.0, 1.0)"), settings);
	EXPECT_EQ(obs_source_get_width(parent), 25999u);
	headless::Image image = headless::render_source(parent, 64, 8);
	ASSERT_FALSE(image.empty());
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(5, 4), 0xFF0000FF, 2));

	// Back to a size the device makes: the effect runs again.
	OBSDataAutoRelease normal = margins(0, 0, 0, 0);
	update_and_settle(filter, normal);
	image = headless::render_source(parent, 64, 8);
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(5, 4), 0xFF00FF00, 2));
}

TEST(MattingRender, PreviousImageShowsNothingFirstThenThePreviousCapture)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF0000FF);
	OBSSourceAutoRelease filter = add_matting(
		parent, "uniform texture2d previous_image;\n"
			"float4 mainImage(VertData v_in) : TARGET\n{\n"
			"\treturn previous_image.Sample(textureSampler, v_in.uv)"
			" + 0.0 * image.Sample(textureSampler, v_in.uv);\n}\n");

	headless::Image first = headless::render_source(parent);
	ASSERT_FALSE(first.empty());
	EXPECT_EQ(first.pixel(8, 8) & 0x00FFFFFF, 0u) << std::hex
						      << first.pixel(8, 8);

	set_colour(parent, 0xFFFF0000);
	headless::Image second = headless::render_source(parent);
	EXPECT_TRUE(hosttest::pixel_near(second.pixel(8, 8), 0xFF0000FF, 2));
	headless::Image third = headless::render_source(parent);
	EXPECT_TRUE(hosttest::pixel_near(third.pixel(8, 8), 0xFFFF0000, 2));
}

TEST(MattingRender, PreviousOutputFeedsBackAndASecondViewRepeatsTheFrame)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF000000);
	// Each run of the effect adds 32/255 to red.
	OBSSourceAutoRelease filter = add_matting(
		parent, "uniform texture2d previous_output;\n"
			"float4 mainImage(VertData v_in) : TARGET\n{\n"
			"\tfloat4 last = previous_output.Sample(textureSampler,"
			" v_in.uv);\n"
			"\treturn float4(last.r + 32.0 / 255.0, 0.0, 0.0, 1.0)"
			" + 0.0 * image.Sample(textureSampler, v_in.uv);\n}\n");

	uint32_t reds[3][2] = {};
	for (auto &frame : reds) {
		headless::on_graphics_thread([&] {
			for (uint32_t &red : frame) {
				headless::Image view = headless::render_source_now(
					parent, 16, 16,
					headless::RenderMode::AsScene, 0);
				red = view.empty() ? 0 : view.pixel(8, 8) & 0xFF;
			}
		});
	}
	for (auto &frame : reds)
		EXPECT_EQ(frame[0], frame[1]);
	EXPECT_NEAR(int(reds[0][0]), 32, 1);
	EXPECT_NEAR(int(reds[1][0]), 64, 1);
	EXPECT_NEAR(int(reds[2][0]), 96, 1);
}

TEST(MattingRender, ACompleteEffectFromAFileDrawsTheFullQuad)
{
	const std::string path = write_temp_file(
		"complete.effect",
		"uniform float4x4 ViewProj;\n"
		"uniform texture2d image;\n"
		"sampler_state pointSampler { Filter = Point; AddressU = Clamp;"
		" AddressV = Clamp; };\n"
		"struct VertData { float4 pos : POSITION; float2 uv : TEXCOORD0; };\n"
		"VertData VSDefault(VertData v_in)\n{\n"
		"\tVertData v_out;\n"
		"\tv_out.pos = mul(float4(v_in.pos.xyz, 1.0), ViewProj);\n"
		"\tv_out.uv = v_in.uv;\n\treturn v_out;\n}\n"
		"float4 PSDraw(VertData v_in) : TARGET\n{\n"
		"\treturn float4(v_in.uv.x, v_in.uv.y, 0.0, 1.0) +"
		" 0.0 * image.Sample(pointSampler, v_in.uv);\n}\n"
		"technique Draw\n{\n\tpass\n\t{\n"
		"\t\tvertex_shader = VSDefault(v_in);\n"
		"\t\tpixel_shader = PSDraw(v_in);\n\t}\n}\n");
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 100, 50, 0xFF808080);
	OBSDataAutoRelease settings = margins(28, 0, 0, 14);
	obs_data_set_bool(settings, "from_file", true);
	obs_data_set_bool(settings, "override_entire_effect", true);
	obs_data_set_string(settings, "shader_file_name", path.c_str());
	OBSSourceAutoRelease filter = add_matting(parent, "", settings);
	EXPECT_EQ(last_error(filter), "");

	headless::Image image = headless::render_in_scene(parent);
	ASSERT_EQ(image.width, 128u);
	ASSERT_EQ(image.height, 64u);
	// Texture coordinates run 0 to 1 across the whole expanded area.
	EXPECT_LE(image.pixel(0, 0) & 0xFFFF, 0x0303u);
	EXPECT_GE(image.pixel(127, 63) & 0xFF, 0xFCu);
	EXPECT_GE((image.pixel(127, 63) >> 8) & 0xFF, 0xFCu);
}

TEST(MattingRender, PremultipliedMarkerChoosesHowTheInputIsCaptured)
{
	// Half-transparent white: captured with the alpha divided out, the
	// effect sees white; captured as drawn (premultiplied), it sees grey.
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0x80FFFFFF);
	const std::string show_rgb =
		std::string("float4 mainImage(VertData v_in) : TARGET\n{\n") +
		"\tfloat4 c = image.Sample(textureSampler, v_in.uv);\n"
		"\treturn float4(c.rgb, 1.0);\n}\n";
	OBSSourceAutoRelease straight = add_matting(parent, show_rgb);
	const uint32_t divided = headless::render_source(parent).pixel(8, 8);
	obs_source_filter_remove(parent, straight);

	OBSSourceAutoRelease premultiplied = add_matting(
		parent, "#define USE_PM_ALPHA 1\n" + show_rgb);
	const uint32_t as_drawn = headless::render_source(parent).pixel(8, 8);
	EXPECT_GT(divided & 0xFF, (as_drawn & 0xFF) + 40)
		<< std::hex << divided << " " << as_drawn;
}

TEST(MattingRender, ReportsItsTargetsColourSpace)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 16, 16, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	const enum gs_color_space preferred[] = {GS_CS_709_SCRGB};
	EXPECT_EQ(obs_source_get_color_space(filter, 1, preferred), GS_CS_SRGB);
}
