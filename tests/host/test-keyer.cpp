// The matting filter out of the box: the built-in keyer as its only default,
// the parameters it puts into the settings, what it does to pixels (read
// back the way a scene draws them), the default matte pictures, and the
// example effects shipped beside the module.
#include "matting-fixture.h"

#include <util/platform.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using mattingtest::FILTER_ID;
using mattingtest::last_error;
using mattingtest::settle;
using mattingtest::update_and_settle;

const uint32_t KEY_COLOUR = 0xFF32C581; // the keyer's default, as a setting
const uint32_t GREY = 0xFF808080;
const uint32_t SIZE = 64;

obs_source_t *add_keyer(obs_source_t *parent, obs_data_t *settings = nullptr)
{
	obs_source_t *filter =
		headless::add_filter(parent, FILTER_ID, "keyer", settings);
	settle();
	return filter;
}

// An image of SIZE x SIZE: the key colour above, neutral grey below.
obs_source_t *make_key_over_grey()
{
	obs_source_t *source = headless::make_image_source(
		"key over grey", hosttest::test_data("key-over-grey.png"));
	EXPECT_TRUE(headless::wait_frames(3));
	return source;
}

int max_channel_difference(const headless::Image &a, const headless::Image &b)
{
	int worst = 0;
	for (size_t i = 0; i < a.rgba.size() && i < b.rgba.size(); i++)
		worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
	return worst;
}

// The keyer's 34 parameters and the defaults the settings must carry.
struct FloatDefault {
	const char *name;
	double value;
};
const FloatDefault FLOAT_DEFAULTS[] = {
	{"Prekey_despill", -1000.0},
	{"Prekey_saturate", -1000.0},
	{"Matte_white", 0.0},
	{"Matte_black", 0.0},
	{"Matte_highlights", -1000.0},
	{"Matte_shadows", -1000.0},
	{"Shadows", -1000.0},
	{"Shadow_Gradient_Position", 0.0},
	{"Shadow_Gradient_Softness", -1000.0},
	{"Spill_reduction", 0.0},
	{"Spill_balance", 0.0},
	{"Spill_unpremultiply", 0.0},
	{"Premultiply", 0.0},
	{"Matte_offset_x", 0.0},
	{"Matte_offset_y", 0.0},
	{"Safe_top", 0.0},
	{"Safe_bottom", 0.0},
	{"Safe_left", 0.0},
	{"Safe_right", 0.0},
};
const char *const TRUE_BOOLS[] = {"Use_alternate_key_method",
				  "Matte_antialising"};
const char *const FALSE_BOOLS[] = {
	"Use_reference_image", "Use_garbage_matte", "Use_inside_matte",
	"Preserve_inside_color", "Use_shadow_matte", "Show_Alpha",
	"Show_PrekeyFG", "Show_ProcessedFG"};
const char *const TEXTURES[][2] = {{"Reference_image", "Reference.png"},
				   {"Garbage_matte", "Garbage.png"},
				   {"Inside_matte", "Inside.png"},
				   {"Shadow_matte", "Shadow.png"}};

} // namespace

TEST(KeyerDefaults, AFreshFilterHasOnlyTheKeyerText)
{
	OBSDataAutoRelease defaults = obs_get_source_defaults(FILTER_ID);
	ASSERT_TRUE(defaults);
	std::vector<std::string> with_default;
	for (obs_data_item_t *item = obs_data_first(defaults); item;
	     obs_data_item_next(&item))
		if (obs_data_item_has_default_value(item))
			with_default.push_back(obs_data_item_get_name(item));
	ASSERT_EQ(with_default, std::vector<std::string>{"shader_text"});

	const std::string text =
		obs_data_get_default_string(defaults, "shader_text");
	EXPECT_NE(text.find("float4 mainImage(VertData v_in)"),
		  std::string::npos);
	EXPECT_EQ(text.find("technique"), std::string::npos);
	EXPECT_EQ(text.find("#define USE_PM_ALPHA 1"), std::string::npos);
	// The labels are UTF-8 with full-width and ASCII brackets mixed.
	EXPECT_NE(text.find("\"使用内部遮罩（强制保留区域)\""),
		  std::string::npos);
}

