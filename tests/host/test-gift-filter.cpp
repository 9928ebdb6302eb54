// The gift overlay filter in a real host: registration, hidden properties,
// pixels as a scene draws them, sizes from the crop settings, colour spaces,
// a packed clip through the host's media source, and lifetime.
#include "host-environment.h"
#include "plugin-ids.h"

#include "packed-frame.h"

#include <util/bmem.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>

namespace hosttest {

headless::HostConfig host_config()
{
	headless::HostConfig config;
	config.echo_log = getenv("VELMORA_HOST_LOG") != nullptr;
	config.stock_modules = {"image-source", "obs-filters", "obs-ffmpeg"};
	return config;
}

} // namespace hosttest

using namespace hosttest::colours;

namespace {

// An image source showing a packed frame written to a temporary PNG.
struct PackedImage {
	PackedImage(const samples::PackedFrame &frame, const std::string &name)
		: path(::testing::TempDir() + "velmora-gift-" + name + ".png")
	{
		if (samples::save_png(frame, path))
			source = headless::make_image_source(name.c_str(), path);
		for (int i = 0; i < 60 && source &&
				obs_source_get_base_width(source) != frame.width;
		     i++)
			headless::wait_frames(1);
	}
	~PackedImage()
	{
		source = nullptr; // released before its file goes
		remove(path.c_str());
	}
	operator obs_source_t *() const { return source; }

	const std::string path;
	OBSSourceAutoRelease source;
};

// The gift filter on a source for the length of a test.
struct Gift {
	Gift(obs_source_t *target, obs_data_t *settings = nullptr)
		: target(target),
		  filter(headless::add_filter(target, GIFT_FILTER_ID, "gift", settings))
	{
		headless::wait_frames(3);
	}
	~Gift() { obs_source_filter_remove(target, filter); }
	operator obs_source_t *() const { return filter; }
	void set(obs_data_t *settings)
	{
		obs_source_update(filter, settings);
		headless::wait_frames(3);
	}

	obs_source_t *target;
	OBSSourceAutoRelease filter;
};

// Relative crops (left, top, right, bottom) or, with relative false, an
// absolute size (cx, cy).
obs_data_t *sizing(bool relative, std::initializer_list<int> values)
{
	static const char *const relative_keys[] = {"left", "top", "right",
						    "bottom"};
	static const char *const absolute_keys[] = {"cx", "cy"};
	obs_data_t *settings = obs_data_create();
	obs_data_set_bool(settings, "relative", relative);
	const char *const *key = relative ? relative_keys : absolute_keys;
	for (int value : values)
		obs_data_set_int(settings, *key++, value);
	return settings;
}

using Size = std::pair<uint32_t, uint32_t>;

Size size_of(obs_source_t *source)
{
	return {obs_source_get_width(source), obs_source_get_height(source)};
}

headless::Image as_scene(obs_source_t *source, uint32_t background)
{
	return headless::render_source(source, 0, 0,
				       headless::RenderMode::AsScene,
				       background);
}

// Every pixel of image in columns first_x .. last_x is expected(x, y)
// within 1; else the first mismatch and their count.
::testing::AssertionResult
pixels_match(const headless::Image &image, uint32_t first_x, uint32_t last_x,
	     const std::function<uint32_t(uint32_t, uint32_t)> &expected)
{
	size_t mismatches = 0;
	std::string first;
	for (uint32_t y = 0; y < image.height; y++)
		for (uint32_t x = first_x; x <= last_x; x++) {
			auto result = hosttest::pixel_near(image.pixel(x, y),
							   expected(x, y), 1);
			if (!result && mismatches++ == 0)
				first = std::to_string(x) + "," +
					std::to_string(y) + ": " +
					result.message();
		}
	if (mismatches == 0)
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure()
	       << mismatches << " pixels differ, first at " << first;
}

} // namespace

