// The "shader_convert" button in the real host: Shadertoy, GLSL and LOVE
// shaders are converted in place, rebuilt and drawn as a scene draws them.
//
// Orientation: the host's texture coordinate v_in.uv is (0, 0) at the top
// left of the picture, and the conversion maps a shader's pixel coordinate
// straight onto it. A converted shader's vertical coordinate therefore grows
// from the top row down (Shadertoy's grows from the bottom up): a picture
// drawn from the coordinate alone comes out upside down compared with
// Shadertoy, while an input sampled at the pixel's own coordinate stays
// upright.
#include "matting-fixture.h"

#include <filesystem>
#include <functional>
#include <map>

using namespace mattingtest;
using hosttest::pixel_near;
using namespace hosttest::colours;

namespace {

const char CONVERT[] = "shader_convert";

std::string shader_text(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_get_string(settings, "shader_text");
}

// Clicks the convert button of a fresh panel, made visible first (the
// panel creates it hidden); the result and the visibility afterwards.
std::pair<bool, bool> click_convert(obs_source_t *filter)
{
	obs_properties_t *props = obs_source_properties(filter);
	obs_property_t *button = obs_properties_get(props, CONVERT);
	EXPECT_TRUE(button);
	std::pair<bool, bool> click = {false, false};
	if (button) {
		obs_property_set_visible(button, true);
		click.first = obs_property_button_clicked(button, filter);
		click.second = obs_property_visible(button);
	}
	obs_properties_destroy(props);
	return click;
}

// What a user does: pastes the shader into the text of a working filter
// (editing the text does not rebuild).
void paste_shader(obs_source_t *filter, const std::string &shader)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "shader_text", shader.c_str());
	update_and_settle(filter, settings);
}

// Adds the matting filter, pastes the shader, presses convert and lets the
// rebuild run; the conversion must happen and the button hide.
obs_source_t *add_converted(obs_source_t *parent, const std::string &shader,
			    obs_data_t *extra = nullptr)
{
	obs_source_t *filter = add_matting(parent, PASS_THROUGH, extra);
	paste_shader(filter, shader);
	EXPECT_EQ(click_convert(filter), std::make_pair(true, false));
	settle();
	EXPECT_EQ(last_error(filter), "") << shader_text(filter);
	return filter;
}

obs_source_t *quadrants_source()
{
	// Red, green / blue, white, 64 x 32, top row first.
	obs_source_t *source = headless::make_image_source(
		"quadrants", hosttest::test_data("matting-quadrants.png"));
	for (int i = 0; i < 120 && !obs_source_get_width(source); i++)
		headless::wait_frames(1);
	EXPECT_EQ(obs_source_get_width(source), 64u);
	return source;
}

// The centres of the four quadrants of a 64 x 32 picture: top left, top
// right, bottom left, bottom right.
void expect_quadrants(const headless::Image &image,
		      std::array<uint32_t, 4> colours)
{
	ASSERT_EQ(image.width, 64u);
	ASSERT_EQ(image.height, 32u);
	for (int i = 0; i < 4; i++)
		EXPECT_TRUE(pixel_near(image.pixel(i % 2 ? 48 : 16,
						   i < 2 ? 8 : 24),
				       colours[i], 2))
			<< "quadrant " << i;
}

// Red follows the horizontal texture coordinate and green the vertical
// one, both from 0 at the top left to 1. The colour written is
// sRGB-encoded, so the scene's read-back gives it back.
void expect_uv_gradient(const headless::Image &image)
{
	ASSERT_FALSE(image.empty());
	const uint32_t w = image.width, h = image.height;
	for (uint32_t x = 0; x < w; x += 7)
		EXPECT_NEAR(image.at(x, h / 2)[0],
			    int(255.0 * (x + 0.5) / w + 0.5), 3)
			<< x;
	for (uint32_t y = 0; y < h; y += 5)
		EXPECT_NEAR(image.at(w / 2, y)[1],
			    int(255.0 * (y + 0.5) / h + 0.5), 3)
			<< y;
}

} // namespace

TEST(ShaderConvertButton, NothingToConvertChangesNothing)
{
	OBSSourceAutoRelease parent = make_input(8, 8, BLUE);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	// A text the conversion does not know (which texts those are: the
	// unit tests), stored without a reload: a rebuild would fail on it, so
	// an unchanged last_error and picture show that none happened.
	for (const char *text : {"", "float4 broken("}) {
		paste_shader(filter, text);
		EXPECT_EQ(click_convert(filter), std::make_pair(false, true))
			<< text;
		settle();
		EXPECT_EQ(shader_text(filter), text);
		EXPECT_EQ(last_error(filter), "") << text;
		EXPECT_TRUE(pixel_near(centre_pixel(parent), BLUE, 1));
	}
	// A convertible text beyond the button's cap (256 KB) stays as it is,
	// with the reason in last_error.
	const std::string shader = hosttest::read_test_data("shaders/shadertoy-uv-gradient.glsl");
	const auto padded = [&](size_t size) {
		return "//" + std::string(size - 3 - shader.size(), 'x') +
		       "\n" + shader;
	};
	paste_shader(filter, padded(256 * 1024 + 1));
	EXPECT_EQ(click_convert(filter), std::make_pair(false, true));
	EXPECT_EQ(shader_text(filter), padded(256 * 1024 + 1));
	EXPECT_NE(last_error(filter).find("too long to convert: 262145 bytes"),
		  std::string::npos);
	paste_shader(filter, padded(256 * 1024));
	EXPECT_EQ(click_convert(filter), std::make_pair(true, false));
	// The panel of the filter type alone has no instance behind its
	// button: the click does nothing.
	obs_properties_t *props = obs_get_source_properties(MATTING_FILTER_ID);
	obs_property_t *button = obs_properties_get(props, CONVERT);
	ASSERT_TRUE(button);
	EXPECT_FALSE(obs_property_button_clicked(button, nullptr));
	obs_properties_destroy(props);
}

