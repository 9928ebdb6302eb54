// The panel's decisions from a parameter record: texts, ranges and their
// fallbacks, select entries, the effect-file rule and the source order.
#include "matting/matting-panel-rules.h"

#include <gtest/gtest.h>

namespace {

matting_param float_param(double minimum, double maximum, double step)
{
	matting_param param;
	param.type = GS_SHADER_PARAM_FLOAT;
	param.minimum.number = minimum;
	param.maximum.number = maximum;
	param.step.number = step;
	return param;
}

matting_param int_param(int64_t minimum, int64_t maximum, int64_t step)
{
	matting_param param;
	param.type = GS_SHADER_PARAM_INT;
	param.minimum.integer = minimum;
	param.maximum.integer = maximum;
	param.step.integer = step;
	return param;
}

} // namespace

TEST(PanelRules, DisplayTextIsTheLabelOrTheNameWithSpaces)
{
	matting_param param;
	param.name = "Matte_offset_x";
	EXPECT_EQ(param_display_text(param), "Matte offset x");
	param.label = "x偏移(没事别动)默认0";
	EXPECT_EQ(param_display_text(param), "x偏移(没事别动)默认0");
	param.label.clear();
	param.name = "__";
	EXPECT_EQ(param_display_text(param), "  ");
}

TEST(PanelRules, RangesAndTheirFallbacks)
{
	// No range annotations: everything zero.
	float_range f = param_float_range(float_param(0, 0, 0));
	EXPECT_EQ(f.minimum, -1000.0);
	EXPECT_EQ(f.maximum, 1000.0);
	EXPECT_EQ(f.step, 0.0001);
	int_range i = param_int_range(int_param(0, 0, 0));
	EXPECT_EQ(i.minimum, -1000);
	EXPECT_EQ(i.maximum, 1000);
	EXPECT_EQ(i.step, 1);

	// Equal bounds with a step still fall back as a whole.
	f = param_float_range(float_param(5, 5, 0.5));
	EXPECT_EQ(f.minimum, -1000.0);
	EXPECT_EQ(f.step, 0.0001);

	// A declared range is kept.
	f = param_float_range(float_param(0.0, 1000.0, 1.0));
	EXPECT_EQ(f.minimum, 0.0);
	EXPECT_EQ(f.maximum, 1000.0);
	EXPECT_EQ(f.step, 1.0);
	i = param_int_range(int_param(-3, 12, 3));
	EXPECT_EQ(i.minimum, -3);
	EXPECT_EQ(i.maximum, 12);
	EXPECT_EQ(i.step, 3);

	// A range without a usable step keeps its bounds, not a zero step.
	f = param_float_range(float_param(0.0, 2.0, 0.0));
	EXPECT_EQ(f.maximum, 2.0);
	EXPECT_EQ(f.step, 0.0001);
	f = param_float_range(float_param(0.0, 2.0, -1.0));
	EXPECT_EQ(f.step, 0.0001);
	i = param_int_range(int_param(0, 10, 0));
	EXPECT_EQ(i.maximum, 10);
	EXPECT_EQ(i.step, 1);
}

TEST(PanelRules, SelectEntriesFollowTheValues)
{
	matting_param param;
	param.option_values = {10, 20, 30};
	param.option_labels = {"ten", "twenty"};
	auto entries = param_select_entries(param);
	ASSERT_EQ(entries.size(), 3u);
	EXPECT_EQ(entries[0], std::make_pair(std::string("ten"), 10));
	EXPECT_EQ(entries[1], std::make_pair(std::string("twenty"), 20));
	// A value without a text shows its number.
	EXPECT_EQ(entries[2], std::make_pair(std::string("30"), 30));

	// Texts without values give no entries.
	param.option_values = {-1};
	param.option_labels = {"off", "on", "auto"};
	entries = param_select_entries(param);
	ASSERT_EQ(entries.size(), 1u);
	EXPECT_EQ(entries[0], std::make_pair(std::string("off"), -1));
}

TEST(PanelRules, EffectFileNamesSetOrClearTheOverride)
{
	EXPECT_EQ(override_for_file_name("/x/keyer.effect"), true);
	EXPECT_EQ(override_for_file_name("/x/keyer.shader"), false);
	EXPECT_EQ(override_for_file_name("a.effect"), true);  // 8 characters
	EXPECT_EQ(override_for_file_name(".effect"), std::nullopt); // 7
	EXPECT_EQ(override_for_file_name(".shader"), std::nullopt);
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
