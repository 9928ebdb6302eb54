// The gift overlay filter in a real host: registration, hidden properties,
// pixels as a scene draws them, sizes from the crop settings, colour spaces,
// a packed clip through the host's media source, and lifetime.
#include "host-environment.h"

#include "packed-frame.h"

#include <obs-module.h>
#include <util/bmem.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace hosttest {

headless::HostConfig host_config()
{
	headless::HostConfig config;
	config.echo_log = getenv("VELMORA_HOST_LOG") != nullptr;
	config.stock_modules = {"image-source", "obs-filters", "obs-ffmpeg"};
	return config;
}

} // namespace hosttest

namespace {

const char *const GIFT = "velmora-gift";
const uint32_t RED = 0xFF0000FF;
const uint32_t WHITE = 0xFFFFFFFF;
const uint32_t BLUE = 0xFFFF0000;
const uint32_t GREEN = 0xFF00FF00;

// An image source showing a packed frame written to a temporary PNG.
class PackedImage {
public:
	PackedImage(const samples::PackedFrame &frame, const std::string &name)
		: path(::testing::TempDir() + "velmora-gift-" + name + ".png")
	{
		if (!samples::save_png(frame, path))
			return;
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
class Gift {
public:
	explicit Gift(obs_source_t *target, obs_data_t *settings = nullptr)
		: target(target),
		  filter(headless::add_filter(target, GIFT, "gift", settings))
	{
		headless::wait_frames(3);
	}
	~Gift()
	{
		if (filter)
			obs_source_filter_remove(target, filter);
	}
	operator obs_source_t *() const { return filter; }

	// Applies settings and lets the update and a tick pass.
	void set(obs_data_t *settings)
	{
		obs_source_update(filter, settings);
		headless::wait_frames(3);
	}

	obs_source_t *target;
	OBSSourceAutoRelease filter;
};

obs_data_t *crop(int left, int top, int right, int bottom)
{
	obs_data_t *settings = obs_data_create();
	obs_data_set_bool(settings, "relative", true);
	obs_data_set_int(settings, "left", left);
	obs_data_set_int(settings, "top", top);
	obs_data_set_int(settings, "right", right);
	obs_data_set_int(settings, "bottom", bottom);
	return settings;
}

obs_data_t *absolute_size(int cx, int cy)
{
	obs_data_t *settings = obs_data_create();
	obs_data_set_bool(settings, "relative", false);
	obs_data_set_int(settings, "cx", cx);
	obs_data_set_int(settings, "cy", cy);
	return settings;
}

struct Size {
	uint32_t width, height;
	bool operator==(const Size &o) const
	{
		return width == o.width && height == o.height;
	}
};

std::ostream &operator<<(std::ostream &out, const Size &s)
{
	return out << s.width << "x" << s.height;
}

Size size_of(obs_source_t *source)
{
	return {obs_source_get_width(source), obs_source_get_height(source)};
}

// Pixels of image that differ from expected(x, y) beyond tolerance, among
// columns first_x .. last_x; the first mismatch is described in *where.
size_t count_mismatches(const headless::Image &image, uint32_t first_x,
			uint32_t last_x,
			const std::function<uint32_t(uint32_t, uint32_t)> &expected,
			int tolerance, std::string *where)
{
	size_t mismatches = 0;
	for (uint32_t y = 0; y < image.height; y++) {
		for (uint32_t x = first_x; x <= last_x; x++) {
			auto result = hosttest::pixel_near(image.pixel(x, y),
							   expected(x, y),
							   tolerance);
			if (result)
				continue;
			if (mismatches++ == 0)
				*where = "at " + std::to_string(x) + "," +
					 std::to_string(y) + ": " +
					 result.message();
		}
	}
	return mismatches;
}

// The filter types a user can add to a video source, chosen the way the
// OBS frontend builds its filter menu.
std::set<std::string> user_addable_video_filters()
{
	std::set<std::string> ids;
	const char *id = nullptr;
	for (size_t i = 0; obs_enum_filter_types(i, &id); i++) {
		const uint32_t flags = obs_get_source_output_flags(id);
		if (flags & (OBS_SOURCE_DEPRECATED | OBS_SOURCE_CAP_DISABLED))
			continue;
		if (flags & OBS_SOURCE_VIDEO)
			ids.insert(id);
	}
	return ids;
}

} // namespace

TEST(GiftRegistration, HiddenFromTheFilterMenuAndCreatedById)
{
	EXPECT_EQ(obs_get_source_output_flags(GIFT), 0x8401u);
	const char *id = nullptr;
	bool registered = false;
	for (size_t i = 0; obs_enum_filter_types(i, &id); i++)
		registered = registered || std::string(id) == GIFT;
	EXPECT_TRUE(registered);

	const std::set<std::string> menu = user_addable_video_filters();
	EXPECT_EQ(menu.count(GIFT), 0u);
	EXPECT_EQ(menu.count("crop_filter"), 1u); // the menu is not empty

	EXPECT_STREQ(obs_source_get_display_name(GIFT),
		     "Korvane Gift Overlay");
	OBSSourceAutoRelease filter =
		obs_source_create(GIFT, "by id", nullptr, nullptr);
	ASSERT_TRUE(filter);
	EXPECT_STREQ(obs_source_get_id(filter), GIFT);
	EXPECT_NE(obs_obj_get_data(filter), nullptr); // its create succeeded
}

TEST(GiftSettings, SevenHiddenPropertiesAndRelativeByDefault)
{
	struct Expected {
		const char *name;
		obs_property_type type;
		int min, max;
		const char *label;
	};
	const Expected expected[] = {
		{"relative", OBS_PROPERTY_BOOL, 0, 0, "Relative crop"},
		{"left", OBS_PROPERTY_INT, -8192, 8192, "Crop left"},
		{"top", OBS_PROPERTY_INT, -8192, 8192, "Crop top"},
		{"right", OBS_PROPERTY_INT, -8192, 8192, "Crop right"},
		{"bottom", OBS_PROPERTY_INT, -8192, 8192, "Crop bottom"},
		{"cx", OBS_PROPERTY_INT, 0, 8192, "Width"},
		{"cy", OBS_PROPERTY_INT, 0, 8192, "Height"},
	};
	obs_properties_t *props = obs_get_source_properties(GIFT);
	ASSERT_NE(props, nullptr);
	size_t index = 0;
	for (obs_property_t *p = obs_properties_first(props); p;
	     obs_property_next(&p), index++) {
		ASSERT_LT(index, 7u) << "more than seven properties";
		const Expected &e = expected[index];
		EXPECT_STREQ(obs_property_name(p), e.name);
		EXPECT_EQ(obs_property_get_type(p), e.type) << e.name;
		EXPECT_FALSE(obs_property_visible(p)) << e.name;
		EXPECT_STREQ(obs_property_description(p), e.label);
		if (e.type == OBS_PROPERTY_INT) {
			EXPECT_EQ(obs_property_int_min(p), e.min) << e.name;
			EXPECT_EQ(obs_property_int_max(p), e.max) << e.name;
			EXPECT_EQ(obs_property_int_step(p), 1) << e.name;
		}
	}
	EXPECT_EQ(index, 7u);
	obs_properties_destroy(props);

	OBSDataAutoRelease defaults = obs_get_source_defaults(GIFT);
	EXPECT_TRUE(obs_data_get_bool(defaults, "relative"));
	EXPECT_EQ(obs_data_get_int(defaults, "right"), 0);
}

TEST(GiftPixels, WhiteMaskShowsTheColourHalfOpaque)
{
	PackedImage packed(samples::make_flat_packed_frame(640, 720, 255, RED),
			   "white-red");
	ASSERT_TRUE(packed.source);
	Gift gift(packed);
	EXPECT_EQ(size_of(packed), (Size{1280, 720}));
	EXPECT_EQ(size_of(gift), (Size{1280, 720}));

	headless::Image image = headless::render_source(
		packed, 0, 0, headless::RenderMode::AsScene, BLUE);
	ASSERT_EQ(image.width, 1280u);
	ASSERT_EQ(image.height, 720u);
	// Stretched to twice the half's width, the outermost columns mix in
	// the sampler's transparent border; every other pixel is red.
	std::string where;
	EXPECT_EQ(count_mismatches(
			  image, 1, 1278, [](uint32_t, uint32_t) { return RED; },
			  1, &where),
		  0u)
		<< where;

	headless::Image scene = headless::render_in_scene(packed, 0, 0, BLUE);
	ASSERT_EQ(scene.width, 1280u);
	EXPECT_TRUE(hosttest::pixel_near(scene.pixel(640, 360), RED, 1));
	EXPECT_TRUE(hosttest::pixel_near(scene.pixel(3, 700), RED, 1));
}

TEST(GiftPixels, BlackMaskLetsTheBackgroundThroughUnchanged)
{
	PackedImage packed(samples::make_flat_packed_frame(640, 720, 0, RED),
			   "black-mask");
	ASSERT_TRUE(packed.source);
	Gift gift(packed);
	for (uint32_t background : {BLUE, 0xFF336699u, 0x80204060u}) {
		headless::Image image = headless::render_source(
			packed, 0, 0, headless::RenderMode::AsScene,
			background);
		ASSERT_EQ(image.width, 1280u);
		std::string where;
		EXPECT_EQ(count_mismatches(
				  image, 0, 1279,
				  [&](uint32_t, uint32_t) { return background; },
				  1, &where),
			  0u)
			<< where;
	}
}

TEST(GiftPixels, HalfMaskBlendsAsThePackedPictureWasMade)
{
	// A white picture at half coverage: its colour half holds 128 grey.
	// In a scene it shows as that grey over black and as white over white.
	PackedImage packed(
		samples::make_flat_packed_frame(64, 32, 128, WHITE), "half");
	ASSERT_TRUE(packed.source);
	OBSDataAutoRelease settings = crop(0, 0, 64, 0);
	Gift gift(packed, settings);
	const headless::Image over_black = headless::render_source(
		packed, 0, 0, headless::RenderMode::AsScene, 0xFF000000);
	const headless::Image over_white = headless::render_source(
		packed, 0, 0, headless::RenderMode::AsScene, WHITE);
	ASSERT_EQ(over_black.width, 64u);
	EXPECT_TRUE(hosttest::pixel_near(over_black.pixel(32, 16), 0xFF808080,
					 2));
	EXPECT_TRUE(hosttest::pixel_near(over_white.pixel(32, 16), WHITE, 2));
}

TEST(GiftPixels, AtHalfWidthEachPixelReadsOneTexelOfEachHalf)
{
	// Alternate opaque and transparent columns, each opaque one with its
	// own colour: any sampling between texels shows up.
	auto mask = [](uint32_t x, uint32_t) -> uint8_t {
		return x % 2 ? 0 : 255;
	};
	auto colour = [](uint32_t x, uint32_t y) -> uint32_t {
		return ((x * 7) & 0xFF) | ((y * 3) & 0xFF) << 8 | 200u << 16;
	};
	PackedImage packed(samples::make_packed_frame(640, 720, mask, colour),
			   "columns");
	ASSERT_TRUE(packed.source);
	OBSDataAutoRelease settings = crop(0, 0, 640, 0);
	Gift gift(packed, settings);
	EXPECT_EQ(size_of(packed), (Size{640, 720}));

	headless::Image image = headless::render_source(
		packed, 0, 0, headless::RenderMode::AsScene, GREEN);
	ASSERT_EQ(image.width, 640u);
	ASSERT_EQ(image.height, 720u);
	std::string where;
	EXPECT_EQ(count_mismatches(
			  image, 0, 639,
			  [&](uint32_t x, uint32_t y) {
				  return x % 2 ? GREEN
					       : 0xFF000000 | colour(x, y);
			  },
			  1, &where),
		  0u)
		<< where;
}

TEST(GiftSize, CropSettingsSetTheOutputSize)
{
	PackedImage packed(samples::make_flat_packed_frame(640, 720, 255, RED),
			   "sizes");
	ASSERT_TRUE(packed.source);
	Gift gift(packed);

	struct Case {
		OBSDataAutoRelease settings;
		Size size;
	};
	Case cases[] = {
		{crop(0, 0, 640, 0), {640, 720}},
		{crop(700, 0, 700, 0), {1, 720}},   // crops over the width
		{crop(0, 400, 0, 400), {1280, 1}},  // and over the height
		{crop(-100, -20, 0, -20), {1380, 760}}, // negative: larger
		{absolute_size(0, 0), {1, 1}},
		{absolute_size(300, 200), {300, 200}},
		{crop(0, 0, 0, 0), {1280, 720}},
	};
	for (Case &c : cases) {
		gift.set(c.settings);
		EXPECT_EQ(size_of(packed), c.size);
		headless::Image image = headless::render_source(
			packed, 0, 0, headless::RenderMode::AsScene, BLUE);
		EXPECT_EQ((Size{image.width, image.height}), c.size);
	}

	// Absolute sizes do not follow the target.
	PackedImage small(samples::make_flat_packed_frame(32, 16, 255, RED),
			  "small");
	ASSERT_TRUE(small.source);
	OBSDataAutoRelease settings = absolute_size(300, 200);
	Gift on_small(small, settings);
	EXPECT_EQ(size_of(small), (Size{300, 200}));
	headless::Image image = headless::render_source(
		small, 0, 0, headless::RenderMode::AsScene, BLUE);
	ASSERT_EQ(image.width, 300u);
	EXPECT_TRUE(hosttest::pixel_near(image.pixel(150, 100), RED, 1));
}

/* --- colour spaces --------------------------------------------------- */

namespace {

// A test-only video source reporting the colour space in its "space"
// setting; it draws opaque white and notes the format of the render target
// it is drawn into.
const char *const SPACE_SOURCE = "velmora-test-space-source";
gs_color_format last_target_format = GS_UNKNOWN;

struct SpaceSource {
	gs_color_space space;
};

void register_space_source()
{
	static bool registered = false;
	if (registered)
		return;
	registered = true;

	obs_source_info info = {};
	info.id = SPACE_SOURCE;
	info.type = OBS_SOURCE_TYPE_INPUT;
	info.output_flags =
		OBS_SOURCE_VIDEO | OBS_SOURCE_CUSTOM_DRAW | OBS_SOURCE_SRGB;
	info.get_name = [](void *) { return "test colour space"; };
	info.create = [](obs_data_t *settings, obs_source_t *) -> void * {
		auto *s = static_cast<SpaceSource *>(bzalloc(sizeof(SpaceSource)));
		s->space = gs_color_space(obs_data_get_int(settings, "space"));
		return s;
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
		return static_cast<SpaceSource *>(data)->space;
	};
	obs_register_source(&info);
}

} // namespace

TEST(GiftColourSpace, FloatTargetsGoThroughAFloatTextureAndAreReported)
{
	register_space_source();
	struct Case {
		gs_color_space space;
		gs_color_format format;
	};
	const Case cases[] = {{GS_CS_SRGB, GS_RGBA},
			      {GS_CS_SRGB_16F, GS_RGBA16F},
			      {GS_CS_709_EXTENDED, GS_RGBA16F}};
	for (const Case &c : cases) {
		OBSDataAutoRelease settings = obs_data_create();
		obs_data_set_int(settings, "space", c.space);
		OBSSourceAutoRelease source = obs_source_create(
			SPACE_SOURCE, "space", settings, nullptr);
		ASSERT_TRUE(source);
		Gift gift(source);

		last_target_format = GS_UNKNOWN;
		headless::Image image = headless::render_source(
			source, 0, 0, headless::RenderMode::AsScene, BLUE);
		EXPECT_EQ(last_target_format, c.format) << "space " << c.space;
		ASSERT_EQ(image.width, 64u);
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(32, 16), WHITE, 1))
			<< "space " << c.space;

