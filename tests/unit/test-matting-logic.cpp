// The matting filter's arithmetic and text rules, on bare records. The
// values the host tests read back from the effect (the mapping of a
// 1920x1080 target, the keyer's packed green) are not repeated here.
#include "convert/convert-test-data.h"
#include "effect-text.h"
#include "gift/gift-effect.h"
#include "keyer-effect.h"
#include "matting/matting-annotations.h"
#include "matting/matting-colour.h"
#include "matting/matting-random.h"
#include "matting/matting-tick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::vector<int> draws;
size_t next_draw = 0;

float random_from(std::vector<int> scripted)
{
	draws = std::move(scripted);
	next_draw = 0;
	return matting_random_value([] { return draws[next_draw++]; });
}

template<typename T>
void annotate(matting_param &param, const char *name, gs_shader_param_type type,
	      T value)
{
	apply_annotation(param, name, type, &value, sizeof(value));
}

void annotate_text(matting_param &param, const char *name, const char *text)
{
	apply_annotation(param, name, GS_SHADER_PARAM_STRING, text,
			 strlen(text) + 1);
}

} // namespace

TEST(MattingRandom, DrawsBelow30003AndStepsByATenThousandth)
{
	EXPECT_FLOAT_EQ(random_from({30003, 32767, 30002}), 1.0f);
	EXPECT_FLOAT_EQ(random_from({0}), 0.0f);
	EXPECT_FLOAT_EQ(random_from({5}), 0.0001f);
}

// The built-in effects are files in the tree, built into the module: the
// module's texts are those files byte for byte.
TEST(BuiltinEffects, AreTheirFilesByteForByte)
{
	const std::pair<const char *, const char *> builtins[] = {
		{"src/effect/builtin/template.effect", EFFECT_TEMPLATE_TEXT},
		{"src/effect/builtin/technique.effect", EFFECT_TECHNIQUE_TEXT},
		{"src/effect/builtin/render-output.effect", RENDER_OUTPUT_EFFECT_TEXT},
		{"src/effect/builtin/keyer.shader", keyer_effect_text},
		{"src/gift/gift.effect", GIFT_EFFECT_TEXT},
	};
	for (const auto &[path, text] : builtins)
		EXPECT_EQ(read_file(std::string(VELMORA_SOURCE_DIR "/") + path),
			  text)
			<< path;
}

TEST(MattingColour, ClampsOutOfRangeComponentsAndRoundTrips)
{
	const float wild[4] = {2.0f, -1.0f, NAN, 1.0f};
	EXPECT_EQ(pack_colour(wild), 0xFF0000FFu);

	float rgba[4];
	unpack_colour(0x80FF3200, rgba);
	const float want[4] = {0.0f, 50.0f / 255.0f, 1.0f, 128.0f / 255.0f};
	for (int i = 0; i < 4; i++)
		EXPECT_FLOAT_EQ(rgba[i], want[i]);
	for (uint32_t colour : {0x00000000u, 0xFFFFFFFFu, 0x12345678u}) {
		unpack_colour(colour, rgba);
		EXPECT_EQ(pack_colour(rgba), colour);
	}
}

TEST(MattingAnnotations, OptionsInsertAtTheirIndexAndAppendPastTheEnd)
{
	matting_param param;
	param.type = GS_SHADER_PARAM_INT;
	for (auto [name, value] : {std::pair{"option_0", 10}, {"option_1", 20},
				   {"option_0", 5}, {"option_9", 99},
				   {"option_", 1}})
		annotate(param, name, GS_SHADER_PARAM_INT, int32_t(value));
	EXPECT_EQ(param.option_values,
		  (std::vector<int32_t>{1, 5, 10, 20, 99}));

	annotate_text(param, "option_1_label", "second");
	annotate_text(param, "option_0_label", "first");
	EXPECT_EQ(param.option_labels,
		  (std::vector<std::string>{"first", "second"}));
	EXPECT_EQ(option_index("option_12x"), 12u);
	EXPECT_EQ(option_index("option_-3"), 0u);
	EXPECT_EQ(option_index("option_99999999999999999999999"), SIZE_MAX);
}