TEST(ShaderConvertButton, ASecondChannelIsATextureParameterBoundBySourceName)
{
	// Its panel controls: the panel tests. Bound by name, it is drawn.
	OBSSourceAutoRelease parent = make_input(64, 32, RED);
	OBSSourceAutoRelease second =
		headless::make_color_source("velmora second", 64, 32, BLUE);
	OBSSourceAutoRelease filter = add_converted(
		parent, hosttest::read_test_data("shaders/shadertoy-channel-split.glsl"));
	const headless::Image unbound = headless::render_in_scene(parent);
	ASSERT_FALSE(unbound.empty());
	EXPECT_TRUE(pixel_near(unbound.pixel(16, 16), RED));
	EXPECT_FALSE(pixel_near(unbound.pixel(48, 16), BLUE));
	update_and_settle(filter,
			  json(R"({"iChannel1_source": "velmora second"})"));
	expect_quadrants(headless::render_in_scene(parent),
			 {RED, BLUE, RED, BLUE});
}

// Every shader of tests/data/shaders (Shadertoy, GLSL and LOVE, in the
// forms and with the constructs real shaders use) converts into its expected
// text (tests/data/convert), builds in a real filter and draws, without a
// host error, a picture that is not uniform, over the quadrants picture so
// that filters of the input show it too. The one whose first line says it does not build is there for
// --check's failure report. Some pictures are known exactly; "amount" and
// "offset" (love-effect.glsl) are set so that its picture is not black;
// the mouse (iMouse) is four sliders.
TEST(ShaderConvertButton, EveryTestShaderBuildsAndDraws)
{
	const auto quadrants = [](std::array<uint32_t, 4> colours) {
		return [=](const headless::Image &image) {
			expect_quadrants(image, colours);
		};
	};
	const std::map<std::string, std::function<void(const headless::Image &)>>
		pictures = {
			// Inverted and still upright: cyan, magenta, yellow, black.
			{"shadertoy-invert.glsl",
			 quadrants({0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF, 0xFF000000})},
			// Texel(tex, texture_coords + offset) samples the input
			// shifted by half its width.
			{"love-effect.glsl", quadrants({GREEN, 0, WHITE, 0})},
			{"shadertoy-uv-gradient.glsl", expect_uv_gradient},
			// The coordinate as fNormal, as gl_FragCoord over
			// u_resolution, as "varying vec2 pos".
			{"glsl-fnormal.glsl", expect_uv_gradient},
			{"glsl-gl-fragcoord.glsl", expect_uv_gradient},
			{"glsl-varying-pos.glsl", expect_uv_gradient},
		};
	OBSSourceAutoRelease parent = quadrants_source();
	int drawn = 0, sliders = 0;
	for (const auto &entry : std::filesystem::directory_iterator(
		     hosttest::test_data("shaders"))) {
		const std::string name = entry.path().filename().string();
		const std::string shader = hosttest::read_test_data("shaders/" + name);
		if (entry.path().extension() != ".glsl" ||
		    shader.find("does not build") < shader.find('\n'))
			continue;
		SCOPED_TRACE(name);
		OBSSourceAutoRelease filter = add_converted(
			parent, shader, json(R"({"amount": 1.0, "offset_0": 0.5})"));
		EXPECT_EQ(shader_text(filter),
			  hosttest::read_test_data("convert/" +
						   entry.path().stem().string() +
						   ".shader"));
		headless::clear_log();
		const headless::Image image = headless::render_in_scene(parent);
		ASSERT_FALSE(image.empty());
		EXPECT_EQ(headless::log_count("", LOG_ERROR), 0u);
		size_t i = 0; // the first byte that differs from the first pixel's
		while (i < image.rgba.size() &&
		       std::abs(int(image.rgba[i]) - int(image.rgba[i % 4])) <= 8)
			i++;
		EXPECT_LT(i, image.rgba.size()) << "uniform picture";
		if (pictures.count(name))
			pictures.at(name)(image);
		obs_properties_t *props = obs_source_properties(filter);
		for (const char *mouse : {"iMouse_0", "iMouse_1", "iMouse_2", "iMouse_3"})
			if (obs_property_t *slider = obs_properties_get(props, mouse)) {
				sliders++;
				EXPECT_TRUE(obs_property_visible(slider)) << mouse;
				EXPECT_EQ(obs_property_float_type(slider), OBS_NUMBER_SLIDER);
				EXPECT_EQ(obs_property_float_max(slider), 1000.0);
			}
		obs_properties_destroy(props);
		obs_source_filter_remove(parent, filter);
		drawn++;
	}
	EXPECT_GE(drawn, 50);
	EXPECT_EQ(sliders, 8); // shadertoy-features.glsl, st-mouse.glsl
}

// Matrix products on known vectors, as GLSL computes them: constructors
// fill columns, v * M multiplies by the columns (tests/data/matrix-products.glsl).
TEST(ShaderConvertButton, MatrixProductsAreGlslsOnOpenGl)
{
	OBSSourceAutoRelease parent = make_input(8, 8, BLUE);
	OBSSourceAutoRelease filter =
		add_converted(parent, hosttest::read_test_data("matrix-products.glsl"));
	// (0.1 + 0.05, 0.2 + 0.1, 0.2 + 0.4)
	EXPECT_TRUE(pixel_near(centre_pixel(parent), 0xFF994D26, 2))
		<< std::hex << centre_pixel(parent);
}