		const gs_color_space offered[] = {GS_CS_SRGB, GS_CS_SRGB_16F,
						  GS_CS_709_EXTENDED};
		EXPECT_EQ(obs_source_get_color_space(gift, 3, offered),
			  c.space);
		// A space the host does not offer: the last one it offers.
		const gs_color_space sdr_only[] = {GS_CS_SRGB};
		EXPECT_EQ(obs_source_get_color_space(gift, 1, sdr_only),
			  GS_CS_SRGB);
	}
}

/* --- the host's media source ----------------------------------------- */

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

	OBSDataAutoRelease half = crop(0, 0, 64, 0);
	Gift gift(media, half);
	EXPECT_EQ(size_of(media), (Size{64, 64}));

	// The decoded frame reaches the source's texture a few frames after
	// its size is known.
	auto render_over = [&](uint32_t background) {
		return headless::render_source(
			media, 0, 0, headless::RenderMode::AsScene, background);
	};
	headless::Image image = render_over(0);
	for (int i = 0; i < 60 && !image.empty() && !image.pixel(12, 32); i++) {
		headless::wait_frames(1);
		image = render_over(0);
	}
	ASSERT_EQ(image.width, 64u);

	// Left 32 columns: red over whatever lies beneath (the decoder gives
	// 253 for white, so a trace of the background stays); right 32
	// columns: nothing.
	const headless::Image over_blue = render_over(BLUE);
	for (uint32_t y : {4u, 32u, 60u}) {
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(12, y), RED, 8));
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(52, y), 0, 2));
		const uint32_t red_over_blue = over_blue.pixel(12, y);
		EXPECT_GE(red_over_blue & 0xFF, 0xF0u) << std::hex << red_over_blue;
		EXPECT_LE((red_over_blue >> 8) & 0xFF, 8u);
		EXPECT_LE((red_over_blue >> 16) & 0xFF, 0x40u);
		EXPECT_TRUE(hosttest::pixel_near(over_blue.pixel(52, y), BLUE,
						 2));
	}
}