TEST(MattingAnnotations, TextAnnotationsAndTheirTypes)
{
	matting_param param;
	param.type = GS_SHADER_PARAM_FLOAT;
	annotate_text(param, "label", "First");
	annotate_text(param, "name", "Second");
	annotate_text(param, "group", "Look");
	annotate(param, "group", GS_SHADER_PARAM_INT, 3);      // wrong type
	annotate(param, "label", GS_SHADER_PARAM_FLOAT, 1.0f); // wrong type
	annotate_text(param, "tooltip", "none");               // unknown
	EXPECT_EQ(param.label, "Second");
	EXPECT_EQ(param.group, "Look");

	// A text without its terminating zero is read within its size.
	apply_annotation(param, "label", GS_SHADER_PARAM_STRING, "abcdef", 3);
	EXPECT_EQ(param.label, "abc");
}

TEST(MattingAnnotations, RangesFollowTheParametersType)
{
	matting_param number;
	number.type = GS_SHADER_PARAM_FLOAT;
	annotate(number, "minimum", GS_SHADER_PARAM_FLOAT, -2.5f);
	annotate(number, "maximum", GS_SHADER_PARAM_INT, 7);
	const float vector[3] = {0.25f, 9.0f, 9.0f};
	apply_annotation(number, "step", GS_SHADER_PARAM_VEC3, vector,
			 sizeof(vector));
	EXPECT_DOUBLE_EQ(number.minimum.number, -2.5);
	EXPECT_DOUBLE_EQ(number.maximum.number, 7.0);
	EXPECT_DOUBLE_EQ(number.step.number, 0.25);

	matting_param integer;
	integer.type = GS_SHADER_PARAM_INT;
	annotate(integer, "minimum", GS_SHADER_PARAM_INT, -4);
	annotate(integer, "maximum", GS_SHADER_PARAM_FLOAT, 99.6f);
	annotate(integer, "step", GS_SHADER_PARAM_FLOAT, 1e12f);
	EXPECT_EQ(integer.minimum.integer, -4);
	EXPECT_EQ(integer.maximum.integer, 100);
	EXPECT_EQ(integer.step.integer, INT32_MAX);
}

TEST(MattingTick, MarginsAreCutInProportionToWhatAFrameCarries)
{
	// Four canvases, at least the target, at most 8192 x 8192.
	EXPECT_EQ(frame_pixel_budget(1280 * 720, 256), 4u * 1280 * 720);
	EXPECT_EQ(frame_pixel_budget(1280 * 720, 3000 * 2000), 3000u * 2000);
	EXPECT_EQ(frame_pixel_budget(7680 * 4320, 256), 8192u * 8192);
	const frame_limits limits = {16384, 8192u * 8192u};
	struct Case {
		uint32_t base_width, base_height;
		margin_set asked;
		int32_t width, height; // as drawn
	};
	const Case cases[] = {
		{16000, 8, {0, 9999, 0, 0}, 16384, 8},
		// 23838 x 22158 asked; 2617 of each margin fit.
		{3840, 2160, {9999, 9999, 9999, 9999}, 9074, 7394},
		// The base alone is more than a frame carries: no margins.
		{20000, 4000, {5, 5, 5, 5}, 20000, 4000},
		// An empty target.
		{0, 0, {4, 0, 0, 0}, 4, 0},
	};
	for (const Case &c : cases) {
		matting_filter filter;
		filter.expand_left = c.asked.left;
		filter.expand_right = c.asked.right;
		filter.expand_top = c.asked.top;
		filter.expand_bottom = c.asked.bottom;
		tick_mapping(&filter, c.base_width, c.base_height, limits);
		EXPECT_EQ(filter.total_width, c.width) << c.base_width;
		EXPECT_EQ(filter.total_height, c.height) << c.base_width;
		EXPECT_EQ(filter.asked_width,
			  int32_t(c.base_width) + c.asked.left + c.asked.right);
		for (float value : {filter.uv_scale.x, filter.uv_scale.y,
				    filter.uv_offset.x, filter.uv_offset.y,
				    filter.uv_pixel_interval.x,
				    filter.uv_pixel_interval.y})
			EXPECT_TRUE(std::isfinite(value));
		if (c.base_width == 3840) {
			EXPECT_FLOAT_EQ(filter.uv_offset.x, -2617.0f / 3840.0f);
		}
	}
}