TEST(KeyerDefaults, TheFirstUpdateWritesEveryParameterDefault)
{
	OBSSourceAutoRelease source =
		headless::make_color_source("grey", SIZE, SIZE, GREY);
	OBSSourceAutoRelease filter = add_keyer(source);
	ASSERT_TRUE(filter);
	EXPECT_EQ(last_error(filter), "");
	OBSDataAutoRelease settings = obs_source_get_settings(filter);

	EXPECT_EQ(obs_data_get_default_int(settings, "Key_color"),
		  (long long)KEY_COLOUR);
	for (const FloatDefault &entry : FLOAT_DEFAULTS) {
		EXPECT_TRUE(obs_data_has_default_value(settings, entry.name))
			<< entry.name;
		EXPECT_DOUBLE_EQ(obs_data_get_default_double(settings,
							     entry.name),
				 entry.value)
			<< entry.name;
	}
	for (const char *name : TRUE_BOOLS) {
		EXPECT_TRUE(obs_data_has_default_value(settings, name)) << name;
		EXPECT_TRUE(obs_data_get_default_bool(settings, name)) << name;
	}
	for (const char *name : FALSE_BOOLS) {
		EXPECT_TRUE(obs_data_has_default_value(settings, name)) << name;
		EXPECT_FALSE(obs_data_get_default_bool(settings, name)) << name;
	}
	// Texture paths default to the pictures in the module's data folder.
	for (const auto &texture : TEXTURES) {
		const std::string wanted =
			headless::data_path() + "/textures/" + texture[1];
		char *absolute = os_get_abs_path_ptr(wanted.c_str());
		ASSERT_TRUE(absolute) << wanted;
		EXPECT_STREQ(obs_data_get_default_string(settings, texture[0]),
			     absolute);
		bfree(absolute);
	}
	size_t count = std::size(FLOAT_DEFAULTS) + std::size(TRUE_BOOLS) +
		       std::size(FALSE_BOOLS) + std::size(TEXTURES) + 1;
	EXPECT_EQ(count, 34u);
}

TEST(KeyerPixels, KeyColourGoesTransparentAndNeutralGreyStays)
{
	OBSSourceAutoRelease input = make_key_over_grey();
	OBSSourceAutoRelease filter = add_keyer(input);
	headless::Image image = headless::render_in_scene(input);
	ASSERT_EQ(image.width, SIZE);
	// The outermost ring is averaged with the transparent border.
	for (uint32_t y = 1; y < SIZE - 1; y++) {
		const uint32_t expected = y < SIZE / 2 ? 0x00000000 : GREY;
		for (uint32_t x = 1; x < SIZE - 1; x += 7)
			ASSERT_TRUE(hosttest::pixel_near(image.pixel(x, y),
							 expected, 1))
				<< x << "," << y;
	}
	obs_source_filter_remove(input, filter);
}

TEST(KeyerPixels, AKeyColourWithAZeroChannelKeepsOtherColours)
{
	// Pure green has no red and no blue: the spill step divides by the
	// key's channels and must not blow the picture up. Over a ramp from
	// pure green to grey, nothing may come out brighter than the input's
	// red and blue (green is keyed and its spill pulled down).
	OBSSourceAutoRelease input = headless::make_image_source(
		"green to grey", hosttest::test_data("green-to-grey.png"));
	ASSERT_TRUE(headless::wait_frames(3));
	headless::Image plain = headless::render_in_scene(input);
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "Key_color", 0xFF00FF00);
	OBSSourceAutoRelease filter = add_keyer(input, settings);
	headless::Image image = headless::render_in_scene(input);
	ASSERT_EQ(image.width, plain.width);
	for (uint32_t x = 1; x < image.width - 1; x++)
		for (int c = 0; c < 3; c++)
			ASSERT_LE(image.at(x, 30)[c], plain.at(x, 30)[0] + 2)
				<< "x " << x << " channel " << c;
	// The grey end keeps its brightness.
	EXPECT_NEAR(image.at(62, 30)[0], plain.at(62, 30)[0], 2);
	EXPECT_EQ(image.at(62, 30)[3], 255);
	obs_source_filter_remove(input, filter);
}