TEST(GiftRegistration, HiddenFromTheMenuCreatedByIdWithHiddenSettings)
{
	// The filter menu as the OBS frontend builds it for a video source.
	std::set<std::string> menu, all;
	const char *id = nullptr;
	for (size_t i = 0; obs_enum_filter_types(i, &id); i++) {
		all.insert(id);
		const uint32_t flags = obs_get_source_output_flags(id);
		if (!(flags & (OBS_SOURCE_DEPRECATED | OBS_SOURCE_CAP_DISABLED)) &&
		    (flags & OBS_SOURCE_VIDEO))
			menu.insert(id);
	}
	EXPECT_EQ(all.count(GIFT_FILTER_ID), 1u);
	EXPECT_EQ(menu.count(GIFT_FILTER_ID), 0u);
	EXPECT_EQ(menu.count("crop_filter"), 1u); // the menu is not empty
	OBSSourceAutoRelease filter =
		obs_source_create(GIFT_FILTER_ID, "by id", nullptr, nullptr);
	ASSERT_TRUE(filter);
	EXPECT_NE(obs_obj_get_data(filter), nullptr); // its create succeeded
	obs_properties_t *props = obs_source_properties(filter);
	for (obs_property_t *p = obs_properties_first(props); p;
	     obs_property_next(&p))
		EXPECT_FALSE(obs_property_visible(p)) << obs_property_name(p);
	obs_properties_destroy(props);
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	EXPECT_TRUE(obs_data_get_bool(settings, "relative"));
}

TEST(GiftPixels, MasksBlendTheColourHalfOverTheBackground)
{
	struct Case {
		uint8_t mask;
		uint32_t colour, half_width, background, expected;
	} cases[] = {
		// White mask, pure red: opaque red.
		{255, RED, 640, BLUE, RED},
		// Black mask: the background unchanged, even half transparent.
		{0, RED, 640, BLUE, BLUE},
		{0, RED, 640, 0x80204060, 0x80204060},
		// Half coverage of white (128 grey in the colour half): that
		// grey over black, white over white, as the picture was made.
		{128, WHITE, 64, 0xFF000000, 0xFF808080},
		{128, WHITE, 64, WHITE, WHITE},
	};
	for (const Case &c : cases) {
		PackedImage packed(samples::make_flat_packed_frame(
					   c.half_width, 720, c.mask, c.colour),
				   "flat");
		ASSERT_TRUE(packed.source);
		Gift gift(packed);
		const uint32_t width = c.half_width * 2;
		EXPECT_EQ(size_of(packed), Size(width, 720));
		const headless::Image image = as_scene(packed, c.background);
		ASSERT_EQ(Size(image.width, image.height), Size(width, 720));
		// Stretched to twice the half's width, the outermost columns
		// mix in the sampler's transparent border.
		EXPECT_TRUE(pixels_match(image, 1, width - 2,
					 [&](uint32_t, uint32_t) {
						 return c.expected;
					 }))
			<< "mask " << int(c.mask);
	}
}

TEST(GiftPixels, AtHalfWidthEachPixelReadsOneTexelOfEachHalf)
{
	// Alternate opaque and transparent columns, each opaque one with its
	// own colour: any sampling between texels shows up.
	auto colour = [](uint32_t x, uint32_t y) -> uint32_t {
		return ((x * 7) & 0xFF) | ((y * 3) & 0xFF) << 8 | 200u << 16;
	};
	PackedImage packed(
		samples::make_packed_frame(
			640, 720,
			[](uint32_t x, uint32_t) -> uint8_t {
				return x % 2 ? 0 : 255;
			},
			colour),
		"columns");
	ASSERT_TRUE(packed.source);
	OBSDataAutoRelease settings = sizing(true, {0, 0, 640, 0});
	Gift gift(packed, settings);
	headless::Image image = as_scene(packed, GREEN);
	ASSERT_EQ(Size(image.width, image.height), Size(640, 720));
	EXPECT_TRUE(pixels_match(image, 0, 639, [&](uint32_t x, uint32_t y) {
		return x % 2 ? GREEN : 0xFF000000 | colour(x, y);
	}));
}