TEST(MattingTick, LoopsCountSecondsOncePerTickAndWrap)
{
	// 1/64 s adds up exactly: the 64th tick reaches 1.0 without passing
	// it, the 65th passes it and keeps the excess.
	matting_filter filter;
	for (int tick = 1; tick <= 64; tick++)
		tick_clocks(&filter, 1.0f / 64.0f);
	EXPECT_EQ(filter.loops, 0);
	EXPECT_FLOAT_EQ(filter.loop_second, 1.0f);
	tick_clocks(&filter, 1.0f / 64.0f);
	EXPECT_EQ(filter.loops, 1);
	EXPECT_FLOAT_EQ(filter.loop_second, 1.0f / 64.0f);
	EXPECT_FLOAT_EQ(filter.start_time, 1.0f / 64.0f);

	// A long tick counts one loop; the next tick counts the rest.
	matting_filter slow;
	tick_clocks(&slow, 2.5f);
	EXPECT_EQ(slow.loops, 1);
	EXPECT_FLOAT_EQ(slow.loop_second, 1.5f);
	tick_clocks(&slow, 0.0f);
	EXPECT_EQ(slow.loops, 2);
	EXPECT_FLOAT_EQ(slow.loop_second, 0.5f);

	matting_filter wrapping;
	wrapping.loops = LOOPS_WRAP - 1;
	wrapping.loop_second = 1.0f;
	tick_clocks(&wrapping, 0.5f);
	EXPECT_EQ(wrapping.loops, -LOOPS_WRAP);
}

TEST(MattingTick, EnableEdgeAndParentTimers)
{
	matting_filter filter;
	filter.elapsed_time = 3.0f;
	tick_enable_state(&filter, 0.1f, true, true, true);
	EXPECT_FLOAT_EQ(filter.enable_time, 3.0f);
	EXPECT_FLOAT_EQ(filter.active_time, 0.1f);
	EXPECT_FLOAT_EQ(filter.shown_time, 0.1f);

	filter.elapsed_time = 4.0f;
	tick_enable_state(&filter, 0.1f, true, true, false);
	EXPECT_FLOAT_EQ(filter.enable_time, 3.0f);
	EXPECT_FLOAT_EQ(filter.active_time, 0.2f);
	EXPECT_FLOAT_EQ(filter.shown_time, 0.0f);

	tick_enable_state(&filter, 0.1f, false, true, true);
	EXPECT_FLOAT_EQ(filter.active_time, 0.0f);
	EXPECT_FLOAT_EQ(filter.shown_time, 0.0f);
	filter.elapsed_time = 5.0f;
	tick_enable_state(&filter, 0.1f, true, true, true);
	EXPECT_FLOAT_EQ(filter.enable_time, 5.0f);
}

TEST(EffectText, OpenGLAdaptationAndThePremultipliedMarker)
{
	std::string text = "[loop] for (;;) {} [loop][loop]x";
	adapt_effect_text_for_opengl(text);
	EXPECT_EQ(text, "#define OPENGL 1\n for (;;) {} x");
	EXPECT_TRUE(effect_text_uses_pm_alpha("// #define USE_PM_ALPHA 1\n"));
	EXPECT_FALSE(effect_text_uses_pm_alpha("#define USE_PM_ALPHA 0\n"));
}
