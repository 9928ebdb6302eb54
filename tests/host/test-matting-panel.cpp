// The matting filter's properties panel as the host builds it
// (obs_source_properties applies the settings and runs the modified
// callbacks, as the host's properties view does).
#include "matting-fixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace mattingtest;

namespace {

struct PanelEntry {
	std::string name;
	bool visible;
	std::string group; // the group box holding it, "" at the top level
};

// Every property of the panel, group contents included, in order.
std::vector<PanelEntry> entries(obs_properties_t *props,
				const std::string &group = "")
{
	std::vector<PanelEntry> list;
	for (obs_property_t *p = obs_properties_first(props); p;
	     obs_property_next(&p)) {
		list.push_back({obs_property_name(p), obs_property_visible(p),
				group});
		if (obs_property_get_type(p) == OBS_PROPERTY_GROUP)
			for (PanelEntry &inner :
			     entries(obs_property_group_content(p),
				     obs_property_name(p)))
				list.push_back(inner);
	}
	return list;
}

std::set<std::string> names_of(obs_properties_t *props)
{
	std::set<std::string> names;
	for (const PanelEntry &entry : entries(props))
		names.insert(entry.name);
	return names;
}

struct Panel {
	obs_properties_t *props;
	explicit Panel(obs_source_t *filter)
		: props(obs_source_properties(filter))
	{
	}
	~Panel() { obs_properties_destroy(props); }
	obs_property_t *get(const char *name)
	{
		return obs_properties_get(props, name);
	}
	const PanelEntry *find(const std::string &name)
	{
		list = entries(props);
		for (const PanelEntry &e : list)
			if (e.name == name)
				return &e;
		return nullptr;
	}
	std::vector<PanelEntry> list;
};

// Nothing of the panel shows but what the effect's parameters ask for.
void expect_all_hidden(obs_properties_t *props)
{
	for (const PanelEntry &entry : entries(props))
		EXPECT_FALSE(entry.visible) << entry.name;
}

} // namespace

TEST(PanelFixed, EverythingIsHiddenAndOnlyABuildErrorShows)
{
	// The type alone: the fixed controls only.
	obs_properties_t *type_props = obs_get_source_properties(MATTING_FILTER_ID);
	expect_all_hidden(type_props);
	const std::set<std::string> fixed = names_of(type_props);
	obs_properties_destroy(type_props);

	OBSSourceAutoRelease input = make_input(16, 16);
	OBSSourceAutoRelease filter =
		headless::add_filter(input, MATTING_FILTER_ID, "keyer", nullptr);
	settle();
	{
		// The keyer adds its parameters, all hidden; its textures are
		// "file" widgets: a path, no list.
		Panel panel(filter);
		expect_all_hidden(panel.props);
		const std::set<std::string> names = names_of(panel.props);
		EXPECT_TRUE(std::includes(names.begin(), names.end(),
					  fixed.begin(), fixed.end()));
		EXPECT_GT(names.size(), fixed.size() + 20);
		EXPECT_FALSE(panel.get("last_error"));
		EXPECT_TRUE(panel.get("Garbage_matte"));
		EXPECT_FALSE(panel.get("Garbage_matte_source"));
	}
	// A failed build: the error line and no parameter controls.
	reload_with_text(filter, "float4 mainImage(");
	Panel panel(filter);
	obs_property_t *error = panel.get("last_error");
	ASSERT_TRUE(error);
	EXPECT_TRUE(obs_property_visible(error));
	EXPECT_EQ(obs_property_text_type(error), OBS_TEXT_INFO);
	EXPECT_EQ(obs_property_text_info_type(error), OBS_TEXT_INFO_ERROR);
	std::set<std::string> expected = fixed;
	expected.insert("last_error");
	EXPECT_EQ(names_of(panel.props), expected);
}

