// What the matting filter draws, read back the way a scene draws it.
#include "matting-fixture.h"

using namespace mattingtest;
using namespace hosttest::colours;
using hosttest::pixel_near;

namespace {

OBSDataAutoRelease margins(int left, int right, int top, int bottom)
{
	return json("{\"expand_left\": " + std::to_string(left) +
		    ", \"expand_right\": " + std::to_string(right) +
		    ", \"expand_top\": " + std::to_string(top) +
		    ", \"expand_bottom\": " + std::to_string(bottom) + "}");
}

} // namespace

TEST(MattingRender, PassThroughReproducesItsInputDrawnBareAndInAScene)
{
	for (uint32_t colour : {0xFF32C581u, 0xFF808080u, RED}) {
		OBSSourceAutoRelease parent = make_input(64, 32, colour);
		OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
		EXPECT_EQ(last_error(filter), "");
		const headless::Image images[] = {
			headless::render_source(parent, 0, 0,
						headless::RenderMode::Bare),
			headless::render_in_scene(parent)};
		for (const headless::Image &image : images) {
			ASSERT_EQ(image.width, 64u);
			ASSERT_EQ(image.height, 32u);
			for (auto [x, y] : {std::pair{0u, 0u}, {63u, 31u}})
				EXPECT_TRUE(pixel_near(image.pixel(x, y), colour, 2))
					<< (&image == images ? "bare" : "in a scene");
		}
		// The target's own colour space is reported.
		const gs_color_space preferred[] = {GS_CS_709_SCRGB};
		EXPECT_EQ(obs_source_get_color_space(filter, 1, preferred),
			  GS_CS_SRGB);
	}
}

TEST(MattingRender, MarginsGrowTheOutputAndReadTransparentOutsideTheTarget)
{
	OBSSourceAutoRelease parent = make_input(40, 20, RED);
	OBSSourceAutoRelease filter =
		add_matting(parent, PASS_THROUGH, margins(10, 20, 5, 0));
	headless::Image image = headless::render_in_scene(parent);
	ASSERT_EQ(image.width, 70u);
	ASSERT_EQ(image.height, 25u);
	// The target's own area sits 10 pixels from the left, 5 from the top.
	const std::pair<uint32_t, uint32_t> inside[] = {{11, 6}, {48, 24}};
	for (auto [x, y] : inside)
		EXPECT_TRUE(pixel_near(image.pixel(x, y), RED, 2));
	const std::pair<uint32_t, uint32_t> outside[] = {
		{8, 10}, {30, 3}, {51, 10}, {69, 24}};
	for (auto [x, y] : outside)
		EXPECT_TRUE(pixel_near(image.pixel(x, y), 0, 1));

	// Margins beyond the panel's range (0 to 9999) are clamped to it.
	update_and_settle(filter, margins(-50, 100000, -1, 3));
	EXPECT_EQ(obs_source_get_width(parent), 40u + 9999u);
	EXPECT_EQ(obs_source_get_height(parent), 23u);
}

TEST(MattingRender, MarginsBeyondWhatTheDeviceOrAFrameCarriesAreReduced)
{
	// 16000 + 9999 is more than the largest side the device makes
	// (16384 here): the margin is cut to fit and the effect still runs.
	const std::string green = constant_body("float4(0.0, 1.0, 0.0, 1.0)");
	OBSSourceAutoRelease wide =
		headless::make_color_source("wide", 16000, 8, RED);
	OBSSourceAutoRelease filter =
		add_matting(wide, green, margins(0, 9999, 0, 0));
	EXPECT_GT(obs_source_get_width(wide), 16000u);
	EXPECT_LE(obs_source_get_width(wide), 16384u);
	const std::string reduced = last_error(filter);
	EXPECT_NE(reduced.find("25999 x 8"), std::string::npos) << reduced;
	headless::Image image = headless::render_source(wide, 64, 8);
	ASSERT_FALSE(image.empty());
	EXPECT_TRUE(pixel_near(image.pixel(5, 4), GREEN, 2));

	// A broken effect's error is never replaced or cleared by the
	// margins' message, which comes back once the effect builds.
	reload_with_text(filter, "float4 mainImage(VertData v_in) : TARGET {");
	const std::string broken = last_error(filter);
	EXPECT_NE(broken, reduced);
	update_and_settle(filter, margins(0, 0, 0, 0));
	EXPECT_EQ(last_error(filter), broken);
	update_and_settle(filter, margins(0, 9999, 0, 0));
	reload_with_text(filter, green);
	EXPECT_EQ(last_error(filter), reduced);
	update_and_settle(filter, margins(0, 0, 0, 0));
	EXPECT_EQ(last_error(filter), "");
	EXPECT_EQ(obs_source_get_width(wide), 16000u);
}

