// The matting filter out of the box: the built-in keyer as its only default,
// the parameters it puts into the settings, what it does to pixels (read
// back the way a scene draws them), the default matte pictures, and the
// example effects shipped beside the module.
#include "matting-fixture.h"

#include "keyer-effect.h"

#include <util/platform.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

using namespace mattingtest;
using namespace hosttest::colours;
using hosttest::pixel_near;

namespace {

const uint32_t KEY_COLOUR = 0xFF32C581; // the keyer's default key colour

// parent drawn as a scene draws it, with a keyer of these settings on it.
headless::Image keyed(obs_source_t *parent, obs_data_t *settings = nullptr)
{
	OBSSourceAutoRelease filter =
		headless::add_filter(parent, MATTING_FILTER_ID, "keyer", settings);
	settle();
	EXPECT_EQ(last_error(filter), "");
	headless::Image image = headless::render_in_scene(parent);
	obs_source_filter_remove(parent, filter);
	return image;
}

obs_source_t *picture(const char *file)
{
	obs_source_t *source =
		headless::make_image_source(file, hosttest::test_data(file));
	EXPECT_TRUE(headless::wait_frames(3));
	return source;
}

int max_channel_difference(const headless::Image &a, const headless::Image &b)
{
	int worst = a.rgba.size() == b.rgba.size() ? 0 : 255;
	for (size_t i = 0; i < a.rgba.size() && i < b.rgba.size(); i++)
		worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
	return worst;
}

struct Spot {
	uint32_t x, y, colour;
};

void expect_spots(const headless::Image &image, const std::vector<Spot> &spots,
		  int tolerance, const std::string &what)
{
	for (const Spot &s : spots) {
		ASSERT_TRUE(s.x < image.width && s.y < image.height) << what;
		EXPECT_TRUE(pixel_near(image.pixel(s.x, s.y), s.colour, tolerance))
			<< what << " at " << s.x << "," << s.y;
	}
}

} // namespace

TEST(KeyerDefaults, OnlyTheTextIsExplicitAndTheFirstUpdateWritesTheKeyersEvenOverAWrongTypedText)
{
	OBSDataAutoRelease defaults = obs_get_source_defaults(MATTING_FILTER_ID);
	std::vector<std::string> explicit_defaults;
	for (obs_data_item_t *item = obs_data_first(defaults); item;
	     obs_data_item_next(&item))
		if (obs_data_item_has_default_value(item))
			explicit_defaults.push_back(obs_data_item_get_name(item));
	ASSERT_EQ(explicit_defaults, std::vector<std::string>{"shader_text"});

	// A number where the text belongs counts as absent: the keyer is built.
	OBSSourceAutoRelease source =
		headless::make_color_source("grey", 64, 64, GREY);
	OBSSourceAutoRelease filter = headless::add_filter(
		source, MATTING_FILTER_ID, "keyer", json(R"({"shader_text": 5})"));
	settle();
	EXPECT_EQ(last_error(filter), "");
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	// Every uniform of the keyer's text has its default (how each type's
	// default is read: the parameter tests); texture files are the
	// pictures in the module's data folder.
	const std::string text = keyer_effect_text;
	const std::regex uniform(
		"uniform (\\w+) (\\w+)\\s*(?:<[^>]*>)?\\s*=\\s*\"?([^;\"]+)\"?;");
	size_t count = 0;
	for (std::sregex_iterator it(text.begin(), text.end(), uniform), end;
	     it != end; ++it, count++) {
		const std::string type = (*it)[1], key = (*it)[2], value = (*it)[3];
		SCOPED_TRACE(key);
		EXPECT_TRUE(obs_data_has_default_value(settings, key.c_str()));
		if (type == "texture2d") {
			char *absolute = os_get_abs_path_ptr(
				(headless::data_path() + "/textures/" + value).c_str());
			ASSERT_TRUE(absolute);
			EXPECT_STREQ(obs_data_get_default_string(settings, key.c_str()),
				     absolute);
			bfree(absolute);
		}
	}
	size_t declared = 0; // lines that declare a uniform
	for (size_t at = 0; at != std::string::npos; at = text.find('\n', at + 1))
		declared += text.compare(at ? at + 1 : 0, 8, "uniform ") == 0;
	EXPECT_EQ(count, declared);
}