TEST(KeyerPixels, WhatTheInputDoesNotCoverStaysTransparent)
{
	// The margins of the filter hold no input: they must not turn into
	// opaque black.
	OBSSourceAutoRelease input = make_key_over_grey();
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "expand_right", 8);
	OBSSourceAutoRelease filter = add_keyer(input, settings);
	headless::Image image = headless::render_in_scene(input);
	ASSERT_EQ(image.width, SIZE + 8);
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(SIZE + 4, 50), 0, 1));
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(SIZE / 2, 50), GREY, 1));
	obs_source_filter_remove(input, filter);
}

TEST(KeyerPixels, TransparentKeyColourAndFullSafeAreaPassThrough)
{
	OBSSourceAutoRelease input = make_key_over_grey();
	headless::Image plain = headless::render_in_scene(input);

	OBSDataAutoRelease transparent_key = obs_data_create();
	obs_data_set_int(transparent_key, "Key_color", KEY_COLOUR & 0xFFFFFF);
	OBSSourceAutoRelease filter = add_keyer(input, transparent_key);
	EXPECT_LE(max_channel_difference(
			  headless::render_in_scene(input), plain),
		  1);
	obs_source_filter_remove(input, filter);

	OBSDataAutoRelease safe = obs_data_create();
	obs_data_set_double(safe, "Safe_right", 1000.0);
	obs_data_set_double(safe, "Safe_bottom", 1000.0);
	OBSSourceAutoRelease safe_filter = add_keyer(input, safe);
	EXPECT_LE(max_channel_difference(
			  headless::render_in_scene(input), plain),
		  1);
	obs_source_filter_remove(input, safe_filter);
}

TEST(KeyerPixels, ViewsShowTheAlphaOrThePreKeyPicture)
{
	OBSSourceAutoRelease input = make_key_over_grey();
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "Show_Alpha", true);
	OBSSourceAutoRelease filter = add_keyer(input, settings);
	headless::Image alpha = headless::render_in_scene(input);
	EXPECT_TRUE(hosttest::pixel_near(alpha.pixel(20, 10), 0xFF000000, 1));
	EXPECT_TRUE(hosttest::pixel_near(alpha.pixel(20, 50), 0xFFFFFFFF, 1));

	// The pre-key view wins over the alpha view.
	obs_data_set_bool(settings, "Show_PrekeyFG", true);
	update_and_settle(filter, settings);
	headless::Image prekey = headless::render_in_scene(input);
	EXPECT_TRUE(hosttest::pixel_near(prekey.pixel(20, 10), KEY_COLOUR, 2));
	EXPECT_TRUE(hosttest::pixel_near(prekey.pixel(20, 50), GREY, 2));
	obs_source_filter_remove(input, filter);
}