TEST(GiftSize, CropSettingsSetTheOutputSize)
{
	PackedImage packed(samples::make_flat_packed_frame(640, 720, 255, RED),
			   "sizes");
	PackedImage small(samples::make_flat_packed_frame(32, 16, 255, RED),
			  "small");
	ASSERT_TRUE(packed.source && small.source);
	Gift gift(packed), on_small(small);
	struct Case {
		OBSDataAutoRelease settings;
		Size size, small_size;
	} cases[] = {
		{sizing(true, {0, 0, 640, 0}), {640, 720}, {1, 16}},
		{sizing(true, {700, 0, 700, 0}), {1, 720}, {1, 16}},
		{sizing(true, {0, 400, 0, 400}), {1280, 1}, {64, 1}},
		{sizing(true, {-100, -20, 0, -20}), {1380, 760}, {164, 56}},
		{sizing(false, {0, 0}), {1, 1}, {1, 1}},
		{sizing(false, {300, 200}), {300, 200}, {300, 200}},
		// "relative" of another type counts as absent: its default.
		{obs_data_create_from_json(R"({"relative": "no", "left": 0,
			"top": 0, "right": 640, "bottom": 0})"),
		 {640, 720}, {1, 16}},
		{sizing(true, {0, 0, 0, 0}), {1280, 720}, {64, 16}},
	};
	for (Case &c : cases) {
		gift.set(c.settings);
		on_small.set(c.settings);
		EXPECT_EQ(size_of(packed), c.size);
		headless::Image image = as_scene(small, BLUE);
		ASSERT_EQ(Size(image.width, image.height), c.small_size);
		EXPECT_TRUE(hosttest::pixel_near(
			image.pixel(image.width / 2, image.height / 2), RED, 1))
			<< image.width << "x" << image.height;
	}
}

/* --- colour spaces --------------------------------------------------- */

namespace {

// A test-only 64x32 video source reporting the colour space in its "space"
// setting; it draws opaque white and notes the format of the render target
// it is drawn into.
const char *const SPACE_SOURCE = "velmora-test-space-source";
gs_color_format last_target_format = GS_UNKNOWN;

void register_space_source()
{
	obs_source_info info = {};
	info.id = SPACE_SOURCE;
	info.type = OBS_SOURCE_TYPE_INPUT;
	info.output_flags =
		OBS_SOURCE_VIDEO | OBS_SOURCE_CUSTOM_DRAW | OBS_SOURCE_SRGB;
	info.get_name = [](void *) { return "test colour space"; };
	info.create = [](obs_data_t *settings, obs_source_t *) -> void * {
		auto *space = static_cast<gs_color_space *>(bmalloc(sizeof(int)));
		*space = gs_color_space(obs_data_get_int(settings, "space"));
		return space;
	};
	info.destroy = [](void *data) { bfree(data); };
	info.get_width = [](void *) -> uint32_t { return 64; };
	info.get_height = [](void *) -> uint32_t { return 32; };
	info.video_render = [](void *, gs_effect_t *) {
		last_target_format =
			gs_texture_get_color_format(gs_get_render_target());
		gs_effect_t *solid = obs_get_base_effect(OBS_EFFECT_SOLID);
		vec4 white;
		vec4_set(&white, 1.0f, 1.0f, 1.0f, 1.0f);
		gs_effect_set_vec4(gs_effect_get_param_by_name(solid, "color"),
				   &white);
		while (gs_effect_loop(solid, "Solid"))
			gs_draw_sprite(nullptr, 0, 64, 32);
	};
	info.video_get_color_space = [](void *data, size_t,
					const gs_color_space *) {
		return *static_cast<gs_color_space *>(data);
	};
	obs_register_source(&info);
}

} // namespace

