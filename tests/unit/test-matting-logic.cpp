// The matting filter's arithmetic and text rules, on bare records.
#include "matting/effect-text.h"
#include "matting/matting-annotations.h"
#include "matting/matting-colour.h"
#include "matting/matting-random.h"
#include "matting/matting-tick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::vector<int> scripted_draws;
size_t next_draw = 0;

int scripted(void)
{
	return scripted_draws[next_draw++];
}

float random_from(std::vector<int> draws)
{
	scripted_draws = std::move(draws);
	next_draw = 0;
	return matting_random_value(scripted);
}

int counter = 0;
int counting(void)
{
	return counter++;
}

void annotate_int(matting_param &param, const char *name, int32_t value)
{
	apply_annotation(param, name, GS_SHADER_PARAM_INT, &value,
			 sizeof(value));
}

void annotate_float(matting_param &param, const char *name, float value)
{
	apply_annotation(param, name, GS_SHADER_PARAM_FLOAT, &value,
			 sizeof(value));
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
	EXPECT_EQ(next_draw, 3u);
	EXPECT_FLOAT_EQ(random_from({0}), 0.0f);
	EXPECT_FLOAT_EQ(random_from({5}), 0.0001f);

	counter = 0;
	for (int i = 0; i < 30003; i++) {
		const float value = matting_random_value(counting);
		ASSERT_GE(value, 0.0f);
		ASSERT_LE(value, 1.0f);
		const double steps = double(value) * 10000.0;
		ASSERT_NEAR(steps, std::round(steps), 1e-3);
		ASSERT_NEAR(steps, double(i / 3), 1e-3);
	}
}

TEST(MattingColour, PacksRedLowAndClampsOutOfRangeComponents)
{
	const float keyer_green[4] = {0.505882f, 0.772549f, 0.196078f, 1.0f};
	EXPECT_EQ(pack_colour(keyer_green), 0xFF32C581u);

	const float wild[4] = {2.0f, -1.0f, NAN, 1.0f};
	EXPECT_EQ(pack_colour(wild), 0xFF0000FFu);

	float rgba[4];
	unpack_colour(0xFFFFFFFF, rgba);
	for (float component : rgba)
		EXPECT_FLOAT_EQ(component, 1.0f);
	unpack_colour(0x80FF3200, rgba);
	EXPECT_FLOAT_EQ(rgba[0], 0.0f);
	EXPECT_FLOAT_EQ(rgba[1], 50.0f / 255.0f);
	EXPECT_FLOAT_EQ(rgba[2], 1.0f);
	EXPECT_FLOAT_EQ(rgba[3], 128.0f / 255.0f);
	for (uint32_t colour : {0x00000000u, 0xFF32C581u, 0x12345678u}) {
		unpack_colour(colour, rgba);
		EXPECT_EQ(pack_colour(rgba), colour);
	}
}

TEST(MattingAnnotations, OptionsInsertAtTheirIndexAndAppendPastTheEnd)
{
	matting_param param;
	param.type = GS_SHADER_PARAM_INT;
	annotate_int(param, "option_0", 10);
	annotate_int(param, "option_1", 20);
	annotate_int(param, "option_0", 5);
	EXPECT_EQ(param.option_values, (std::vector<int32_t>{5, 10, 20}));

	annotate_int(param, "option_9", 99);
	annotate_int(param, "option_", 1);
	EXPECT_EQ(param.option_values,
		  (std::vector<int32_t>{1, 5, 10, 20, 99}));

	annotate_text(param, "option_1_label", "second");
	annotate_text(param, "option_0_label", "first");
	EXPECT_EQ(param.option_labels,
		  (std::vector<std::string>{"first", "second"}));
	EXPECT_EQ(option_index("option_12x"), 12u);
	EXPECT_EQ(option_index("option_-3"), 0u);
	EXPECT_EQ(option_index("option_99999999999999999999999"),
		  SIZE_MAX);
}

