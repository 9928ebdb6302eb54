// The panel's decisions that the host tests do not repeat: range
// fallbacks, names at the edge of the effect-file rule, and the byte order
// of source names.
#include "matting/matting-panel-rules.h"

#include <gtest/gtest.h>

TEST(PanelRules, RangesWithoutBoundsOrAUsableStepFallBack)
{
	// Annotated minimum, maximum and step; the range the control gets.
	const struct {
		double min, max, step, want_min, want_max, want_step;
	} cases[] = {
		{0, 8, 2, 0, 8, 2},
		{0, 2, 0, 0, 2, -1}, // -1: the type's fallback step
		{0, 2, -1, 0, 2, -1},
		// Equal bounds (no annotations) fall back as a whole.
		{0, 0, 0.5, -1000, 1000, -1},
		{3, 3, 2, -1000, 1000, -1},
	};
	for (const auto &c : cases) {
		matting_param f, i;
		f.minimum.number = c.min, f.maximum.number = c.max;
		f.step.number = c.step;
		i.minimum.integer = int(c.min), i.maximum.integer = int(c.max);
		i.step.integer = int(c.step);
		const float_range fr = param_float_range(f);
		const int_range ir = param_int_range(i);
		SCOPED_TRACE(std::to_string(c.min) + " " + std::to_string(c.max) +
			     " " + std::to_string(c.step));
		EXPECT_EQ(fr.minimum, c.want_min);
		EXPECT_EQ(fr.maximum, c.want_max);
		EXPECT_EQ(ir.minimum, int(c.want_min));
		EXPECT_EQ(ir.maximum, int(c.want_max));
		if (c.want_step > 0) {
			EXPECT_EQ(fr.step, c.want_step);
			EXPECT_EQ(ir.step, int(c.want_step));
		} else {
			EXPECT_EQ(fr.step, 0.0001);
			EXPECT_EQ(ir.step, 1);
		}
	}
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
