// The matting filter's properties panel as the host builds it
// (obs_source_properties applies the settings and runs the modified
// callbacks, as the host's properties view does).
#include "matting-fixture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using mattingtest::add_matting;
using mattingtest::settle;

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
};

const char *const FIXED[] = {"expand_left",      "expand_right",
			     "expand_top",       "expand_bottom",
			     "override_entire_effect", "from_file",
			     "shader_text",      "shader_convert",
			     "shader_file_name", "reload_effect"};

// Reads the uv coordinate so the OpenGL back end keeps it, and returns it.
const char BODY[] = "float4 mainImage(VertData v_in) : TARGET\n"
		    "{\n\treturn image.Sample(textureSampler, v_in.uv);\n}\n";

struct Source {
	OBSSourceAutoRelease input =
		headless::make_color_source("panel input", 16, 16, 0xFF808080);
};

} // namespace

TEST(PanelFixed, TheTypeAloneHasOnlyTheFixedControls)
{
	obs_properties_t *props =
		obs_get_source_properties(mattingtest::FILTER_ID);
	ASSERT_TRUE(props);
	std::vector<std::string> names;
	for (const PanelEntry &entry : entries(props)) {
		names.push_back(entry.name);
		EXPECT_FALSE(entry.visible) << entry.name;
	}
	EXPECT_EQ(names, std::vector<std::string>(std::begin(FIXED),
						  std::end(FIXED)));
	obs_properties_destroy(props);
}

TEST(PanelFixed, WithTheKeyerEverythingIsHiddenAndErrorsShow)
{
	Source source;
	OBSSourceAutoRelease filter =
		headless::add_filter(source.input, mattingtest::FILTER_ID,
				     "keyer", nullptr);
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

	OBSDataAutoRelease broken = obs_data_create();
	obs_data_set_string(broken, "shader_text", "float4 mainImage(");
	mattingtest::update_and_settle(filter, broken);
	EXPECT_FALSE(headless::press_button(filter, "reload_effect"));
	settle();
	{
		Panel panel(filter);
		obs_property_t *error = panel.get("last_error");
		ASSERT_TRUE(error);
		EXPECT_TRUE(obs_property_visible(error));
		EXPECT_EQ(obs_property_text_type(error), OBS_TEXT_INFO);
		EXPECT_EQ(obs_property_text_info_type(error),
			  OBS_TEXT_INFO_ERROR);
		EXPECT_STREQ(obs_property_description(error), "Error");
		// A failed build leaves no parameter controls.
		EXPECT_EQ(entries(panel.props).size(), std::size(FIXED) + 1);
	}
	obs_source_filter_remove(source.input, filter);
}

TEST(PanelParameters, NumbersGetRangesFallbacksAndTexts)
{
	Source source;
	const std::string text =
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
		std::string(BODY);
	OBSSourceAutoRelease filter = add_matting(source.input, text);
	ASSERT_EQ(mattingtest::last_error(filter), "");
	Panel panel(filter);

	obs_property_t *p = panel.get("plain_float");
	ASSERT_TRUE(p);
	EXPECT_EQ(obs_property_get_type(p), OBS_PROPERTY_FLOAT);
	EXPECT_EQ(obs_property_float_type(p), OBS_NUMBER_SCROLLER);
	EXPECT_EQ(obs_property_float_min(p), -1000.0);
	EXPECT_EQ(obs_property_float_max(p), 1000.0);
	EXPECT_EQ(obs_property_float_step(p), 0.0001);
	p = panel.get("plain_int");
	ASSERT_TRUE(p);
	EXPECT_EQ(obs_property_int_min(p), -1000);
	EXPECT_EQ(obs_property_int_max(p), 1000);
	EXPECT_EQ(obs_property_int_step(p), 1);
	EXPECT_STREQ(obs_property_description(panel.get("Matte_offset_x")),
		     "Matte offset x");
	EXPECT_STREQ(obs_property_description(panel.get("flag")), "A flag");

	p = panel.get("ranged");
	EXPECT_EQ(obs_property_float_type(p), OBS_NUMBER_SLIDER);
	EXPECT_EQ(obs_property_float_max(p), 2.0);
	EXPECT_EQ(obs_property_float_step(p), 0.5);
	p = panel.get("ranged_int");
	EXPECT_EQ(obs_property_int_min(p), 1);
	EXPECT_EQ(obs_property_int_max(p), 9);
	EXPECT_EQ(obs_property_int_step(p), 2);
	// Float range annotations on an int are taken as integers.
	p = panel.get("float_ranged_int");
	EXPECT_EQ(obs_property_int_min(p), 2);
	EXPECT_EQ(obs_property_int_max(p), 8);
	EXPECT_EQ(obs_property_int_step(p), 2);

	p = panel.get("choice");
	ASSERT_EQ(obs_property_list_item_count(p), 3u);
	EXPECT_STREQ(obs_property_list_item_name(p, 0), "ten");
	EXPECT_EQ(obs_property_list_item_int(p, 1), 20);
	EXPECT_STREQ(obs_property_list_item_name(p, 2), "30");
	EXPECT_EQ(obs_property_text_type(panel.get("note")), OBS_TEXT_INFO);

	for (const PanelEntry &entry : entries(panel.props))
		EXPECT_FALSE(entry.visible) << entry.name;
	obs_source_filter_remove(source.input, filter);
}

