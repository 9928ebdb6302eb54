// The alpha-packed video effect on its own: compiled from the module's text,
// each technique drawn over a small packed texture and read back.
#include "host-environment.h"

#include "gift/gift-effect.h"

#include <array>
#include <functional>

namespace {

// Quadrants of a 4x4 texture (2x2 texels each), RGBA.
const uint32_t TOP_LEFT = 0xFF3C28C8;     // r 200
const uint32_t TOP_RIGHT = 0xFFDCA05A;    // r 90
const uint32_t BOTTOM_LEFT = 0xFF1E8C46;  // r 70
const uint32_t BOTTOM_RIGHT = 0xFF6432F0; // r 240

uint32_t quadrant(uint32_t x, uint32_t y)
{
	if (y < 2)
		return x < 2 ? TOP_LEFT : TOP_RIGHT;
	return x < 2 ? BOTTOM_LEFT : BOTTOM_RIGHT;
}

// rgb of colour with the alpha taken from the red channel of mask.
uint32_t recombined(uint32_t colour, uint32_t mask)
{
	return (colour & 0x00FFFFFF) | (mask & 0xFF) << 24;
}

gs_texture_t *quadrant_texture()
{
	std::array<uint8_t, 4 * 4 * 4> texels;
	for (uint32_t y = 0; y < 4; y++)
		for (uint32_t x = 0; x < 4; x++)
			for (int c = 0; c < 4; c++)
				texels[(y * 4 + x) * 4 + c] =
					uint8_t(quadrant(x, y) >> (8 * c));
	const uint8_t *data = texels.data();
	return gs_texture_create(4, 4, GS_RGBA, 1, &data, 0);
}

struct Packing {
	bool top_bottom = false;
	bool left_right = true;
};

void set_packing(gs_effect_t *effect, const Packing &packing)
{
	gs_effect_set_bool(gs_effect_get_param_by_name(effect,
						       "stereo_top_bottom"),
			   packing.top_bottom);
	gs_effect_set_bool(gs_effect_get_param_by_name(effect,
						       "stereo_left_right"),
			   packing.left_right);
}

// Draws technique over texture at width x height without blending and
// returns the top-left pixel (0xAABBGGRR). Values set on the effect last
// for one draw; set_values sets them.
uint32_t draw_top_left(gs_effect_t *effect, gs_texture_t *texture,
		       const char *technique, uint32_t width, uint32_t height,
		       const std::function<void()> &set_values = {})
{
	gs_texrender_t *target = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
	uint32_t pixel = 0x12345678;
	if (gs_texrender_begin(target, width, height)) {
		vec4 clear;
		vec4_zero(&clear);
		gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
		gs_ortho(0.0f, float(width), 0.0f, float(height), -100.0f,
			 100.0f);
		gs_blend_state_push();
		gs_enable_blending(false);
		gs_effect_set_texture(gs_effect_get_param_by_name(effect, "image"),
				      texture);
		if (set_values)
			set_values();
		while (gs_effect_loop(effect, technique))
			gs_draw_sprite(texture, 0, width, height);
		gs_blend_state_pop();
		gs_texrender_end(target);

		const headless::Image image = headless::read_texture_now(
			gs_texrender_get_texture(target));
		if (!image.empty())
			pixel = image.pixel(0, 0);
	}
	gs_texrender_destroy(target);
	return pixel;
}

void set_vec2(gs_effect_t *effect, const char *name, float x, float y)
{
	vec2 value;
	vec2_set(&value, x, y);
	gs_effect_set_vec2(gs_effect_get_param_by_name(effect, name), &value);
}

} // namespace

TEST(GiftEffect, TechniquesTakeColourAndAlphaFromTheirHalves)
{
	struct Case {
		const char *technique;
		Packing packing;
		uint32_t width, height; // one texel of each half per pixel
		uint32_t expected;
	};
	const Packing left_right;
	const Packing top_bottom = {true, false};
	const Case cases[] = {
		{"DrawHorizontalAlphaLeft", left_right, 2, 4,
		 recombined(TOP_RIGHT, TOP_LEFT)},
		{"DrawHorizontalAlphaRight", left_right, 2, 4,
		 recombined(TOP_LEFT, TOP_RIGHT)},
		{"DrawVerticalAlphaTop", left_right, 2, 4,
		 recombined(TOP_RIGHT, TOP_LEFT)},
		{"DrawVerticalAlphaBottom", left_right, 2, 4,
		 recombined(TOP_LEFT, TOP_RIGHT)},
		// Top-bottom packing: colour from the top half for "Top".
		{"DrawVerticalAlphaTop", top_bottom, 4, 2,
		 recombined(TOP_LEFT, BOTTOM_LEFT)},
		{"DrawVerticalAlphaBottom", top_bottom, 4, 2,
		 recombined(BOTTOM_LEFT, TOP_LEFT)},
	};
	headless::clear_log();
	headless::on_graphics_thread([&] {
		gs_effect_t *effect = gift_effect_create();
		ASSERT_NE(effect, nullptr);
		gs_texture_t *texture = quadrant_texture();
		for (const Case &c : cases)
			EXPECT_TRUE(hosttest::pixel_near(
				draw_top_left(effect, texture, c.technique,
					      c.width, c.height,
					      [&] {
						      set_packing(effect,
								  c.packing);
					      }),
				c.expected, 0))
				<< c.technique;
		gs_texture_destroy(texture);
		gs_effect_destroy(effect);
	});
	EXPECT_FALSE(headless::log_contains("", LOG_ERROR));
}

TEST(GiftEffect, DrawShowsThePartThatMulAndAddSelect)
{
	headless::on_graphics_thread([] {
		gs_effect_t *effect = gift_effect_create();
		ASSERT_NE(effect, nullptr);
		// The filter sets "multiplier" only where an effect has it.
		EXPECT_EQ(gs_effect_get_param_by_name(effect, "multiplier"),
			  nullptr);
		gs_texture_t *texture = quadrant_texture();

		// Defaults (0.5, 1) and (0.5, 0): the right half.
		EXPECT_TRUE(hosttest::pixel_near(
			draw_top_left(effect, texture, "Draw", 2, 4),
			TOP_RIGHT, 0));
		EXPECT_TRUE(hosttest::pixel_near(
			draw_top_left(effect, texture, "Draw", 2, 2,
				      [&] {
					      set_vec2(effect, "mul_val", 0.5f,
						       0.5f);
					      set_vec2(effect, "add_val", 0.0f,
						       0.5f);
				      }),
			BOTTOM_LEFT, 0));
		// Outside the frame: transparent black.
		EXPECT_TRUE(hosttest::pixel_near(
			draw_top_left(effect, texture, "Draw", 2, 2,
				      [&] {
					      set_vec2(effect, "add_val", -2.0f,
						       0.0f);
				      }),
			0x00000000, 0));

		gs_texture_destroy(texture);
		gs_effect_destroy(effect);
	});
}