TEST(MattingAnnotations, TextAnnotationsAndTheirTypes)
{
	matting_param param;
	param.type = GS_SHADER_PARAM_FLOAT;
	annotate_text(param, "label", "First");
	annotate_text(param, "name", "Second");
	annotate_text(param, "widget_type", "slider");
	annotate_text(param, "group", "Look");
	annotate_int(param, "group", 3);        // wrong type: ignored
	annotate_float(param, "label", 1.0f);   // wrong type: ignored
	annotate_text(param, "tooltip", "none"); // unknown: ignored
	EXPECT_EQ(param.label, "Second");
	EXPECT_EQ(param.widget_type, "slider");
	EXPECT_EQ(param.group, "Look");

	// A text without its terminating zero is read within its size.
	apply_annotation(param, "label", GS_SHADER_PARAM_STRING, "abcdef", 3);
	EXPECT_EQ(param.label, "abc");
}

TEST(MattingAnnotations, RangesFollowTheParametersType)
{
	matting_param number;
	number.type = GS_SHADER_PARAM_FLOAT;
	annotate_float(number, "minimum", -2.5f);
	annotate_int(number, "maximum", 7);
	const float vector[3] = {0.25f, 9.0f, 9.0f};
	apply_annotation(number, "step", GS_SHADER_PARAM_VEC3, vector,
			 sizeof(vector));
	EXPECT_DOUBLE_EQ(number.minimum.number, -2.5);
	EXPECT_DOUBLE_EQ(number.maximum.number, 7.0);
	EXPECT_DOUBLE_EQ(number.step.number, 0.25);

	matting_param integer;
	integer.type = GS_SHADER_PARAM_INT;
	annotate_int(integer, "minimum", -4);
	annotate_float(integer, "maximum", 99.6f);
	annotate_float(integer, "step", 1e12f);
	EXPECT_EQ(integer.minimum.integer, -4);
	EXPECT_EQ(integer.maximum.integer, 100);
	EXPECT_EQ(integer.step.integer, INT32_MAX);
}

TEST(MattingTick, MappingForA1920x1080TargetWithMargins)
{
	matting_filter filter;
	filter.expand_left = 10;
	filter.expand_right = 20;
	filter.expand_top = 5;
	filter.expand_bottom = 0;
	tick_mapping(&filter, 1920, 1080);
	EXPECT_EQ(filter.total_width, 1950);
	EXPECT_EQ(filter.total_height, 1085);
	EXPECT_FLOAT_EQ(filter.uv_scale.x, 1950.0f / 1920.0f);
	EXPECT_FLOAT_EQ(filter.uv_scale.y, 1085.0f / 1080.0f);
	EXPECT_FLOAT_EQ(filter.uv_offset.x, -10.0f / 1920.0f);
	EXPECT_FLOAT_EQ(filter.uv_offset.y, -5.0f / 1080.0f);
	EXPECT_FLOAT_EQ(filter.uv_pixel_interval.x, 1.0f / 1920.0f);
	EXPECT_FLOAT_EQ(filter.uv_pixel_interval.y, 1.0f / 1080.0f);
	EXPECT_FLOAT_EQ(filter.uv_size.x, 1950.0f);
	EXPECT_FLOAT_EQ(filter.uv_size.y, 1085.0f);
}

TEST(MattingTick, AnEmptyTargetGivesFiniteValues)
{
	matting_filter filter;
	filter.expand_left = 4;
	tick_mapping(&filter, 0, 0);
	EXPECT_EQ(filter.total_width, 4);
	EXPECT_EQ(filter.total_height, 0);
	for (float value : {filter.uv_scale.x, filter.uv_scale.y,
			    filter.uv_offset.x, filter.uv_offset.y,
			    filter.uv_pixel_interval.x,
			    filter.uv_pixel_interval.y})
		EXPECT_TRUE(std::isfinite(value));
	EXPECT_FLOAT_EQ(filter.uv_scale.x, 1.0f);
	EXPECT_FLOAT_EQ(filter.uv_pixel_interval.x, 0.0f);
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
	EXPECT_FLOAT_EQ(filter.elapsed_time, 65.0f / 64.0f);
	EXPECT_FLOAT_EQ(filter.start_time, 1.0f / 64.0f);

	// 60 ticks of 1/60 s: loop_second plus loops tracks the time.
	matting_filter sixty;
	for (int tick = 1; tick <= 60; tick++)
		tick_clocks(&sixty, 1.0f / 60.0f);
	EXPECT_NEAR(sixty.loops + sixty.loop_second, 1.0f, 1e-5);
	EXPECT_NEAR(sixty.elapsed_time, 1.0f, 1e-5);

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