TEST(PanelParameters, GroupsAndVectorComponents)
{
	Source source;
	const std::string text =
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
		std::string(BODY);
	OBSSourceAutoRelease filter = add_matting(source.input, text);
	ASSERT_EQ(mattingtest::last_error(filter), "");
	Panel panel(filter);
	const auto list = entries(panel.props);
	auto find = [&](const std::string &name) {
		auto it = std::find_if(list.begin(), list.end(),
				       [&](const PanelEntry &e) {
					       return e.name == name;
				       });
		return it == list.end() ? nullptr : &*it;
	};

	ASSERT_TRUE(find("Look") && find("Other"));
	EXPECT_TRUE(find("Look")->visible);
	EXPECT_EQ(std::count_if(list.begin(), list.end(),
				[](const PanelEntry &e) {
					return e.name == "Look";
				}),
		  1);
	EXPECT_EQ(find("a")->group, "Look");
	EXPECT_EQ(find("c")->group, "Look");
	EXPECT_EQ(find("b")->group, "Other");
	EXPECT_FALSE(find("a")->visible);
	ASSERT_TRUE(find("d"));
	EXPECT_EQ(find("d")->group, "");

	// Vectors: visible component controls, no control under the name.
	EXPECT_FALSE(find("offset"));
	ASSERT_TRUE(find("offset_0") && find("offset_1"));
	EXPECT_TRUE(find("offset_0")->visible && find("offset_1")->visible);
	EXPECT_STREQ(obs_property_description(panel.get("offset_0")),
		     "Across");
	EXPECT_STREQ(obs_property_description(panel.get("offset_1")), "Down");
	EXPECT_STREQ(obs_property_description(panel.get("scale_1")), "scale");
	// A colour without the slider widget is one hidden colour control.
	EXPECT_EQ(obs_property_get_type(panel.get("tint3")),
		  OBS_PROPERTY_COLOR);
	EXPECT_FALSE(find("tint3")->visible);
	EXPECT_TRUE(find("tint4_3") && find("tint4_3")->visible);
	EXPECT_FALSE(find("tint4_4"));
	obs_source_filter_remove(source.input, filter);
}

TEST(PanelParameters, TexturesGetSortedSourceListsAndPaths)
{
	Source source;
	OBSSourceAutoRelease b =
		headless::make_color_source("b colour", 8, 8, 0xFFFFFFFF);
	OBSSourceAutoRelease upper =
		headless::make_color_source("B colour", 8, 8, 0xFFFFFFFF);
	OBSSourceAutoRelease a =
		headless::make_color_source("a colour", 8, 8, 0xFFFFFFFF);
	OBSSceneAutoRelease scene = obs_scene_create("Middle scene");
	const std::string text = "uniform texture2d overlay;\n"
				 "uniform texture2d picked <string widget_type"
				 " = \"source\";>;\n"
				 "uniform texture2d picture <string widget_type"
				 " = \"file\";>;\n" +
				 std::string(BODY);
	OBSSourceAutoRelease filter = add_matting(source.input, text);
	ASSERT_EQ(mattingtest::last_error(filter), "");
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
	std::vector<std::string> sorted(names.begin() + 1, names.end());
	std::sort(sorted.begin(), sorted.end(),
		  [](const std::string &l, const std::string &r) {
			  return strcmp(l.c_str(), r.c_str()) < 0;
		  });
	EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()),
		  sorted);
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

	EXPECT_TRUE(panel.get("picked_source"));
	EXPECT_FALSE(panel.get("picked"));
	EXPECT_TRUE(panel.get("picture"));
	EXPECT_FALSE(panel.get("picture_source"));
	obs_source_filter_remove(source.input, filter);
}