TEST(KeyerPixels, ZeroSoftnessShadowRampIsAHardEdge)
{
	// A shadow on the green: the key colour at 70 % brightness. Keyed
	// away by default; with "Shadows" raised enough, kept as opaque black
	// below the ramp's position (uv.y * 2000 above Position + 1000).
	const uint32_t shadow = 0xFF238A5A;
	OBSSourceAutoRelease source =
		headless::make_color_source("shadow", SIZE, SIZE, shadow);
	OBSDataAutoRelease settings = obs_data_create();
	OBSSourceAutoRelease filter = add_keyer(source, settings);
	headless::Image keyed = headless::render_in_scene(source);
	EXPECT_TRUE(hosttest::pixel_near(keyed.pixel(20, 50), 0, 1));

	obs_data_set_double(settings, "Shadows", 500.0);
	update_and_settle(filter, settings);
	headless::Image ramp = headless::render_in_scene(source);
	for (uint32_t x = 1; x < SIZE - 1; x += 9) {
		EXPECT_TRUE(hosttest::pixel_near(ramp.pixel(x, 31), 0, 1));
		EXPECT_TRUE(hosttest::pixel_near(ramp.pixel(x, 32), 0xFF000000,
						 1));
	}

	obs_data_set_double(settings, "Shadow_Gradient_Position", 500.0);
	update_and_settle(filter, settings);
	ramp = headless::render_in_scene(source);
	EXPECT_TRUE(hosttest::pixel_near(ramp.pixel(20, 47), 0, 1));
	EXPECT_TRUE(hosttest::pixel_near(ramp.pixel(20, 48), 0xFF000000, 1));

	// The default shadow matte (white) restricts nothing: the shadow is
	// kept over the whole frame instead of below the ramp.
	obs_data_set_bool(settings, "Use_shadow_matte", true);
	update_and_settle(filter, settings);
	ramp = headless::render_in_scene(source);
	EXPECT_TRUE(hosttest::pixel_near(ramp.pixel(20, 10), 0xFF000000, 1));
	EXPECT_TRUE(hosttest::pixel_near(ramp.pixel(20, 50), 0xFF000000, 1));
	obs_source_filter_remove(source, filter);
}

namespace {

// Regions of tests/data/greenscreen-person.png (640x360).
struct Box {
	uint32_t x0, y0, x1, y1;
};
const Box FOREGROUND[] = {
	{240, 125, 336, 210}, // shirt
	{270, 58, 306, 84},   // face
	{250, 230, 275, 320}, // left leg
	{300, 230, 326, 320}, // right leg
	{280, 90, 296, 104},  // neck
};
const Box BACKGROUND[] = {
	{0, 0, 180, 360},   // wall and floor left of the person
	{410, 0, 640, 360}, // right, through the edge of the floor shadow
	{180, 0, 410, 5},   // above the hair
	{336, 300, 410, 360}, // the floor shadow beside the feet
};

template<typename Fn> void each_pixel(const Box &box, Fn fn)
{
	for (uint32_t y = box.y0; y < box.y1; y++)
		for (uint32_t x = box.x0; x < box.x1; x++)
			fn(x, y);
}

} // namespace