TEST(MattingRender, PreviousImageShowsNothingFirstThenThePreviousCapture)
{
	OBSSourceAutoRelease parent = make_input(16, 16, RED);
	OBSSourceAutoRelease filter = add_matting(
		parent, "uniform texture2d previous_image;\n"
			"float4 mainImage(VertData v_in) : TARGET\n{\n"
			"\treturn previous_image.Sample(textureSampler, v_in.uv)"
			" + 0.0 * image.Sample(textureSampler, v_in.uv);\n}\n");
	headless::Image first = headless::render_source(parent);
	ASSERT_FALSE(first.empty());
	EXPECT_EQ(first.pixel(8, 8) & 0x00FFFFFF, 0u)
		<< std::hex << first.pixel(8, 8);

	obs_source_update(parent, json("{\"color\": 4294901760}")); // blue
	settle();
	EXPECT_TRUE(pixel_near(headless::render_source(parent).pixel(8, 8),
			       RED, 2));
	EXPECT_TRUE(pixel_near(headless::render_source(parent).pixel(8, 8),
			       BLUE, 2));
}

TEST(MattingRender, PreviousOutputFeedsBackAndASecondViewRepeatsTheFrame)
{
	OBSSourceAutoRelease parent = make_input(16, 16, 0xFF000000);
	// Each run of the effect adds 32/255 to red.
	OBSSourceAutoRelease filter = add_matting(
		parent, "uniform texture2d previous_output;\n"
			"float4 mainImage(VertData v_in) : TARGET\n{\n"
			"\tfloat4 last = previous_output.Sample(textureSampler,"
			" v_in.uv);\n"
			"\treturn float4(last.r + 32.0 / 255.0, 0.0, 0.0, 1.0)"
			" + 0.0 * image.Sample(textureSampler, v_in.uv);\n}\n");
	for (int frame = 1; frame <= 3; frame++) {
		uint32_t reds[2] = {};
		headless::on_graphics_thread([&] {
			for (uint32_t &red : reds) {
				headless::Image view = headless::render_source_now(
					parent, 16, 16,
					headless::RenderMode::AsScene, 0);
				red = view.empty() ? 0 : view.pixel(8, 8) & 0xFF;
			}
		});
		EXPECT_EQ(reds[0], reds[1]);
		EXPECT_NEAR(int(reds[0]), 32 * frame, 1);
	}
}

TEST(MattingRender, ACompleteEffectFromAFileDrawsTheFullQuad)
{
	// Colour: the texture coordinates, as red and green.
	const std::string path = hosttest::test_data("uv-complete.effect");
	OBSSourceAutoRelease parent = make_input(100, 50);
	OBSDataAutoRelease settings = margins(28, 0, 0, 14);
	OBSDataAutoRelease file = from_file(path, true);
	obs_data_apply(settings, file);
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
	// The host draws an image without margins straight into the capture,
	// and through its filter texture otherwise: the same pixels.
	const std::string show_rgb =
		"float4 mainImage(VertData v_in) : TARGET\n{\n"
		"\tfloat4 c = image.Sample(textureSampler, v_in.uv);\n"
		"\treturn float4(c.rgb, 1.0);\n}\n";
	OBSSourceAutoRelease colour = make_input(16, 16, 0x80FFFFFF);
	OBSSourceAutoRelease image = headless::make_image_source(
		"image", hosttest::test_data("half-white.png"));
	const std::pair<obs_source_t *, int> cases[] = {
		{colour, 0}, {image, 0}, {image, 1}}; // input, left margin
	uint32_t seen[3][2] = {};
	for (int c = 0; c < 3; c++) {
		auto [input, margin] = cases[c];
		for (int premultiplied = 0; premultiplied < 2; premultiplied++) {
			OBSSourceAutoRelease filter = add_matting(
				input,
				(premultiplied ? "#define USE_PM_ALPHA 1\n" : "") +
					show_rgb,
				margins(margin, 0, 0, 0));
			seen[c][premultiplied] =
				headless::render_source(input).pixel(8 + margin, 8);
			obs_source_filter_remove(input, filter);
		}
		EXPECT_GT(seen[c][0] & 0xFF, (seen[c][1] & 0xFF) + 40)
			<< std::hex << seen[c][0] << " " << seen[c][1];
	}
	for (int premultiplied = 0; premultiplied < 2; premultiplied++)
		EXPECT_TRUE(pixel_near(seen[1][premultiplied],
				       seen[2][premultiplied], 1));
}
