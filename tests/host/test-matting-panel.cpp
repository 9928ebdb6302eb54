// The matting filter's properties panel as the host builds it
// (obs_source_properties applies the settings and runs the modified
// callbacks, as the host's properties view does).
#include "matting-fixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
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

const char *const FIXED[] = {"expand_left",      "expand_right",
			     "expand_top",       "expand_bottom",
			     "override_entire_effect", "from_file",
			     "shader_text",      "shader_convert",
			     "shader_file_name", "reload_effect"};

struct Input {
	OBSSourceAutoRelease source =
		headless::make_color_source("panel input", 16, 16, 0xFF808080);
	operator obs_source_t *() const { return source; }
};

} // namespace

TEST(PanelFixed, TheTypeAloneHasOnlyTheFixedControls)
{
	obs_properties_t *props = obs_get_source_properties(MATTING_FILTER_ID);
	std::vector<std::string> names;
	for (const PanelEntry &entry : entries(props)) {
		names.push_back(entry.name);
		EXPECT_FALSE(entry.visible) << entry.name;
	}
	EXPECT_EQ(names,
		  std::vector<std::string>(std::begin(FIXED), std::end(FIXED)));
	obs_properties_destroy(props);
}

TEST(PanelFixed, WithTheKeyerEverythingIsHiddenAndErrorsShow)
{
	Input input;
	OBSSourceAutoRelease filter =
		headless::add_filter(input, MATTING_FILTER_ID, "keyer", nullptr);
	settle();
	{
		Panel panel(filter);
		const auto list = entries(panel.props);
		EXPECT_EQ(list.size(), std::size(FIXED) + 34);
		for (const PanelEntry &entry : list)
			EXPECT_FALSE(entry.visible) << entry.name;
		EXPECT_FALSE(panel.get("last_error"));
		// Textures of the keyer are "file" widgets: a path, no list.
		EXPECT_TRUE(panel.get("Garbage_matte"));
		EXPECT_FALSE(panel.get("Garbage_matte_source"));
	}
	reload_with_text(filter, "float4 mainImage(");
	Panel panel(filter);
	obs_property_t *error = panel.get("last_error");
	ASSERT_TRUE(error);
	EXPECT_TRUE(obs_property_visible(error));
	EXPECT_EQ(obs_property_text_type(error), OBS_TEXT_INFO);
	EXPECT_EQ(obs_property_text_info_type(error), OBS_TEXT_INFO_ERROR);
	// A failed build leaves no parameter controls.
	EXPECT_EQ(entries(panel.props).size(), std::size(FIXED) + 1);
}

TEST(PanelParameters, NumbersGetRangesFallbacksAndTexts)
{
	Input input;
	OBSSourceAutoRelease filter = add_matting(
		input,
		"uniform float plain_float;\n"
		"uniform int plain_int;\n"
		"uniform float Matte_offset_x;\n"
		"uniform float ranged <string widget_type = \"slider\";"
		" float minimum = 0.0; float maximum = 2.0; float step = 0.5;>"
		" = 1.0;\n"
		"uniform int ranged_int <int minimum = 1; int maximum = 9;"
		" int step = 2;>;\n"
		"uniform int float_ranged_int <float minimum = 2.0;"
		" float maximum = 8.0; float step = 2.0;>;\n"
		"uniform int choice <string widget_type = \"select\";"
		" int option_0 = 10; string option_0_label = \"ten\";"
		" int option_1 = 20; string option_1_label = \"twenty\";"
		" int option_2 = 30;>;\n"
		"uniform string note <string widget_type = \"info\";> = \"hi\";\n"
		"uniform bool flag <string label = \"A flag\";>;\n" +
			std::string(PASS_THROUGH));
	ASSERT_EQ(last_error(filter), "");
	Panel panel(filter);

	// Without range annotations: -1000 to 1000, step 0.0001 or 1.
	obs_property_t *p = panel.get("plain_float");
	EXPECT_EQ(obs_property_float_type(p), OBS_NUMBER_SCROLLER);
	EXPECT_EQ(obs_property_float_min(p), -1000.0);
	EXPECT_EQ(obs_property_float_max(p), 1000.0);
	EXPECT_EQ(obs_property_float_step(p), 0.0001);
	p = panel.get("ranged");
	EXPECT_EQ(obs_property_float_type(p), OBS_NUMBER_SLIDER);
	EXPECT_EQ(obs_property_float_max(p), 2.0);
	EXPECT_EQ(obs_property_float_step(p), 0.5);
	// Float range annotations on an int are taken as integers.
	const std::pair<const char *, std::array<int, 3>> ints[] = {
		{"plain_int", {-1000, 1000, 1}},
		{"ranged_int", {1, 9, 2}},
		{"float_ranged_int", {2, 8, 2}}};
	for (const auto &[name, range] : ints) {
		p = panel.get(name);
		EXPECT_EQ(obs_property_int_min(p), range[0]) << name;
		EXPECT_EQ(obs_property_int_max(p), range[1]) << name;
		EXPECT_EQ(obs_property_int_step(p), range[2]) << name;
	}
	EXPECT_STREQ(obs_property_description(panel.get("Matte_offset_x")),
		     "Matte offset x");
	EXPECT_STREQ(obs_property_description(panel.get("flag")), "A flag");

	p = panel.get("choice");
	ASSERT_EQ(obs_property_list_item_count(p), 3u);
	EXPECT_STREQ(obs_property_list_item_name(p, 0), "ten");
	EXPECT_EQ(obs_property_list_item_int(p, 1), 20);
	EXPECT_STREQ(obs_property_list_item_name(p, 2), "30");
	EXPECT_EQ(obs_property_text_type(panel.get("note")), OBS_TEXT_INFO);
	for (const PanelEntry &entry : entries(panel.props))
		EXPECT_FALSE(entry.visible) << entry.name;
}