TEST(KeyerPixels, DefaultsViewsAndPassThroughsOverKeyColourAndGrey)
{
	// 64 x 64: the key colour above, neutral grey below.
	OBSSourceAutoRelease input = picture("key-over-grey.png");
	const headless::Image plain = headless::render_in_scene(input);

	// Defaults: the key colour goes transparent, grey stays (the
	// outermost ring is averaged with the transparent border).
	const headless::Image image = keyed(input);
	ASSERT_EQ(image.width, 64u);
	for (uint32_t y = 1; y < 63; y++)
		for (uint32_t x = 1; x < 63; x += 7)
			ASSERT_TRUE(pixel_near(image.pixel(x, y),
					       y < 32 ? 0 : GREY, 1))
				<< x << "," << y;

	// A key colour with alpha 0, and a safe area over the whole frame,
	// pass the input through unkeyed.
	for (const std::string &settings :
	     {"{\"Key_color\": " + std::to_string(KEY_COLOUR & 0xFFFFFF) + "}",
	      std::string(R"({"Safe_right": 1000.0, "Safe_bottom": 1000.0})")})
		EXPECT_LE(max_channel_difference(keyed(input, json(settings)),
						 plain),
			  1)
			<< settings;

	struct Case {
		const char *settings;
		std::vector<Spot> spots;
		int tolerance;
	} cases[] = {
		// The margins hold no input: transparent, not opaque black.
		{R"({"expand_right": 8})", {{68, 50, 0}, {32, 50, GREY}}, 1},
		{R"({"Show_Alpha": true})",
		 {{20, 10, BLACK}, {20, 50, 0xFFFFFFFF}},
		 1},
		// The pre-key view wins over the alpha view.
		{R"({"Show_Alpha": true, "Show_PrekeyFG": true})",
		 {{20, 10, KEY_COLOUR}, {20, 50, GREY}},
		 2},
	};
	for (const Case &c : cases)
		expect_spots(keyed(input, json(c.settings)), c.spots,
			     c.tolerance, c.settings);
}

TEST(KeyerPixels, AKeyColourWithAZeroChannelKeepsOtherColours)
{
	// Pure green has no red and no blue: the spill step divides by the
	// key's channels and must not blow the picture up. Over a ramp from
	// pure green to grey, nothing may come out brighter than the input's
	// red and blue (green is keyed and its spill pulled down).
	OBSSourceAutoRelease input = picture("green-to-grey.png");
	const headless::Image plain = headless::render_in_scene(input);
	const headless::Image image =
		keyed(input, json(R"({"Key_color": 4278255360})"));
	ASSERT_EQ(image.width, plain.width);
	for (uint32_t x = 1; x < image.width - 1; x++)
		for (int c = 0; c < 3; c++)
			ASSERT_LE(image.at(x, 30)[c], plain.at(x, 30)[0] + 2)
				<< "x " << x << " channel " << c;
	// The grey end keeps its brightness.
	EXPECT_NEAR(image.at(62, 30)[0], plain.at(62, 30)[0], 2);
	EXPECT_EQ(image.at(62, 30)[3], 255);
}

TEST(KeyerPixels, ZeroSoftnessShadowRampIsAHardEdge)
{
	// A shadow on the green: the key colour at 70 % brightness. Keyed
	// away by default; with "Shadows" raised enough, kept as opaque black
	// below the ramp's position (uv.y * 2000 above Position + 1000).
	OBSSourceAutoRelease source =
		headless::make_color_source("shadow", 64, 64, 0xFF238A5A);
	std::vector<Spot> edge;
	for (uint32_t x = 1; x < 63; x += 9) {
		edge.push_back({x, 31, 0});
		edge.push_back({x, 32, BLACK});
	}
	const std::pair<const char *, std::vector<Spot>> cases[] = {
		{"{}", {{20, 50, 0}}},
		{R"({"Shadows": 500.0})", edge},
		{R"({"Shadows": 500.0, "Shadow_Gradient_Position": 500.0})",
		 {{20, 47, 0}, {20, 48, BLACK}}},
		// The default shadow matte (white) restricts nothing: the
		// shadow is kept over the whole frame.
		{R"({"Shadows": 500.0, "Shadow_Gradient_Position": 500.0,
		     "Use_shadow_matte": true})",
		 {{20, 10, BLACK}, {20, 50, BLACK}}},
	};
	for (const auto &[settings, spots] : cases)
		expect_spots(keyed(source, json(settings)), spots, 1, settings);
}