namespace {

// Counts the rebuilds of a filter: each one asks the host to refresh the
// properties ("update_properties").
struct RebuildCounter {
	obs_source_t *filter;
	int count = 0;
	explicit RebuildCounter(obs_source_t *f) : filter(f)
	{
		signal_handler_connect(obs_source_get_signal_handler(filter),
				       "update_properties", counted, this);
	}
	~RebuildCounter()
	{
		signal_handler_disconnect(obs_source_get_signal_handler(filter),
					  "update_properties", counted, this);
	}
	static void counted(void *data, calldata_t *)
	{
		static_cast<RebuildCounter *>(data)->count++;
	}
};

// What the host's properties view does when the user edits a control:
// store the value, run the control's modified callback, update the filter.
bool edit(obs_source_t *filter, const char *name,
	  void (*store)(obs_data_t *, const char *))
{
	Panel panel(filter);
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	store(settings, name);
	const bool refresh =
		obs_property_modified(panel.get(name), settings);
	obs_source_update(filter, nullptr);
	settle();
	return refresh;
}

std::string example(const char *name)
{
	return headless::data_path() + "/examples/" + name;
}

std::string chosen_file;

void store_file(obs_data_t *settings, const char *name)
{
	obs_data_set_string(settings, name, chosen_file.c_str());
}

bool override_setting(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_get_bool(settings, "override_entire_effect");
}

} // namespace

TEST(PanelCallbacks, FileNamesSetTheOverrideAndOnlyNewOnesRebuild)
{
	Source source;
	chosen_file = example("pass-through.shader");
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "from_file", true);
	obs_data_set_string(settings, "shader_file_name", chosen_file.c_str());
	obs_data_set_bool(settings, "override_entire_effect", true);
	OBSSourceAutoRelease filter = headless::add_filter(
		source.input, mattingtest::FILTER_ID, "panel", settings);
	settle();
	ASSERT_EQ(mattingtest::last_error(filter), "");
	RebuildCounter rebuilds(filter);

	// The same file again: nothing to rebuild, the override untouched.
	EXPECT_FALSE(edit(filter, "shader_file_name", store_file));
	EXPECT_EQ(rebuilds.count, 0);
	EXPECT_TRUE(override_setting(filter));

	chosen_file = example("invert-complete.effect");
	edit(filter, "shader_file_name", store_file);
	EXPECT_EQ(rebuilds.count, 1);
	EXPECT_TRUE(override_setting(filter));
	EXPECT_EQ(mattingtest::last_error(filter), "");

	chosen_file = example("colour-correction.shader");
	edit(filter, "shader_file_name", store_file);
	EXPECT_EQ(rebuilds.count, 2);
	EXPECT_FALSE(override_setting(filter));

	// Seven characters or fewer decide nothing (but are a new name).
	chosen_file = ".effect";
	edit(filter, "shader_file_name", store_file);
	EXPECT_FALSE(override_setting(filter));
	EXPECT_EQ(rebuilds.count, 3);

	// The switch between text and file rebuilds whenever it changes.
	auto off = [](obs_data_t *s, const char *n) { obs_data_set_bool(s, n, false); };
	auto on = [](obs_data_t *s, const char *n) { obs_data_set_bool(s, n, true); };
	EXPECT_TRUE(edit(filter, "from_file", off));
	EXPECT_EQ(rebuilds.count, 4);
	EXPECT_TRUE(edit(filter, "from_file", off));
	EXPECT_EQ(rebuilds.count, 4);
	edit(filter, "from_file", on);
	EXPECT_EQ(rebuilds.count, 5);

	// Editing the text compiles nothing until the reload button.
	auto text = [](obs_data_t *s, const char *n) { obs_data_set_string(s, n, "x"); };
	EXPECT_FALSE(edit(filter, "shader_text", text));
	EXPECT_EQ(rebuilds.count, 5);
	EXPECT_FALSE(headless::press_button(filter, "reload_effect"));
	settle();
	EXPECT_EQ(rebuilds.count, 6);
	obs_source_filter_remove(source.input, filter);
}