TEST(PanelParameters, GroupsAndVectorComponents)
{
	Input input;
	OBSSourceAutoRelease filter = add_matting(
		input,
		"uniform float a <string group = \"Look\";>;\n"
		"uniform float b <string group = \"Other\";>;\n"
		"uniform bool c <string group = \"Look\";>;\n"
		// A group text that names another property cannot be a box.
		"uniform float d <string group = \"shader_text\";>;\n"
		"uniform float2 offset <string option_0 = \"Across\";"
		" string option_1 = \"Down\";>;\n"
		"uniform float2 scale;\n"
		"uniform float3 tint3;\n"
		"uniform float4 tint4 <string widget_type = \"slider\";>;\n" +
			std::string(PASS_THROUGH));
	ASSERT_EQ(last_error(filter), "");
	Panel panel(filter);
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
				[](const PanelEntry &e) {
					return e.name == "Look";
				}),
		  1);
	EXPECT_EQ(group_of("a"), "Look");
	EXPECT_EQ(group_of("c"), "Look");
	EXPECT_EQ(group_of("b"), "Other");
	EXPECT_FALSE(visible("a"));
	EXPECT_EQ(group_of("d"), "");

	// Vectors: visible component controls, no control under the name.
	EXPECT_FALSE(panel.find("offset"));
	EXPECT_TRUE(visible("offset_0") && visible("offset_1"));
	EXPECT_STREQ(obs_property_description(panel.get("offset_0")),
		     "Across");
	EXPECT_STREQ(obs_property_description(panel.get("offset_1")), "Down");
	EXPECT_STREQ(obs_property_description(panel.get("scale_1")), "scale");
	// A colour without the slider widget is one hidden colour control.
	EXPECT_EQ(obs_property_get_type(panel.get("tint3")),
		  OBS_PROPERTY_COLOR);
	EXPECT_FALSE(visible("tint3"));
	EXPECT_TRUE(visible("tint4_3"));
	EXPECT_FALSE(panel.find("tint4_4"));
}

TEST(PanelParameters, TexturesGetSortedSourceListsAndPaths)
{
	Input input;
	OBSSourceAutoRelease b =
		headless::make_color_source("b colour", 8, 8, 0xFFFFFFFF);
	OBSSourceAutoRelease upper =
		headless::make_color_source("B colour", 8, 8, 0xFFFFFFFF);
	OBSSourceAutoRelease a =
		headless::make_color_source("a colour", 8, 8, 0xFFFFFFFF);
	OBSSceneAutoRelease scene = obs_scene_create("Middle scene");
	OBSSourceAutoRelease filter = add_matting(
		input, "uniform texture2d overlay;\n"
		       "uniform texture2d picked <string widget_type"
		       " = \"source\";>;\n"
		       "uniform texture2d picture <string widget_type"
		       " = \"file\";>;\n" +
			       std::string(PASS_THROUGH));
	ASSERT_EQ(last_error(filter), "");
	Panel panel(filter);

	obs_property_t *list = panel.get("overlay_source");
	ASSERT_TRUE(list);
	EXPECT_TRUE(obs_property_visible(list));
	EXPECT_EQ(obs_property_list_type(list), OBS_COMBO_TYPE_EDITABLE);
	std::vector<std::string> names;
	for (size_t i = 0; i < obs_property_list_item_count(list); i++)
		names.push_back(obs_property_list_item_string(list, i));
	ASSERT_FALSE(names.empty());
	EXPECT_EQ(names[0], "");
	EXPECT_TRUE(std::is_sorted(names.begin() + 1, names.end(),
				   [](const std::string &l,
				      const std::string &r) {
					   return strcmp(l.c_str(),
							 r.c_str()) < 0;
				   }));
	for (const char *name :
	     {"B colour", "a colour", "b colour", "Middle scene", "panel input"})
		EXPECT_NE(std::find(names.begin(), names.end(), name),
			  names.end())
			<< name;

	obs_property_t *path = panel.get("overlay");
	ASSERT_TRUE(path);
	EXPECT_FALSE(obs_property_visible(path));
	EXPECT_EQ(obs_property_get_type(path), OBS_PROPERTY_PATH);
	EXPECT_STREQ(obs_property_path_filter(path),
		     "Textures (*.bmp *.tga *.png *.jpeg *.jpg *.gif);;");
	EXPECT_TRUE(panel.get("picked_source") && !panel.get("picked"));
	EXPECT_TRUE(panel.get("picture") && !panel.get("picture_source"));
}

