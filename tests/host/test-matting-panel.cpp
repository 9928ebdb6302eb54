// The fixed part of the properties panel: hidden controls, the error line,
// and the callbacks that decide when the effect is rebuilt.
#include "matting-fixture.h"
#include "matting/matting-filter.h"

using namespace mattingtest;

namespace {

matting_filter *record_of(obs_source_t *filter)
{
	return static_cast<matting_filter *>(obs_obj_get_data(filter));
}

// Changes one setting the way the panel does: the value, then the
// property's modified callback.
void change_in_panel(obs_source_t *filter, const char *key,
		     const std::function<void(obs_data_t *)> &set)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	set(settings);
	obs_properties_t *props = obs_source_properties(filter);
	obs_property_modified(obs_properties_get(props, key), settings);
	obs_properties_destroy(props);
}

void set_file_name(obs_source_t *filter, const char *name)
{
	change_in_panel(filter, "shader_file_name", [&](obs_data_t *settings) {
		obs_data_set_string(settings, "shader_file_name", name);
	});
}

bool override_setting(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_get_bool(settings, "override_entire_effect");
}

} // namespace

TEST(MattingPanel, FixedControlsAreHiddenAndTheErrorLineShowsOnlyOnError)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	obs_properties_t *props = obs_source_properties(filter);
	for (const char *key :
	     {"expand_left", "expand_right", "expand_top", "expand_bottom",
	      "override_entire_effect", "from_file", "shader_text",
	      "shader_convert", "shader_file_name", "reload_effect"}) {
		obs_property_t *property = obs_properties_get(props, key);
		ASSERT_TRUE(property) << key;
		EXPECT_FALSE(obs_property_visible(property)) << key;
	}
	EXPECT_FALSE(obs_properties_get(props, "last_error"));
	obs_properties_destroy(props);

	reload_with_text(filter, "uniform float x = ;");
	props = obs_source_properties(filter);
	obs_property_t *line = obs_properties_get(props, "last_error");
	ASSERT_TRUE(line);
	EXPECT_TRUE(obs_property_visible(line));
	EXPECT_EQ(obs_property_text_info_type(line), OBS_TEXT_INFO_ERROR);
	obs_properties_destroy(props);

	// The type's own panel, without an instance, has the fixed part only.
	props = obs_get_source_properties(FILTER_ID);
	ASSERT_TRUE(props);
	EXPECT_TRUE(obs_properties_get(props, "reload_effect"));
	EXPECT_FALSE(obs_properties_get(props, "last_error"));
	obs_properties_destroy(props);
}

TEST(MattingPanel, FileNameAndFileSwitchScheduleRebuilds)
{
	OBSSourceAutoRelease parent =
		headless::make_color_source("input", 8, 8, 0xFF808080);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	matting_filter *record = record_of(filter);
	ASSERT_FALSE(record->reload_pending);

	headless::on_graphics_thread([&] {
		set_file_name(filter, "/fx/a.effect");
		EXPECT_TRUE(record->reload_pending);
		EXPECT_TRUE(override_setting(filter));

		record->reload_pending = false;
		set_file_name(filter, "/fx/a.effect"); // the same again
		EXPECT_FALSE(record->reload_pending);

		set_file_name(filter, "/fx/b.shader");
		EXPECT_TRUE(record->reload_pending);
		EXPECT_FALSE(override_setting(filter));

		set_file_name(filter, "/fx/a.effect");
		set_file_name(filter, ".shader"); // 7 characters: too short
		EXPECT_TRUE(override_setting(filter));

		for (bool on : {true, false}) {
			record->reload_pending = false;
			change_in_panel(filter, "from_file",
					[&](obs_data_t *settings) {
						obs_data_set_bool(settings,
								  "from_file", on);
					});
			EXPECT_TRUE(record->reload_pending);
			EXPECT_EQ(record->from_file, on);
		}

		// Editing the text schedules nothing.
		record->reload_pending = false;
		change_in_panel(filter, "shader_text", [](obs_data_t *settings) {
			obs_data_set_string(settings, "shader_text", "x");
		});
		EXPECT_FALSE(record->reload_pending);
	});
}
