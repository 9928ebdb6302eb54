// A real libobs started without a screen: X11 EGL platform on an X server
// (our own Xvfb when none is reachable), OpenGL back end, the plugin and the
// stock modules loaded the way OBS loads them. Used by the tests and by
// velmora-run.
#pragma once

#include <obs.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace headless {

struct VideoSettings {
	uint32_t width = 1280;
	uint32_t height = 720;
	uint32_t fps_num = 60;
	uint32_t fps_den = 1;
	video_format format = VIDEO_FORMAT_NV12;
	video_colorspace colorspace = VIDEO_CS_709;
	video_range_type range = VIDEO_RANGE_PARTIAL;
};

struct HostConfig {
	VideoSettings video;
	std::string locale = "en-US";
	// Load the plugin from plugin_path with data_path as its data folder.
	bool load_plugin = true;
	std::string plugin_path; // empty: the build tree's module
	std::string data_path;   // empty: the source tree's data folder
	// Stock modules by file name without extension ("image-source", ...).
	std::vector<std::string> stock_modules = {"image-source",
						  "obs-filters"};
	// Copy host log lines to stderr as they arrive.
	bool echo_log = false;
};

// Starts the host; false with a reason in *error when it cannot.
bool start(const HostConfig &config, std::string *error = nullptr);

// Shuts the host down and returns the host allocator's count of live
// allocations afterwards (what OBS reports as "Number of memory leaks").
long stop();

bool running();

// Loads the plugin (empty paths: the build tree's module and the source
// tree's data folder). start() does this itself when load_plugin is set.
bool load_plugin(const std::string &path, const std::string &data,
		 std::string *error = nullptr);

// Reset the host's video with new settings (outputs must be stopped).
bool reset_video(const VideoSettings &video);

// Paths of the module and of its data folder as loaded.
const std::string &plugin_path();
const std::string &data_path();
obs_module_t *plugin_module();

// Folder of the host's stock modules and of their data.
std::string stock_module_dir();
std::string stock_data_dir(const std::string &module);

/* --- host log ------------------------------------------------------- */

struct LogLine {
	int level;
	std::string text;
};

std::vector<LogLine> log_lines();
void clear_log();
// Number of lines containing text (at the given level when level >= 0).
size_t log_count(const std::string &text, int level = -1);
bool log_contains(const std::string &text, int level = -1);

/* --- frames and the graphics thread ---------------------------------- */

// Waits until n frames have been rendered by the host. False on timeout.
bool wait_frames(int n = 1, int timeout_ms = 10000);

// The longest time between two frames the host rendered since the last
// call (or the start), in milliseconds, including the time since the last
// frame; starts the next measurement.
double take_longest_frame_gap_ms();

// Runs fn on the host's graphics thread inside its graphics context, right
// after the frame's tick (in a main render callback), and waits for it.
void on_graphics_thread(const std::function<void()> &fn);

/* --- sources --------------------------------------------------------- */

// A colour source ("color_source_v3") of the given size; color is
// 0xAABBGGRR as the host's colour properties store it.
obs_source_t *make_color_source(const char *name, uint32_t width,
				uint32_t height, uint32_t color);

// An image source ("image_source") showing the file at path.
obs_source_t *make_image_source(const char *name, const std::string &path);

// Adds a filter by id to source; returns the filter (caller releases).
obs_source_t *add_filter(obs_source_t *source, const char *id,
			 const char *name, obs_data_t *settings = nullptr);

// Shows source in the program output through a private scene so that it is
// active and showing; returns the scene, which the caller hands back to
// hide_from_program.
obs_scene_t *show_in_program(obs_source_t *source);

// Clears the program output and removes the scene show_in_program made.
void hide_from_program(obs_scene_t *scene);

// Removes a scene the caller made and releases it (null: nothing). Every
// scene a test makes goes this way: libobs 31 keeps a public scene in its
// main canvas until it is removed, and counts it as leaked at shutdown.
void remove_scene(obs_scene_t *scene);

// Presses a button property of source; returns the callback's result.
bool press_button(obs_source_t *source, const char *property);

/* --- reading pixels back --------------------------------------------- */

struct Image {
	uint32_t width = 0;
	uint32_t height = 0;
	std::vector<uint8_t> rgba; // rows top first, 4 bytes per pixel

	bool empty() const { return rgba.empty(); }
	const uint8_t *at(uint32_t x, uint32_t y) const
	{
		return &rgba[(size_t(y) * width + x) * 4];
	}
	uint32_t pixel(uint32_t x, uint32_t y) const; // 0xAABBGGRR
};

enum class RenderMode {
	// obs_source_video_render into a cleared target, linear sRGB off
	Bare,
	// the way a scene draws its items (linear sRGB on)
	AsScene,
};

// Renders source at width x height (0: its own size) into an RGBA render
// target cleared to background (0xAABBGGRR) and reads it back.
Image render_source(obs_source_t *source, uint32_t width = 0,
		    uint32_t height = 0, RenderMode mode = RenderMode::AsScene,
		    uint32_t background = 0x00000000);

// Puts source at the top-left of a private scene, lets two frames pass and
// renders the scene itself: exactly how a scene draws the source.
Image render_in_scene(obs_source_t *source, uint32_t width = 0,
		      uint32_t height = 0, uint32_t background = 0x00000000);

// Copies an RGBA texture back to memory; on the graphics thread only.
Image read_texture_now(gs_texture_t *texture);

// Same as render_source, but must be called on the graphics thread (inside
// on_graphics_thread); lets a caller read several sources in one frame.
Image render_source_now(obs_source_t *source, uint32_t width,
			uint32_t height, RenderMode mode, uint32_t background);

} // namespace headless