namespace {

// Regions of tests/data/greenscreen-person.png (640x360).
struct Box {
	uint32_t x0, y0, x1, y1;
	template<typename Fn> void each(Fn fn) const
	{
		for (uint32_t y = y0; y < y1; y++)
			for (uint32_t x = x0; x < x1; x++)
				fn(x, y);
	}
};
const Box SHIRT = {240, 125, 336, 210}, FACE = {270, 58, 306, 84};
const Box FOREGROUND[] = {SHIRT, FACE, {250, 230, 275, 320} /* legs */,
			  {300, 230, 326, 320}, {280, 90, 296, 104} /* neck */};
const Box BACKGROUND[] = {
	{0, 0, 180, 360},     // wall and floor left of the person
	{410, 0, 640, 360},   // right, through the edge of the floor shadow
	{180, 0, 410, 5},     // above the hair
	{336, 300, 410, 360}, // the floor shadow beside the feet
};

} // namespace

TEST(KeyerPicture, GreenScreenPersonKeysCleanlyWithDefaults)
{
	OBSSourceAutoRelease source = picture("greenscreen-person.png");
	const headless::Image input = headless::render_in_scene(source);
	const headless::Image out = keyed(source);
	ASSERT_EQ(input.width, 640u);
	ASSERT_EQ(out.width, 640u);

	size_t background = 0, clear = 0, foreground = 0, opaque = 0;
	for (const Box &box : BACKGROUND)
		box.each([&](uint32_t x, uint32_t y) {
			background++;
			clear += out.at(x, y)[3] == 0;
		});
	for (const Box &box : FOREGROUND)
		box.each([&](uint32_t x, uint32_t y) {
			foreground++;
			opaque += out.at(x, y)[3] == 255;
		});
	// The grey shirt keeps its colour; opaque skin keeps its red and
	// blue (spill un-premultiplying only touches what is partly
	// transparent; its green is pulled down by the spill reduction).
	int shirt_change = 0, face_change = 0;
	auto change = [&](uint32_t x, uint32_t y, int c) {
		return std::abs(int(out.at(x, y)[c]) - int(input.at(x, y)[c]));
	};
	SHIRT.each([&](uint32_t x, uint32_t y) {
		for (int c = 0; c < 3; c++)
			shirt_change = std::max(shirt_change, change(x, y, c));
	});
	FACE.each([&](uint32_t x, uint32_t y) {
		for (int c : {0, 2})
			face_change = std::max(face_change, change(x, y, c));
	});
	// Green cast: how far green rises above red and blue where the
	// picture is at least half opaque (premultiplied, as drawn).
	int worst_green = -255;
	Box{0, 0, 640, 360}.each([&](uint32_t x, uint32_t y) {
		const uint8_t *p = out.at(x, y);
		if (p[3] >= 128)
			worst_green = std::max(worst_green,
					       int(p[1]) - std::max(p[0], p[2]));
	});
	// Thin hair strands: pixels above the hair cap clearly darker than
	// the wall around them.
	size_t strands = 0, strands_kept = 0;
	Box{220, 8, 360, 30}.each([&](uint32_t x, uint32_t y) {
		if (input.at(x, y)[1] <= 150) {
			strands++;
			strands_kept += out.at(x, y)[3] > 0;
		}
	});
	EXPECT_EQ(clear, background);
	EXPECT_EQ(opaque, foreground);
	EXPECT_LE(worst_green, 3);
	EXPECT_LE(shirt_change, 2);
	EXPECT_LE(face_change, 8);
	EXPECT_GE(strands_kept * 2, strands);

	// Each matte switched on with its default picture changes nothing.
	for (const char *use : {"Use_garbage_matte", "Use_inside_matte",
				"Use_reference_image", "Use_shadow_matte"})
		EXPECT_LE(max_channel_difference(
				  keyed(source, json(std::string("{\"") + use +
						     "\": true}")),
				  out),
			  2)
			<< use;
}

TEST(ShippedExamples, EveryExampleCompilesAndDraws)
{
	const uint32_t colour = 0xFFC08040;
	OBSSourceAutoRelease source = make_input(64, 64, colour);
	ASSERT_TRUE(headless::wait_frames(2));
	const std::pair<const char *, uint32_t> centres[] = {
		{"pass-through.shader", colour},
		{"colour-correction.shader", colour},
		{"echo-trail.shader", colour},
		{"invert-complete.effect", 0xFF3F7FBF},
		// The included helpers darken and grey the corners only.
		{"vignette-include.shader", colour}};
	for (const auto &[file, centre] : centres) {
		const bool complete = strstr(file, ".effect") != nullptr;
		const headless::Image image =
			keyed(source, from_file(example(file), complete));
		EXPECT_TRUE(pixel_near(image.pixel(32, 32), centre, 2)) << file;
		if (!strcmp(file, "vignette-include.shader")) {
			EXPECT_LT(image.at(1, 1)[0], 0x40 - 8);
		}
	}
}