/* --- lifetime ---------------------------------------------------------- */

TEST(GiftLifetime, RendersEveryFrameWithoutHostErrors)
{
	PackedImage packed(samples::make_flat_packed_frame(64, 32, 255, RED),
			   "program");
	ASSERT_TRUE(packed.source);
	Gift gift(packed);
	obs_scene_t *scene = headless::show_in_program(packed);
	headless::clear_log();
	headless::wait_frames(30);
	// The effect has no "multiplier" uniform: nothing is set on it, and
	// the host logs no error for a null parameter.
	EXPECT_FALSE(headless::log_contains("", LOG_ERROR))
		<< headless::log_lines().front().text;
	headless::show_in_program(nullptr);
	obs_scene_release(scene);
}

TEST(GiftLifetime, DestroyedWhileItsSourceRendersAndCreatedManyTimes)
{
	PackedImage packed(samples::make_flat_packed_frame(64, 32, 255, RED),
			   "lifetime");
	ASSERT_TRUE(packed.source);
	obs_scene_t *scene = headless::show_in_program(packed);

	{
		Gift gift(packed);
		EXPECT_EQ(size_of(packed), (Size{128, 32}));
		// The program renders the filter every frame while it goes.
	}
	headless::wait_frames(3);
	EXPECT_EQ(size_of(packed), (Size{128, 32}));
	EXPECT_EQ(obs_source_filter_count(packed), 0u);

	headless::wait_frames(5);
	const long before = bnum_allocs();
	const int rounds = 64;
	for (int i = 0; i < rounds; i++) {
		OBSSourceAutoRelease filter =
			headless::add_filter(packed, GIFT, "many");
		ASSERT_TRUE(filter);
		headless::wait_frames(1);
		obs_source_filter_remove(packed, filter);
	}
	headless::wait_frames(5);
	// A record or an effect kept per filter would leave one or more
	// allocations per round.
	EXPECT_LT(bnum_allocs() - before, rounds / 4);

	headless::show_in_program(nullptr);
	obs_scene_release(scene);
}
