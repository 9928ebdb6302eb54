// What a hostile user or controller can set, through the host's API: every
// setting of the module's objects with wrong types and extreme values, bad
// files as effects and textures, borrowed sources that vanish or are
// renamed, and the camera started and stopped where it cannot write. After
// every case frames must keep coming (no gap between two rendered frames
// above MAX_GAP_MS), the host must live on, a setting whose wrong value is
// gone must read its default again, and at shutdown nothing of the host's
// may be left allocated (the environment's check).
#include "matting-fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace mattingtest;

namespace hosttest {

headless::HostConfig host_config()
{
	headless::HostConfig config;
	config.echo_log = getenv("VELMORA_HOST_LOG") != nullptr;
	// Small frames, often: a stall shows as a gap, not drawing as one.
	config.video.width = 128;
	config.video.height = 72;
	config.video.fps_num = 120;
	return config;
}

} // namespace hosttest

namespace {

const double MAX_GAP_MS = 250.0 * VELMORA_SANITIZER_SLOWDOWN;

// One hostile value and how it goes into settings under a key.
struct Hostile {
	std::string name;
	std::function<void(obs_data_t *, const char *)> set;
};

Hostile text(const std::string &name, const std::string &value)
{
	return {name, [value](obs_data_t *data, const char *key) {
			obs_data_set_string(data, key, value.c_str());
		}};
}

template<typename T>
Hostile as(const std::string &name, T value,
	   void (*set)(obs_data_t *, const char *, T))
{
	return {name, [=](obs_data_t *data, const char *key) {
			set(data, key, value);
		}};
}

// Every byte but NUL, then sequences that are not UTF-8.
std::string binary_text()
{
	std::string text;
	for (int byte = 1; byte < 256; byte++)
		text += char(byte);
	return text + "\xC3\x28\xED\xA0\x80\xF8\x88\x80\x80\x80\xFF";
}

const std::vector<Hostile> &hostile_values()
{
	static const std::vector<Hostile> values = {
		text("a string", "hostile"),
		text("an empty string", ""),
		text("a 16 MB string", std::string(16 << 20, 'x')),
		text("binary text", binary_text()),
		as("the largest integer", LLONG_MAX, obs_data_set_int),
		as("the smallest integer", LLONG_MIN, obs_data_set_int),
		as("-1", -1LL, obs_data_set_int),
		as("2^31", 1LL << 31, obs_data_set_int),
		as("NaN", double(NAN), obs_data_set_double),
		as("infinity", double(INFINITY), obs_data_set_double),
		as("-infinity", -double(INFINITY), obs_data_set_double),
		as("1e308", 1e308, obs_data_set_double),
		as("true", true, obs_data_set_bool),
		{"an object", [](obs_data_t *d, const char *k) {
			 obs_data_set_obj(d, k, json(R"({"a": [1, "b"]})"));
		 }},
		{"an array", [](obs_data_t *d, const char *k) {
			 OBSDataArrayAutoRelease array = obs_data_array_create();
			 obs_data_array_push_back(array, json(R"({"a": 1})"));
			 obs_data_set_array(d, k, array);
		 }},
		{"null", [](obs_data_t *d, const char *k) { obs_data_set_obj(d, k, nullptr); }},
	};
	return values;
}

// The FIFOs the cases made. A reader blocked on one (a file opened on the
// graphics thread) is freed by opening the FIFO for writing and closing it.
std::vector<std::string> &fifos()
{
	static std::vector<std::string> paths;
	return paths;
}

void free_fifo_readers()
{
	for (const std::string &path : fifos()) {
		const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
		if (fd >= 0)
			close(fd);
	}
}

// Makes change (which must be repeatable) and lets frames run: the longest
// gap between two frames from the change on must stay within MAX_GAP_MS. A
// first stall may be the graphics driver compiling a new variant of a
// shader for a new texture state (llvmpipe takes up to half a second, once
// per state); only a stall that comes back when the change is made again,
// after reset took things back to where they were, is the module's.
void expect_frames_keep_coming(const std::string &what,
			       const std::function<void()> &change,
			       const std::function<void()> &reset = nullptr)
{
	double gap = 0.0;
	for (int attempt = 0; attempt < 2; attempt++) {
		if (attempt && reset)
			reset();
		headless::take_longest_frame_gap_ms();
		change();
		for (int i = 0; i < 30 && !headless::wait_frames(3, 1000); i++)
			free_fifo_readers();
		gap = headless::take_longest_frame_gap_ms();
		if (gap <= MAX_GAP_MS)
			return;
	}
	ADD_FAILURE() << what << ": no frame for " << gap << " ms, twice";
}

// Property names that pick gives ("" leaves a property out), group
// contents included, each once.
void add_picked(obs_properties_t *props, std::string (*pick)(obs_property_t *),
		std::vector<std::string> *names)
{
	for (obs_property_t *p = obs_properties_first(props); p;
	     obs_property_next(&p)) {
		const std::string name = pick(p);
		if (obs_property_get_type(p) == OBS_PROPERTY_GROUP)
			add_picked(obs_property_group_content(p), pick, names);
		else if (!name.empty() && std::find(names->begin(), names->end(),
						    name) == names->end())
			names->push_back(name);
	}
}

std::string setting_name(obs_property_t *p)
{
	return obs_property_get_type(p) == OBS_PROPERTY_BUTTON
		       ? ""
		       : obs_property_name(p);
}

// A texture parameter: a path (but the effect file's).
std::string texture_name(obs_property_t *p)
{
	const std::string name = obs_property_name(p);
	return obs_property_get_type(p) == OBS_PROPERTY_PATH &&
			       name != "shader_file_name"
		       ? name
		       : "";
}

// An object under test: a filter on a small colour source shown in the
// program through a public scene (which a texture parameter can name).
struct Stage {
	OBSSourceAutoRelease input = make_input(16, 16, 0xFF40C060);
	OBSSceneAutoRelease scene = obs_scene_create("hostile scene");
	OBSSourceAutoRelease filter;
	std::vector<const char *> buttons; // pressed after every change
	std::string changed_key; // set by the last case, taken back by the next

