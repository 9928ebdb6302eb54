// The alpha-packed video effect on its own: compiled from the module's text,
// each technique drawn over a small packed texture and read back.
#include "host-environment.h"

#include "gift/gift-effect.h"

#include <functional>

namespace {

// Quadrants of a 4x4 texture (2x2 texels each), RGBA.
const uint32_t TOP_LEFT = 0xFF3C28C8;     // r 200
const uint32_t TOP_RIGHT = 0xFFDCA05A;    // r 90
const uint32_t BOTTOM_LEFT = 0xFF1E8C46;  // r 70
const uint32_t BOTTOM_RIGHT = 0xFF6432F0; // r 240

// rgb of colour with the alpha taken from the red channel of mask.
uint32_t recombined(uint32_t colour, uint32_t mask)
{
	return (colour & 0x00FFFFFF) | (mask & 0xFF) << 24;
}

gs_texture_t *quadrant_texture()
{
	uint32_t texels[16];
	for (uint32_t i = 0; i < 16; i++)
		texels[i] = i >= 8 ? (i % 4 >= 2 ? BOTTOM_RIGHT : BOTTOM_LEFT)
				   : (i % 4 >= 2 ? TOP_RIGHT : TOP_LEFT);
	const uint8_t *data = reinterpret_cast<const uint8_t *>(texels);
	return gs_texture_create(4, 4, GS_RGBA, 1, &data, 0);
}

void set_vec2(gs_effect_t *effect, const char *name, float x, float y)
{
	vec2 value;
	vec2_set(&value, x, y);
	gs_effect_set_vec2(gs_effect_get_param_by_name(effect, name), &value);
}

// Draws technique over texture at width x height without blending and
// returns the top-left pixel (0xAABBGGRR). Values set on the effect last
// for one draw; set_values sets them.
uint32_t draw_top_left(gs_effect_t *effect, gs_texture_t *texture,
		       const char *technique, uint32_t width, uint32_t height,
		       const std::function<void()> &set_values)
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

} // namespace

TEST(GiftEffect, TechniquesTakeColourAndAlphaFromTheirHalves)
{
	// Left-right packing unless top_bottom; "Draw" shows the part that
	// mul_val and add_val select (defaults (0.5, 1) and (0.5, 0)).
	struct Case {
		const char *technique;
		bool top_bottom;
		uint32_t width, height; // one texel of each half per pixel
		float mul_y, add_x, add_y; // for "Draw"; mul_y 0: not set
		uint32_t expected;
	} cases[] = {
		{"DrawHorizontalAlphaLeft", false, 2, 4, 0, 0, 0,
		 recombined(TOP_RIGHT, TOP_LEFT)},
		{"DrawHorizontalAlphaRight", false, 2, 4, 0, 0, 0,
		 recombined(TOP_LEFT, TOP_RIGHT)},
		{"DrawVerticalAlphaTop", false, 2, 4, 0, 0, 0,
		 recombined(TOP_RIGHT, TOP_LEFT)},
		{"DrawVerticalAlphaBottom", false, 2, 4, 0, 0, 0,
		 recombined(TOP_LEFT, TOP_RIGHT)},
		// Top-bottom packing: colour from the top half for "Top".
		{"DrawVerticalAlphaTop", true, 4, 2, 0, 0, 0,
		 recombined(TOP_LEFT, BOTTOM_LEFT)},
		{"DrawVerticalAlphaBottom", true, 4, 2, 0, 0, 0,
		 recombined(BOTTOM_LEFT, TOP_LEFT)},
		{"Draw", false, 2, 4, 0, 0, 0, TOP_RIGHT}, // the defaults
		{"Draw", false, 2, 2, 0.5f, 0.0f, 0.5f, BOTTOM_LEFT},
		// Outside the frame: transparent black.
		{"Draw", false, 2, 2, 1.0f, -2.0f, 0.0f, 0x00000000},
	};
	headless::clear_log();
	headless::on_graphics_thread([&] {
		gs_effect_t *effect = gift_effect_create();
		ASSERT_NE(effect, nullptr);
		gs_texture_t *texture = quadrant_texture();
		for (const Case &c : cases) {
			auto set_values = [&] {
				auto param = [&](const char *name) {
					return gs_effect_get_param_by_name(effect, name);
				};
				gs_effect_set_bool(param("stereo_top_bottom"), c.top_bottom);
				gs_effect_set_bool(param("stereo_left_right"), !c.top_bottom);
				if (c.mul_y == 0)
					return;
				set_vec2(effect, "mul_val", 0.5f, c.mul_y);
				set_vec2(effect, "add_val", c.add_x, c.add_y);
			};
			EXPECT_TRUE(hosttest::pixel_near(
				draw_top_left(effect, texture, c.technique,
					      c.width, c.height, set_values),
				c.expected, 0))
				<< c.technique << " " << c.width << "x"
				<< c.height;
		}
		gs_texture_destroy(texture);
		gs_effect_destroy(effect);
	});
	EXPECT_FALSE(headless::log_contains("", LOG_ERROR));
}