TEST(PanelParameters, ControlsFollowTheEffectsAnnotations)
{
	// Ranges as the host's effect hands the annotations over (fallbacks
	// and type conversions: the unit tests), texts, lists, groups and
	// vector components of the parameters in panel-controls.shader.
	OBSSourceAutoRelease input = make_input(16, 16);
	OBSSourceAutoRelease filter = add_matting(
		input, "", from_file(hosttest::test_data("panel-controls.shader")));
	ASSERT_EQ(last_error(filter), "");
	Panel panel(filter);

	obs_property_t *p = panel.get("ranged");
	EXPECT_EQ(obs_property_float_type(p), OBS_NUMBER_SLIDER);
	EXPECT_EQ(obs_property_float_max(p), 2.0);
	EXPECT_EQ(obs_property_float_step(p), 0.5);
	p = panel.get("float_ranged_int");
	EXPECT_EQ(obs_property_int_min(p), 2);
	EXPECT_EQ(obs_property_int_max(p), 8);
	EXPECT_EQ(obs_property_int_step(p), 2);
	EXPECT_STREQ(obs_property_description(panel.get("Matte_offset_x")),
		     "Matte offset x");
	EXPECT_STREQ(obs_property_description(panel.get("flag")), "A flag");
	p = panel.get("choice");
	ASSERT_EQ(obs_property_list_item_count(p), 3u);
	EXPECT_STREQ(obs_property_list_item_name(p, 0), "ten");
	EXPECT_EQ(obs_property_list_item_int(p, 1), 20);
	EXPECT_STREQ(obs_property_list_item_name(p, 2), "30");
	EXPECT_EQ(obs_property_text_type(panel.get("note")), OBS_TEXT_INFO);

	// Group boxes and component controls show; parameters' own
	// controls do not.
	auto group_of = [&](const char *name) {
		const PanelEntry *e = panel.find(name);
		return e ? e->group : "(none)";
	};
	auto visible = [&](const char *name) {
		const PanelEntry *e = panel.find(name);
		return e && e->visible;
	};
	EXPECT_TRUE(visible("Look"));
	EXPECT_EQ(std::count_if(panel.list.begin(), panel.list.end(),
				[](const PanelEntry &e) { return e.name == "Look"; }),
		  1);
	EXPECT_EQ(group_of("a"), "Look");
	EXPECT_EQ(group_of("flag"), "Look");
	EXPECT_EQ(group_of("b"), "Other");
	EXPECT_EQ(group_of("d"), "");
	for (const char *hidden : {"a", "ranged", "choice", "note", "tint3"})
		EXPECT_FALSE(visible(hidden)) << hidden;
	EXPECT_FALSE(panel.find("offset"));
	EXPECT_TRUE(visible("offset_0") && visible("offset_1"));
	EXPECT_STREQ(obs_property_description(panel.get("offset_0")), "Across");
	EXPECT_STREQ(obs_property_description(panel.get("offset_1")), "Down");
	EXPECT_STREQ(obs_property_description(panel.get("scale_1")), "scale");
	// A colour without the slider widget is one colour control.
	EXPECT_EQ(obs_property_get_type(panel.get("tint3")), OBS_PROPERTY_COLOR);
	EXPECT_TRUE(visible("tint4_3"));
	EXPECT_FALSE(panel.find("tint4_4"));
}

TEST(PanelParameters, TexturesGetSortedSourceListsAndPaths)
{
	OBSSourceAutoRelease input = make_input(16, 16);
	const std::unique_ptr<obs_scene_t, void (*)(obs_scene_t *)> scene(
		obs_scene_create("Middle scene"), headless::remove_scene);
	OBSSourceAutoRelease filter = add_matting(
		input, "uniform texture2d overlay;\n"
		       "uniform texture2d picked <string widget_type"
		       " = \"source\";>;\n"
		       "uniform texture2d picture <string widget_type"
		       " = \"file\";>;\n" +
			       std::string(PASS_THROUGH));
	ASSERT_EQ(last_error(filter), "");
	Panel panel(filter);

	// An empty entry, then every source and scene in byte order (which
	// order: the unit tests).
	obs_property_t *list = panel.get("overlay_source");
	ASSERT_TRUE(list);
	EXPECT_TRUE(obs_property_visible(list));
	EXPECT_EQ(obs_property_list_type(list), OBS_COMBO_TYPE_EDITABLE);
	std::vector<std::string> names;
	for (size_t i = 0; i < obs_property_list_item_count(list); i++)
		names.push_back(obs_property_list_item_string(list, i));
	ASSERT_FALSE(names.empty());
	EXPECT_EQ(names[0], "");
	EXPECT_TRUE(std::is_sorted(names.begin() + 1, names.end()));
	for (const char *name : {"Middle scene", "input"})
		EXPECT_NE(std::find(names.begin(), names.end(), name), names.end())
			<< name;

	obs_property_t *path = panel.get("overlay");
	ASSERT_TRUE(path);
	EXPECT_FALSE(obs_property_visible(path));
	EXPECT_EQ(obs_property_get_type(path), OBS_PROPERTY_PATH);
	EXPECT_TRUE(panel.get("picked_source") && !panel.get("picked"));
	EXPECT_TRUE(panel.get("picture") && !panel.get("picture_source"));
}