TEST(KeyerPicture, GreenScreenPersonKeysCleanlyWithDefaults)
{
	OBSSourceAutoRelease source = headless::make_image_source(
		"green screen", hosttest::test_data("greenscreen-person.png"));
	ASSERT_TRUE(headless::wait_frames(3));
	headless::Image input = headless::render_in_scene(source);
	ASSERT_EQ(input.width, 640u);
	OBSSourceAutoRelease filter = add_keyer(source);
	headless::Image keyed = headless::render_in_scene(source);
	ASSERT_EQ(keyed.width, 640u);

	size_t background = 0, background_clear = 0;
	for (const Box &box : BACKGROUND)
		each_pixel(box, [&](uint32_t x, uint32_t y) {
			background++;
			background_clear += keyed.at(x, y)[3] == 0;
		});
	size_t foreground = 0, foreground_opaque = 0;
	int worst_shirt_change = 0;
	for (const Box &box : FOREGROUND)
		each_pixel(box, [&](uint32_t x, uint32_t y) {
			foreground++;
			foreground_opaque += keyed.at(x, y)[3] == 255;
		});
	each_pixel(FOREGROUND[0], [&](uint32_t x, uint32_t y) {
		for (int c = 0; c < 3; c++)
			worst_shirt_change = std::max(
				worst_shirt_change,
				std::abs(int(keyed.at(x, y)[c]) -
					 int(input.at(x, y)[c])));
	});
	// Opaque skin keeps its red and blue: spill un-premultiplying only
	// touches what is partly transparent. (Its green is pulled down by
	// the spill reduction, which works in the key-rotated hue space.)
	int worst_face_change = 0;
	each_pixel(FOREGROUND[1], [&](uint32_t x, uint32_t y) {
		for (int c : {0, 2})
			worst_face_change = std::max(
				worst_face_change,
				std::abs(int(keyed.at(x, y)[c]) -
					 int(input.at(x, y)[c])));
	});
	EXPECT_LE(worst_face_change, 8);

	// Green cast: how far green rises above red and blue where the
	// picture is at least half opaque (premultiplied, as drawn).
	int worst_green = -255;
	size_t visible = 0;
	for (uint32_t y = 0; y < keyed.height; y++)
		for (uint32_t x = 0; x < keyed.width; x++) {
			const uint8_t *p = keyed.at(x, y);
			if (p[3] < 128)
				continue;
			visible++;
			worst_green = std::max(worst_green,
					       int(p[1]) - std::max(p[0], p[2]));
		}
	// Thin hair strands: pixels above the hair cap clearly darker than
	// the wall around them.
	size_t strands = 0, strands_kept = 0, strand_alpha = 0;
	each_pixel({220, 8, 360, 30}, [&](uint32_t x, uint32_t y) {
		if (input.at(x, y)[1] > 150)
			return; // the wall
		strands++;
		strands_kept += keyed.at(x, y)[3] > 0;
		strand_alpha += keyed.at(x, y)[3];
	});

	printf("[ numbers  ] background clear %zu/%zu, foreground opaque "
	       "%zu/%zu, visible %zu, worst green over red/blue %d, shirt "
	       "change %d, strand pixels kept %zu/%zu (mean alpha %zu)\n",
	       background_clear, background, foreground_opaque, foreground,
	       visible, worst_green, worst_shirt_change, strands_kept,
	       strands, strands ? strand_alpha / strands : 0);
	EXPECT_EQ(background_clear, background);
	EXPECT_EQ(foreground_opaque, foreground);
	EXPECT_LE(worst_green, 3);
	EXPECT_LE(worst_shirt_change, 2);
	EXPECT_GE(strands_kept * 2, strands);

	// Each matte switched on with its default picture changes nothing.
	for (const char *use : {"Use_garbage_matte", "Use_inside_matte",
				"Use_reference_image", "Use_shadow_matte"}) {
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_bool(settings, use, true);
		update_and_settle(filter, settings);
		EXPECT_LE(max_channel_difference(
				  headless::render_in_scene(source), keyed),
			  2)
			<< use;
		obs_data_set_bool(settings, use, false);
		obs_source_update(filter, settings);
	}
	obs_source_filter_remove(source, filter);
}

namespace {

std::string example(const std::string &name)
{
	return headless::data_path() + "/examples/" + name;
}

headless::Image render_example(obs_source_t *source, const char *file,
			       bool complete)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "from_file", true);
	obs_data_set_string(settings, "shader_file_name",
			    example(file).c_str());
	obs_data_set_bool(settings, "override_entire_effect", complete);
	OBSSourceAutoRelease filter = add_keyer(source, settings);
	EXPECT_EQ(last_error(filter), "") << file;
	headless::Image image = headless::render_in_scene(source);
	obs_source_filter_remove(source, filter);
	return image;
}

} // namespace

TEST(ShippedExamples, EveryExampleCompilesAndDraws)
{
	const uint32_t colour = 0xFFC08040;
	OBSSourceAutoRelease source =
		headless::make_color_source("input", SIZE, SIZE, colour);
	ASSERT_TRUE(headless::wait_frames(2));
	for (const char *unchanged : {"pass-through.shader",
				      "colour-correction.shader",
				      "echo-trail.shader"}) {
		headless::Image image =
			render_example(source, unchanged, false);
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(32, 32), colour, 2))
			<< unchanged;
	}
	headless::Image inverted =
		render_example(source, "invert-complete.effect", true);
	EXPECT_TRUE(hosttest::pixel_near(inverted.pixel(32, 32), 0xFF3F7FBF, 2));

	// The included helpers darken and grey the corners, not the centre.
	headless::Image vignette =
		render_example(source, "vignette-include.shader", false);
	EXPECT_TRUE(hosttest::pixel_near(vignette.pixel(32, 32), colour, 2));
	EXPECT_LT(vignette.at(1, 1)[0] + 0, 0x40 - 8);
}
