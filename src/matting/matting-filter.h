// The matting filter ("velmora-matting"): a video filter whose picture is
// produced by a user effect (text from the settings or a file with #include
// lines) wrapped in a template that supplies texture-coordinate mapping,
// timers, clocks and random values.
//
// This header holds the two records every part of the filter works on and
// the operations the parts share. The parts, one file each:
//   matting-register.cpp       the host's callback table
//   matting-filter.cpp         create/destroy, size, colour space
//   matting-defaults.cpp       default settings (the built-in keyer)
//   matting-build.cpp          effect build and parameter discovery
//   matting-files.cpp          effect files through the host's file system
//   matting-annotations.cpp    a parameter's annotations
//   matting-uniforms.cpp       the reserved uniforms
//   matting-update.cpp         settings update and parameter binding
//   matting-colour.cpp         colour settings packed as integers
//   matting-texture-param.cpp  texture parameters: images, borrowed sources
//                              and their active/showing references
//   matting-tick.cpp           per-frame tick
//   matting-clock.cpp          wall-clock values of the clock uniforms
//   matting-random.cpp         the random values
//   matting-render.cpp         the three render passes
//   matting-properties.cpp     properties panel, its callbacks and buttons
//   matting-panel-rules.cpp    the panel's pure rules
//   shader-convert-button.cpp  the "shader_convert" button (conversion)
//   matting-remote.cpp         the buttons' work and status for requests
//                              from other threads (src/remote)
// The effect texts and the pure work on them (template, loader, guard,
// built-in keyer) live in src/effect.
//
// Threads: the host applies a video source's settings updates at its next
// tick, so update, tick and render run one after another on the host's
// graphics thread (the host's own load of a saved filter calls load =
// update directly, before the filter is drawn). Other threads (the
// properties panel, activation, remote requests) never walk params
// directly: they take params_mutex, which the graphics thread holds while
// it swaps the list or changes a parameter's bound source. The filter's
// own code also holds it whenever it reads or writes the filter's settings
// object (the update's defaults and values, the build's sources, the
// panel's callbacks, last_error), which the host shares between threads
// without a lock. It is a leaf lock: under it nothing but the settings, the
// parameter records and weak references is touched, so it never waits on
// the host. Graphics objects are made and freed only inside the graphics
// context.
#pragma once

#include <obs-module.h>
#include <graphics/image-file.h>
#include <graphics/vec2.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Prefix of every log line of the matting filter.
#define MATTING_LOG_PREFIX "[vorq-matting] "

// Settings keys of the filter itself (the effect's parameters add their own).
#define S_EXPAND_LEFT "expand_left"
#define S_EXPAND_RIGHT "expand_right"
#define S_EXPAND_TOP "expand_top"
#define S_EXPAND_BOTTOM "expand_bottom"
#define S_OVERRIDE_ENTIRE_EFFECT "override_entire_effect"
#define S_FROM_FILE "from_file"
#define S_SHADER_TEXT "shader_text"
#define S_SHADER_CONVERT "shader_convert"
#define S_SHADER_FILE_NAME "shader_file_name"
#define S_LAST_ERROR "last_error"
#define S_RELOAD_EFFECT "reload_effect"

// Values of a parameter's "widget_type" annotation that the filter knows.
inline constexpr char SLIDER_WIDGET[] = "slider";
inline constexpr char SELECT_WIDGET[] = "select";
inline constexpr char INFO_WIDGET[] = "info";
inline constexpr char SOURCE_WIDGET[] = "source";
inline constexpr char FILE_WIDGET[] = "file";

// Margins accepted from the settings (the panel's range).
#define EXPAND_MIN 0
#define EXPAND_MAX 9999

// A parameter's current or default value. Which member is in use follows
// the parameter's type:
//   bool, int             integer (bool as 0 or 1)
//   float                 number (as read from the settings, not narrowed)
//   vec2, vec3, vec4      floats[0..3] (colours: red, green, blue, alpha)
// A string parameter keeps its text in matting_param::string_value instead;
// textures keep theirs in image_file or bound_source.
union matting_value {
	int64_t integer;
	double number;
	float floats[4];
};

// A range annotation: integer for int parameters, number for all others.
union matting_limit {
	int64_t integer;
	double number;
};