	Stage(const char *id, std::vector<const char *> pressed)
		: filter(headless::add_filter(input, id, "hostile filter")),
		  buttons(std::move(pressed))
	{
		obs_scene_add(scene, input);
		obs_set_output_source(0, obs_scene_get_source(scene));
		settle();
	}
	~Stage()
	{
		obs_set_output_source(0, nullptr);
		obs_source_filter_remove(input, filter);
		obs_source_remove(obs_scene_get_source(scene));
	}

	// Applies settings the way a controller does (obs_source_update),
	// between two ticks, after the key the previous case changed went
	// back to its default; then the buttons are pressed, as a user would.
	void apply(const std::string &what, obs_data_t *change,
		   const std::string &key = "")
	{
		expect_frames_keep_coming(
			what,
			[&] {
				update(change);
				changed_key = key;
			},
			[&] {
				update(nullptr);
				changed_key.clear();
				settle();
			});
	}

	void update(obs_data_t *change)
	{
		headless::on_graphics_thread([&] {
			OBSDataAutoRelease settings = obs_source_get_settings(filter);
			if (!changed_key.empty())
				obs_data_unset_user_value(settings,
							  changed_key.c_str());
			obs_source_update(filter, change);
		});
		for (const char *button : buttons)
			headless::press_button(filter, button);
	}

	void put(const std::string &key, const Hostile &value)
	{
		OBSDataAutoRelease change = obs_data_create();
		value.set(change, key.c_str());
		apply(key + " = " + value.name, change, key);
	}

	std::vector<std::string> properties(std::string (*pick)(obs_property_t *)) const
	{
		std::vector<std::string> names;
		obs_properties_t *props = obs_source_properties(filter);
		add_picked(props, pick, &names);
		obs_properties_destroy(props);
		return names;
	}

	// A key's type, read between two ticks. The host keeps one type for a
	// key's value and its default: a key whose type is back reads its
	// default as it was set.
	obs_data_type type_of(const std::string &key) const
	{
		obs_data_type type = OBS_DATA_NULL;
		headless::on_graphics_thread([&] {
			OBSDataAutoRelease settings =
				obs_source_get_settings(filter);
			obs_data_item_t *item =
				obs_data_item_byname(settings, key.c_str());
			type = obs_data_item_gettype(item);
			obs_data_item_release(&item);
		});
		return type;
	}
};

// Puts every hostile value into every setting of the object, one at a
// time; afterwards each setting must have its type (and so its default)
// back.
void every_setting_every_value(Stage &stage)
{
	// Every key the object knows: its panel holds them all (hidden or
	// not), buttons left out.
	const std::vector<std::string> keys = stage.properties(setting_name);
	ASSERT_FALSE(keys.empty());
	for (const std::string &key : keys) {
		const obs_data_type before = stage.type_of(key);
		for (const Hostile &value : hostile_values())
			stage.put(key, value);
		stage.apply(key + " removed", nullptr);
		if (before != OBS_DATA_NULL) {
			EXPECT_EQ(stage.type_of(key), before) << key;
		}
	}
}

std::string make_fifo(const std::string &name)
{
	const std::string path = make_temp_dir("hostile") + "/" + name;
	if (mkfifo(path.c_str(), 0600) == 0)
		fifos().push_back(path);
	return path;
}

// Files no effect or picture should be: name and path.
std::vector<std::pair<std::string, std::string>> bad_files()
{
	const std::string folder = make_temp_dir("hostile");
	std::string noise;
	for (int i = 0; i < 65536; i++)
		noise += char((i * 7919) >> 3);
	std::vector<std::pair<std::string, std::string>> files = {
		{"a folder", folder},
		{"a FIFO", make_fifo("pipe.effect")},
		{"a missing file", folder + "/missing.effect"},
		{"a device", "/dev/zero"},
		{"an empty file", write_temp_file("hostile/empty.png", "")},
		{"text", write_temp_file("hostile/text.png", "not a picture\n")},
		{"binary noise", write_temp_file("hostile/noise.effect", noise)},
		{"a 17 MB file",
		 write_temp_file("hostile/big.effect", std::string(17 << 20, ' '))},
	};
	// The same places reached through an effect's #include line, which
	// names them relative to the including file's folder.
	std::string up;
	for (char c : folder)
		up += c == '/' ? "../" : "";
	const size_t plain = files.size();
	for (size_t i = 0; i < plain; i++)
		files.push_back({"an effect including " + files[i].first,
				 write_temp_file("hostile/include-" +
							 std::to_string(i) +
							 ".effect",
						 "#include \"" + up +
							 files[i].second.substr(1) +
							 "\"\n" + PASS_THROUGH)});
	return files;
}

} // namespace