namespace {

int rebuilds = 0;

void count_rebuild(void *, calldata_t *)
{
	rebuilds++;
}

// What the host's properties view does when the user edits a control:
// store the value (JSON), run the control's modified callback, update the
// filter. Returns whether the callback asks for a refresh.
bool edit(obs_source_t *filter, const char *name, const std::string &value)
{
	Panel panel(filter);
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	OBSDataAutoRelease edited =
		json("{\"" + std::string(name) + "\": " + value + "}");
	obs_data_apply(settings, edited);
	const bool refresh = obs_property_modified(panel.get(name), settings);
	obs_source_update(filter, nullptr);
	settle();
	return refresh;
}

} // namespace

TEST(PanelCallbacks, FileNamesSetTheOverrideAndOnlyNewOnesRebuild)
{
	Input input;
	OBSDataAutoRelease settings =
		from_file(example("pass-through.shader"), true);
	OBSSourceAutoRelease filter =
		headless::add_filter(input, MATTING_FILTER_ID, "panel", settings);
	settle();
	ASSERT_EQ(last_error(filter), "");
	// Each rebuild asks the host to refresh the properties.
	signal_handler_t *signals = obs_source_get_signal_handler(filter);
	signal_handler_connect(signals, "update_properties", count_rebuild,
			       nullptr);
	rebuilds = 0;
	auto step = [&](const char *name, const std::string &value, int count,
			bool override_after) {
		const bool refresh = edit(filter, name, value);
		EXPECT_EQ(rebuilds, count) << value;
		OBSDataAutoRelease now = obs_source_get_settings(filter);
		EXPECT_EQ(obs_data_get_bool(now, "override_entire_effect"),
			  override_after)
			<< value;
		return refresh;
	};
	auto file = [](const char *name) {
		return "\"" + example(name) + "\"";
	};
	// The same file again: nothing to rebuild, the override untouched.
	EXPECT_FALSE(step("shader_file_name", file("pass-through.shader"), 0,
			  true));
	step("shader_file_name", file("invert-complete.effect"), 1, true);
	EXPECT_EQ(last_error(filter), "");
	step("shader_file_name", file("colour-correction.shader"), 2, false);
	// Seven characters or fewer decide nothing (but are a new name).
	step("shader_file_name", "\".effect\"", 3, false);
	// The switch between text and file rebuilds whenever it changes.
	EXPECT_TRUE(step("from_file", "false", 4, false));
	EXPECT_TRUE(step("from_file", "false", 4, false));
	step("from_file", "true", 5, false);
	// Editing the text compiles nothing until the reload button.
	EXPECT_FALSE(step("shader_text", "\"x\"", 5, false));
	EXPECT_FALSE(headless::press_button(filter, "reload_effect"));
	settle();
	EXPECT_EQ(rebuilds, 6);
	signal_handler_disconnect(signals, "update_properties", count_rebuild,
				  nullptr);
}

TEST(PanelThreads, PanelsBuiltWhileTheEffectRebuildsSeeOneWholeParameterList)
{
	// The effect file alternates between two parameter lists that differ
	// in every record; each reload rebuilds the list (and writes its
	// defaults into the settings) while panels are built on another
	// thread. A panel holds the controls of one list, never a mix or freed
	// records. (Nothing here writes the settings from another thread: the
	// host itself does that without a lock.)
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
	Input input;
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