// What describes a user parameter (from its declaration and annotations):
// everything a reader on another thread may need, and nothing that changes
// after the build (see matting_params_snapshot).
struct matting_param_view {
	std::string name;        // uniform name, base of its settings keys
	std::string label;       // annotation "name" or "label"
	std::string widget_type; // annotation "widget_type"
	std::string group;       // annotation "group"
	std::vector<int32_t> option_values;     // annotations option_N (int)
	std::vector<std::string> option_labels; // annotations option_N (string)
	enum gs_shader_param_type type = GS_SHADER_PARAM_UNKNOWN;
	matting_limit minimum = {};
	matting_limit maximum = {};
	matting_limit step = {};
};

// One user parameter: a uniform of the compiled effect whose name is not
// reserved. Built by the effect build (names, type, annotations), filled by
// the settings update (values, image, bound source), uploaded by the render.
//
// The graphics resources (image_file, bound_source_render) and the weak
// reference bound_source are owned by the record but released only by
// matting_release_params(): moving a record moves them, destroying one does
// not release them.
struct matting_param : matting_param_view {
	std::string image_path; // path image_file was loaded from ("" = none)
	// Why the image under the parameter's path cannot be shown, for
	// last_error ("" = nothing wrong).
	std::string image_problem;
	gs_eparam_t *param = nullptr;
	gs_image_file_t *image_file = nullptr; // host allocator, zero-filled
	gs_texrender_t *bound_source_render = nullptr;
	obs_weak_source_t *bound_source = nullptr;
	matting_value value = {};
	matting_value default_value = {};
	bool has_default = false;
	// A string parameter's text: a private copy, so that a later change of
	// the setting never leaves the render with a dangling pointer.
	std::string string_value;
};

// One instance of the filter. Allocated value-initialised (everything zero,
// false or empty) by create, freed by destroy.
struct matting_filter {
	obs_source_t *source = nullptr;
	gs_effect_t *effect = nullptr;        // compiled user effect, or null
	gs_effect_t *output_effect = nullptr; // render_output effect, or null
	gs_vertbuffer_t *quad_vertices = nullptr;
	gs_texrender_t *input_render = nullptr;
	gs_texrender_t *previous_input_render = nullptr;
	gs_texrender_t *output_render = nullptr;
	gs_texrender_t *previous_output_render = nullptr;
	gs_eparam_t *output_image_param = nullptr;

	// Rebuild at the next settings update; set from any thread (buttons,
	// panel callbacks), taken by the update on the graphics thread.
	std::atomic<bool> reload_pending{false};
	// last_error holds the texture problems of the last binding (not a
	// build's error), to be taken away once they are solved.
	bool binding_error = false;
	std::string last_file_name;  // shader_file_name last seen
	bool from_file = false;      // from_file last seen
	bool use_pm_alpha = false;   // text has "#define USE_PM_ALPHA 1"
	bool frame_rendered = false; // full render done since the last tick
	bool input_rendered = false; // input captured since the last tick
	float start_time = 0.0f;     // elapsed_time at the first tick after a
				     // build; 0 = not marked yet
	float shown_time = 0.0f;
	float active_time = 0.0f;
	float enable_time = 0.0f;
	bool was_enabled = false;
	bool use_template = false;

	// Reserved uniforms of the effect (null when it does not declare them).
	gs_eparam_t *param_uv_offset = nullptr;
	gs_eparam_t *param_uv_scale = nullptr;
	gs_eparam_t *param_uv_pixel_interval = nullptr;
	gs_eparam_t *param_uv_size = nullptr;
	gs_eparam_t *param_current_time_ms = nullptr;
	gs_eparam_t *param_current_time_sec = nullptr;
	gs_eparam_t *param_current_time_min = nullptr;
	gs_eparam_t *param_current_time_hour = nullptr;
	gs_eparam_t *param_current_time_day_of_week = nullptr;
	gs_eparam_t *param_current_time_day_of_month = nullptr;
	gs_eparam_t *param_current_time_month = nullptr;
	gs_eparam_t *param_current_time_day_of_year = nullptr;
	gs_eparam_t *param_current_time_year = nullptr;
	gs_eparam_t *param_elapsed_time = nullptr;
	gs_eparam_t *param_elapsed_time_start = nullptr;
	gs_eparam_t *param_elapsed_time_show = nullptr;
	gs_eparam_t *param_elapsed_time_active = nullptr;
	gs_eparam_t *param_elapsed_time_enable = nullptr;
	gs_eparam_t *param_loops = nullptr;
	gs_eparam_t *param_loop_second = nullptr;
	gs_eparam_t *param_local_time = nullptr;
	gs_eparam_t *param_rand_f = nullptr;
	gs_eparam_t *param_rand_instance_f = nullptr;
	gs_eparam_t *param_rand_activation_f = nullptr;
	gs_eparam_t *param_image = nullptr;
	gs_eparam_t *param_previous_image = nullptr;
	gs_eparam_t *param_previous_output = nullptr;