TEST(GiftColourSpace, FloatTargetsGoThroughAFloatTextureAndAreReported)
{
	register_space_source();
	const gs_color_space offered[] = {GS_CS_SRGB, GS_CS_SRGB_16F,
					  GS_CS_709_EXTENDED};
	const std::pair<gs_color_space, gs_color_format> cases[] = {
		{GS_CS_SRGB, GS_RGBA},
		{GS_CS_SRGB_16F, GS_RGBA16F},
		{GS_CS_709_EXTENDED, GS_RGBA16F}};
	for (const auto &[space, format] : cases) {
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_int(settings, "space", space);
		OBSSourceAutoRelease source = obs_source_create(
			SPACE_SOURCE, "space", settings, nullptr);
		ASSERT_TRUE(source);
		Gift gift(source);
		last_target_format = GS_UNKNOWN;
		headless::Image image = as_scene(source, BLUE);
		EXPECT_EQ(last_target_format, format) << "space " << space;
		ASSERT_EQ(image.width, 64u);
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(32, 16), WHITE, 1));
		EXPECT_EQ(obs_source_get_color_space(gift, 3, offered), space);
		// A space the host does not offer: the last one it offers.
		EXPECT_EQ(obs_source_get_color_space(gift, 1, offered),
			  GS_CS_SRGB);
	}
}

TEST(GiftMedia, PackedClipPlaysAsATransparentOverlay)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "is_local_file", true);
	obs_data_set_string(settings, "local_file",
			    hosttest::test_data("gift-clip.mp4").c_str());
	obs_data_set_bool(settings, "looping", true);
	obs_data_set_bool(settings, "restart_on_activate", false);
	OBSSourceAutoRelease media = obs_source_create(
		"ffmpeg_source", "gift clip", settings, nullptr);
	ASSERT_TRUE(media) << "the host's media source is not available";
	for (int i = 0; i < 300 && obs_source_get_base_width(media) == 0; i++)
		headless::wait_frames(1);
	ASSERT_EQ(obs_source_get_base_width(media), 128u)
		<< "the media source played no frame";

	OBSDataAutoRelease half = sizing(true, {0, 0, 64, 0});
	Gift gift(media, half);
	EXPECT_EQ(size_of(media), Size(64, 64));
	// The decoded frame reaches the source's texture a few frames after
	// its size is known.
	headless::Image image = as_scene(media, 0);
	for (int i = 0; i < 60 && !image.empty() && !image.pixel(12, 32); i++) {
		headless::wait_frames(1);
		image = as_scene(media, 0);
	}
	ASSERT_EQ(image.width, 64u);
	// Left 32 columns red (the decoder gives 253 for white), right 32
	// columns nothing.
	for (uint32_t y : {4u, 32u, 60u}) {
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(12, y), RED, 8));
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(52, y), 0, 2));
	}
}

TEST(GiftLifetime, RendersWithoutErrorsAndGoesWhileItsSourceRenders)
{
	PackedImage packed(samples::make_flat_packed_frame(64, 32, 255, RED),
			   "lifetime");
	ASSERT_TRUE(packed.source);
	hosttest::Shown shown(packed);
	{
		// The program renders the filter every frame while it goes.
		Gift gift(packed);
		headless::clear_log();
		headless::wait_frames(30);
		// The effect has no "multiplier" uniform: nothing is set on
		// it, and the host logs no error for a null parameter.
		EXPECT_EQ(headless::log_count("", LOG_ERROR), 0u);
	}
	headless::wait_frames(3);
	EXPECT_EQ(obs_source_filter_count(packed), 0u);

	const long before = bnum_allocs();
	const int rounds = 64;
	for (int i = 0; i < rounds; i++) {
		OBSSourceAutoRelease filter =
			headless::add_filter(packed, GIFT_FILTER_ID, "many");
		headless::wait_frames(1);
		obs_source_filter_remove(packed, filter);
	}
	headless::wait_frames(5);
	// A record or an effect kept per filter would leave one or more
	// allocations per round.
	EXPECT_LT(bnum_allocs() - before, rounds / 4);
}