TEST(HostileMatting, EverySettingWithWrongTypesAndExtremeValues)
{
	Stage stage(MATTING_FILTER_ID, {"reload_effect"});
	every_setting_every_value(stage);
	// Together what one at a time cannot reach.
	for (const char *settings : {
		     R"({"expand_left": 8000, "expand_right": 8000,
			 "expand_top": 8000, "expand_bottom": 8000})",
		     R"({"expand_left": -1, "expand_right": 1e308,
			 "expand_top": 9999, "expand_bottom": 9999})",
		     R"({"from_file": true, "override_entire_effect": true,
			 "shader_file_name": 7})",
	     })
		stage.apply(settings, json(settings));
}

TEST(HostileMatting, BadFilesAsEffectsAndTextures)
{
	Stage stage(MATTING_FILTER_ID, {"reload_effect"});
	const std::vector<std::string> textures = stage.properties(texture_name);
	ASSERT_FALSE(textures.empty());
	const auto files = bad_files();
	for (const auto &[name, path] : files)
		for (bool complete : {false, true})
			stage.apply("effect file: " + name,
				    from_file(path, complete));
	stage.apply("the effect text again", json(R"({"from_file": false})"));
	for (const auto &[name, path] : files)
		for (const std::string &key : textures)
			stage.put(key, text(name, path));
}

TEST(HostileMatting, BorrowedSourcesThatVanishOrAreRenamed)
{
	Stage stage(MATTING_FILTER_ID, {});
	for (const std::string &key : stage.properties(texture_name)) {
		const std::string source_key = key + "_source";
		for (const char *name : {"hostile filter", "input",
					 "hostile scene", "nobody"})
			stage.put(source_key, text(name, name));
		OBSSourceAutoRelease borrowed =
			headless::make_color_source("borrowed", 8, 8, 0xFFFF0000);
		stage.put(source_key, text("a source", "borrowed"));
		expect_frames_keep_coming(key + ": its source renamed", [&] {
			obs_source_set_name(borrowed, "renamed");
			headless::wait_frames(3);
			obs_source_set_name(borrowed, "borrowed");
		});
		// Gone, then back under the same name.
		expect_frames_keep_coming(key + ": its source removed", [&] {
			obs_source_remove(borrowed);
			borrowed = nullptr;
			headless::wait_frames(3);
			borrowed = headless::make_color_source("borrowed", 8, 8,
							       0xFFFF0000);
		});
		obs_source_remove(borrowed);
	}
}

TEST(HostileGift, EverySettingWithWrongTypesAndExtremeValues)
{
	Stage stage(GIFT_FILTER_ID, {});
	every_setting_every_value(stage);
}

TEST(HostileCamera, StartsAndStopsWhereItCannotWrite)
{
	OBSOutputAutoRelease camera = obs_get_output_by_name(VCAM_OUTPUT_ID);
	ASSERT_NE(camera, nullptr);
	OBSSourceAutoRelease input = make_input(16, 16, 0xFF40C060);
	Shown shown(input);
	const std::string folder = make_temp_dir("hostile");
	setenv("VELMORA_CAMSINK_DEVICE", "none", 1);
	for (const auto &[name, place] :
	     std::vector<std::pair<std::string, std::string>>{
		     {"nowhere", ""},
		     {"a folder", folder},
		     {"a FIFO without a reader", make_fifo("camera.bgr")},
		     {"a full device", "/dev/full"},
		     {"a missing folder", folder + "/missing/camera.bgr"},
		     {"binary text", folder + "/" + binary_text().substr(1, 40)},
	     }) {
		setenv("VELMORA_CAMSINK_FILE", place.c_str(), 1);
		// Stopped at once, after 10 and after 20 frames; started and
		// stopped twice over each time.
		expect_frames_keep_coming("camera writing to " + name, [&] {
			for (int frames : {0, 10, 20}) {
				obs_output_start(camera);
				obs_output_start(camera);
				headless::wait_frames(frames);
				obs_output_stop(camera);
				obs_output_stop(camera);
			}
		});
	}
	unsetenv("VELMORA_CAMSINK_FILE");
	unsetenv("VELMORA_CAMSINK_DEVICE");
}