	// Margins in pixels around the target, clamped to EXPAND_MIN..MAX.
	int32_t expand_left = 0;
	int32_t expand_right = 0;
	int32_t expand_top = 0;
	int32_t expand_bottom = 0;
	int32_t total_width = 0; // target base size plus margins as drawn
	int32_t total_height = 0; // (last tick; see matting-tick.h)
	int32_t asked_width = 0;  // target base size plus margins as set
	int32_t asked_height = 0;
	// What the tick last said in last_error about margins it had to cut
	// ("" = nothing); never replaces an effect error.
	std::string margins_message;
	bool rendering = false; // the effect pass of this instance is running

	// Values of the reserved uniforms, computed by the tick.
	vec2 uv_offset = {};
	vec2 uv_scale = {};
	vec2 uv_pixel_interval = {};
	vec2 uv_size = {};
	float elapsed_time = 0.0f;
	float loop_second = 0.0f;
	int32_t loops = 0;
	float local_time = 0.0f;
	float rand_f = 0.0f;
	float rand_instance_f = 0.0f;
	float rand_activation_f = 0.0f;

	// In the effect's declaration order. Replaced as a whole under
	// params_mutex; see the threads note at the top.
	std::vector<matting_param> params;
	std::mutex params_mutex;

	// Whether the bound sources carry an active / a showing reference from
	// this filter: set and cleared by the activate/deactivate and
	// show/hide callbacks and by matting_follow_parent_state. The host
	// keeps no active or showing count for a filter itself (asked, it
	// answers "inactive"), so the references follow these flags, which
	// pairs every increment with one decrement. Changed under
	// params_mutex together with the walk over the bound sources, and
	// read under it wherever a binding changes.
	std::atomic<bool> lends_active{false};
	std::atomic<bool> lends_showing{false};

	// Effect builds begun and finished (matting_build_effect counts them),
	// so that a request on another thread can wait for the first build
	// that begins after it asked for one (matting-remote.cpp).
	std::mutex build_mutex;
	std::condition_variable build_finished;
	uint64_t builds_begun = 0;
	uint64_t builds_done = 0;
};

/* --- host callbacks ---------------------------------------------------- */

const char *matting_get_name(void *type_data);
void *matting_create(obs_data_t *settings, obs_source_t *source);
void matting_destroy(void *data);
uint32_t matting_get_width(void *data);
uint32_t matting_get_height(void *data);
enum gs_color_space matting_get_color_space(void *data, size_t count,
					    const enum gs_color_space *preferred);
void matting_activate(void *data);
void matting_deactivate(void *data);
void matting_show(void *data);
void matting_hide(void *data);
void matting_video_tick(void *data, float seconds);
void matting_video_render(void *data, gs_effect_t *effect);
void matting_update(void *data, obs_data_t *settings);
void matting_get_defaults(obs_data_t *settings);
obs_properties_t *matting_get_properties(void *data);

/* --- operations shared by the parts ------------------------------------ */

// Settings key of component k of a vector parameter ("offset" -> "offset_0")
// and of a texture parameter's source ("mask" -> "mask_source").
std::string matting_component_key(const std::string &name, size_t k);
std::string matting_source_key(const std::string &name);

// Releases every parameter's image, bound source and render target, clears
// the reserved-uniform handles and empties params. Enters the graphics
// context itself where it frees graphics objects.
void matting_release_params(matting_filter *filter);

// A copy of the parameter list made under params_mutex: safe from any
// thread while the graphics thread rebuilds.
std::vector<matting_param_view> matting_params_snapshot(matting_filter *filter);

// Rebuilds the effect from the settings; reports in "last_error".
void matting_build_effect(matting_filter *filter);

// Writes error into the last_error setting (removes it when error is
// empty) under params_mutex, which the panel holds while it reads it.
void matting_set_last_error(matting_filter *filter, obs_data_t *settings,
			    const std::string &error);

// The last_error setting, read under params_mutex (any thread).
std::string matting_last_error(matting_filter *filter);

// Brings lends_active and lends_showing in line with the parent's state.
// The host calls a filter's activate/show only when its parent changes
// state, so a filter added to a parent that is already shown, or taken off
// one, is caught up here, once per tick.
void matting_follow_parent_state(matting_filter *filter);

