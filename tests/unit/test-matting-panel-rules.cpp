// The panel's decisions that the host tests do not reach: ranges without a
// usable step, names at the edge of the effect-file rule, and the byte
// order of source names.
#include "matting/matting-panel-rules.h"

#include <gtest/gtest.h>

TEST(PanelRules, ARangeWithoutAUsableStepKeepsItsBounds)
{
	matting_param f;
	f.type = GS_SHADER_PARAM_FLOAT;
	f.minimum.number = 0.0;
	f.maximum.number = 2.0;
	for (double step : {0.0, -1.0}) {
		f.step.number = step;
		const float_range range = param_float_range(f);
		EXPECT_EQ(range.minimum, 0.0);
		EXPECT_EQ(range.maximum, 2.0);
		EXPECT_EQ(range.step, 0.0001);
	}
	// Equal bounds fall back as a whole, step included.
	f.maximum.number = 0.0;
	f.step.number = 0.5;
	EXPECT_EQ(param_float_range(f).maximum, 1000.0);
	EXPECT_EQ(param_float_range(f).step, 0.0001);

	matting_param i;
	i.type = GS_SHADER_PARAM_INT;
	i.minimum.integer = 0;
	i.maximum.integer = 10;
	const int_range range = param_int_range(i);
	EXPECT_EQ(range.maximum, 10);
	EXPECT_EQ(range.step, 1);
}

TEST(PanelRules, EffectFileNamesAtTheEdges)
{
	EXPECT_EQ(override_for_file_name("a.effect"), true); // 8 characters
	EXPECT_EQ(override_for_file_name("a.shader"), false);
	EXPECT_EQ(override_for_file_name(".effect"), std::nullopt);
	EXPECT_EQ(override_for_file_name(""), std::nullopt);
	EXPECT_EQ(override_for_file_name("/x/keyer.EFFECT"), std::nullopt);
	EXPECT_EQ(override_for_file_name("/x/keyer.hlsl"), std::nullopt);
}

TEST(PanelRules, SourceNamesGoInByteOrder)
{
	std::vector<std::string> names;
	for (const char *name : {"b", "B", "a", "é", "b", "A1", ""})
		names.insert(names.begin() + std::ptrdiff_t(
						     sorted_insert_position(
							     names, name)),
			     name);
	const std::vector<std::string> expected = {"",  "A1", "B", "a",
						   "b", "b",  "é"};
	EXPECT_EQ(names, expected);
}