namespace {

// What the host's properties view does when the user edits a control:
// store the value (JSON), run the control's modified callback, update the
// filter. Returns whether the callback asks for a refresh.
bool edit(obs_source_t *filter, const char *name, const std::string &value)
{
	Panel panel(filter);
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	OBSDataAutoRelease edited =
		json("{\"" + std::string(name) + "\": " + value + "}");
	bool refresh = false;
	// Between two ticks, as update_and_settle.
	headless::on_graphics_thread([&] {
		obs_data_apply(settings, edited);
		refresh = obs_property_modified(panel.get(name), settings);
		obs_source_update(filter, nullptr);
	});
	settle();
	return refresh;
}

} // namespace

TEST(PanelCallbacks, FileNamesSetTheOverrideAndOnlyNewOnesRebuild)
{
	OBSSourceAutoRelease input = make_input(16, 16);
	OBSSourceAutoRelease filter = headless::add_filter(
		input, MATTING_FILTER_ID, "panel",
		from_file(example("pass-through.shader"), true));
	settle();
	ASSERT_EQ(last_error(filter), "");
	// Each rebuild asks the host to refresh the properties.
	static std::atomic<int> rebuilds = 0; // counted on the graphics thread
	auto count = [](void *, calldata_t *) { rebuilds++; };
	signal_handler_t *signals = obs_source_get_signal_handler(filter);
	signal_handler_connect(signals, "update_properties", count, nullptr);
	auto file = [](const char *name) { return "\"" + example(name) + "\""; };
	const struct {
		const char *name;
		std::string value;
		int rebuilds;
		bool override_after, refresh;
	} steps[] = {
		// The same file again: nothing to rebuild, the override untouched.
		{"shader_file_name", file("pass-through.shader"), 0, true, false},
		{"shader_file_name", file("invert-complete.effect"), 1, true, false},
		{"shader_file_name", file("colour-correction.shader"), 2, false, false},
		// Seven characters or fewer decide nothing (but are a new name).
		{"shader_file_name", "\".effect\"", 3, false, false},
		// The switch between text and file rebuilds whenever it changes.
		{"from_file", "false", 4, false, true},
		{"from_file", "false", 4, false, true},
		{"from_file", "true", 5, false, true},
		// Editing the text compiles nothing until the reload button.
		{"shader_text", "\"x\"", 5, false, false},
	};
	rebuilds = 0;
	for (const auto &step : steps) {
		SCOPED_TRACE(step.value);
		EXPECT_EQ(edit(filter, step.name, step.value), step.refresh);
		EXPECT_EQ(rebuilds, step.rebuilds);
		OBSDataAutoRelease now = obs_source_get_settings(filter);
		EXPECT_EQ(obs_data_get_bool(now, "override_entire_effect"),
			  step.override_after);
	}
	EXPECT_FALSE(headless::press_button(filter, "reload_effect"));
	settle();
	EXPECT_EQ(rebuilds, 6);
	signal_handler_disconnect(signals, "update_properties", count, nullptr);
}

TEST(PanelThreads, PanelsBuiltWhileTheEffectRebuildsSeeOneWholeParameterList)
{
	// Reloads alternate between two parameter lists that differ in every
	// record while another thread builds panels: each panel holds the
	// controls of one list, never a mix or freed records.
	auto effect = [](const std::string &prefix, int count) {
		std::string text;
		for (int i = 0; i < count; i++)
			text += "uniform float " + prefix + std::to_string(i) +
				"<string label = \"" + prefix + " label " +
				std::to_string(i) + "\"; string group = \"g" +
				std::to_string(i % 4) + "\";> = 0.5;\n";
		return text + PASS_THROUGH;
	};
	const std::string texts[] = {effect("first_", 40), effect("second_", 25)};
	const std::string path = write_temp_file("hammer.shader", texts[0]);
	OBSSourceAutoRelease input = make_input(16, 16);
	OBSSourceAutoRelease filter = add_matting(input, "", from_file(path));
	ASSERT_EQ(last_error(filter), "");
	std::atomic<bool> stop{false};
	std::atomic<int> panels{0}, mixed{0};
	std::thread reader([&] {
		while (!stop) {
			Panel panel(filter);
			std::set<char> kinds;
			for (const PanelEntry &entry : entries(panel.props))
				if (entry.name.find('_') != std::string::npos &&
				    entry.group.size())
					kinds.insert(entry.name[0]);
			mixed += kinds.size() > 1;
			panels++;
		}
	});
	const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
	int rebuilds = 0;
	while (std::chrono::steady_clock::now() < end) {
		write_temp_file("hammer.shader", texts[++rebuilds % 2]);
		headless::press_button(filter, "reload_effect");
		headless::wait_frames(1);
	}
	stop = true;
	reader.join();
	EXPECT_EQ(mixed, 0);
	EXPECT_GT(panels, 10);
	EXPECT_GT(rebuilds, 10);
}
