#include "headless-host.h"
#include "host-paths.h"
#include "sanitizer-build.h"
#include "xserver.h"

#include <obs-nix-platform.h>
#include <obs.hpp>
#include <util/base.h>
#include <util/bmem.h>
#include <util/platform.h>

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

#ifndef VELMORA_BUILD_MODULE
#define VELMORA_BUILD_MODULE ""
#endif
#ifndef VELMORA_SOURCE_DATA
#define VELMORA_SOURCE_DATA ""
#endif

namespace headless {

namespace {

struct Job {
	std::function<void()> fn;
	bool done = false;
};

struct State {
	bool running = false;
	Display *display = nullptr;
	bool echo_log = false;
	std::string plugin_path;
	std::string data_path;
	obs_module_t *plugin = nullptr;

	std::mutex log_mutex;
	std::vector<LogLine> log;

	std::mutex frame_mutex;
	std::condition_variable frame_cond;
	uint64_t frames = 0;
	uint64_t last_frame_ns = 0;
	uint64_t longest_gap_ns = 0;
	std::deque<Job *> jobs;
};

State &state()
{
	static State s;
	return s;
}

void log_handler(int level, const char *format, va_list args, void *)
{
	char buffer[8192];
	vsnprintf(buffer, sizeof(buffer), format, args);
	State &s = state();
	if (s.echo_log)
		fprintf(stderr, "[host %d] %s\n", level, buffer);
	std::lock_guard<std::mutex> lock(s.log_mutex);
	s.log.push_back({level, buffer});
}

// Runs once per frame on the graphics thread, after the tick.
void frame_callback(void *, uint32_t, uint32_t)
{
	State &s = state();
	const uint64_t now = os_gettime_ns();
	std::unique_lock<std::mutex> lock(s.frame_mutex);
	if (s.last_frame_ns)
		s.longest_gap_ns =
			std::max(s.longest_gap_ns, now - s.last_frame_ns);
	s.last_frame_ns = now;
	while (!s.jobs.empty()) {
		Job *job = s.jobs.front();
		s.jobs.pop_front();
		lock.unlock();
		job->fn();
		lock.lock();
		job->done = true;
	}
	s.frames++;
	lock.unlock();
	s.frame_cond.notify_all();
}

obs_video_info video_info(const VideoSettings &v)
{
	obs_video_info ovi = {};
	ovi.graphics_module = "libobs-opengl";
	ovi.fps_num = v.fps_num;
	ovi.fps_den = v.fps_den;
	ovi.base_width = ovi.output_width = v.width;
	ovi.base_height = ovi.output_height = v.height;
	ovi.output_format = v.format;
	ovi.adapter = 0;
	ovi.gpu_conversion = true;
	ovi.colorspace = v.colorspace;
	ovi.range = v.range;
	ovi.scale_type = OBS_SCALE_BICUBIC;
	return ovi;
}

bool fail(std::string *error, const std::string &why)
{
	if (error)
		*error = why;
	return false;
}

bool load_module(const std::string &path, const std::string &data,
		 obs_module_t **out, std::string *error)
{
	obs_module_t *module = nullptr;
	int result = obs_open_module(&module, path.c_str(), data.c_str());
	if (result != MODULE_SUCCESS)
		return fail(error, "cannot open module " + path + " (code " +
					   std::to_string(result) + ")");
	if (!obs_init_module(module))
		return fail(error, "module " + path + " failed to load");
	if (out)
		*out = module;
	return true;
}

} // namespace

std::string stock_module_dir()
{
	return host_paths::module_dir();
}

std::string stock_data_dir(const std::string &module)
{
	return host_paths::data_dir() + "/obs-plugins/" + module;
}

bool start(const HostConfig &config, std::string *error)
{
	State &s = state();
	if (s.running)
		return fail(error, "host already running");

	s.echo_log = config.echo_log;
	base_set_log_handler(log_handler, nullptr);

	if (!ensure_x_server(error))
		return false;
	s.display = XOpenDisplay(nullptr);
	if (!s.display)
		return fail(error, "cannot open the X display");

	obs_set_nix_platform(OBS_NIX_PLATFORM_X11_EGL);
	obs_set_nix_platform_display(s.display);
	if (!obs_startup(config.locale.c_str(), nullptr, nullptr))
		return fail(error, "obs_startup failed");
	s.running = true;

	obs_audio_info audio = {};
	audio.samples_per_sec = 48000;
	audio.speakers = SPEAKERS_STEREO;
	if (!obs_reset_audio(&audio))
		return fail(error, "obs_reset_audio failed");
	if (!reset_video(config.video))
		return fail(error, "obs_reset_video failed");

	for (const std::string &name : config.stock_modules) {
		std::string path = stock_module_dir() + "/" + name + ".so";
		if (!load_module(path, stock_data_dir(name), nullptr, error))
			return false;
	}

	if (config.load_plugin)
		return load_plugin(config.plugin_path, config.data_path, error);
	return true;
}

bool load_plugin(const std::string &path, const std::string &data,
		 std::string *error)
{
	State &s = state();
	s.plugin_path = path.empty() ? std::string(VELMORA_BUILD_MODULE) : path;
	s.data_path = data.empty() ? std::string(VELMORA_SOURCE_DATA) : data;
	return load_module(s.plugin_path, s.data_path, &s.plugin, error);
}

bool reset_video(const VideoSettings &video)
{
	obs_remove_main_render_callback(frame_callback, nullptr);
	obs_video_info ovi = video_info(video);
	int result = obs_reset_video(&ovi);
	if (result != OBS_VIDEO_SUCCESS)
		return false;
	obs_add_main_render_callback(frame_callback, nullptr);
	return true;
}

namespace {

// Under a sanitizer, keeps every library loaded now mapped until the process
// ends. The host and its graphics driver unload libraries at shutdown (Mesa's
// driver with the compiler it holds); what only they still referenced would
// then be reported as leaked, from frames no report can name.
void keep_libraries_mapped()
{
#ifdef VELMORA_SANITIZER_OPTIONS
	dl_iterate_phdr(
		[](dl_phdr_info *info, size_t, void *) {
			if (info->dlpi_name && *info->dlpi_name)
				dlopen(info->dlpi_name,
				       RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
			return 0;
		},
		nullptr);
#endif
}

} // namespace

long stop()
{
	State &s = state();
	keep_libraries_mapped();
	if (s.running) {
		obs_remove_main_render_callback(frame_callback, nullptr);
		obs_set_output_source(0, nullptr);
		obs_shutdown();
		s.running = false;
		s.plugin = nullptr;
	}
	if (s.display) {
		XCloseDisplay(s.display);
		s.display = nullptr;
	}
	base_set_log_handler(nullptr, nullptr);
	return bnum_allocs();
}

bool running()
{
	return state().running;
}

const std::string &plugin_path()
{
	return state().plugin_path;
}

const std::string &data_path()
{
	return state().data_path;
}

obs_module_t *plugin_module()
{
	return state().plugin;
}

std::vector<LogLine> log_lines()
{
	State &s = state();
	std::lock_guard<std::mutex> lock(s.log_mutex);
	return s.log;
}

void clear_log()
{
	State &s = state();
	std::lock_guard<std::mutex> lock(s.log_mutex);
	s.log.clear();
}

size_t log_count(const std::string &text, int level)
{
	size_t count = 0;
	for (const LogLine &line : log_lines())
		if ((level < 0 || line.level == level) &&
		    line.text.find(text) != std::string::npos)
			count++;
	return count;
}

bool log_contains(const std::string &text, int level)
{
	return log_count(text, level) > 0;
}

bool wait_frames(int n, int timeout_ms)
{
	State &s = state();
	std::unique_lock<std::mutex> lock(s.frame_mutex);
	const uint64_t target = s.frames + uint64_t(n);
	return s.frame_cond.wait_for(lock,
				     std::chrono::milliseconds(timeout_ms),
				     [&] { return s.frames >= target; });
}

double take_longest_frame_gap_ms()
{
	State &s = state();
	const uint64_t now = os_gettime_ns();
	std::lock_guard<std::mutex> lock(s.frame_mutex);
	uint64_t longest = s.longest_gap_ns;
	if (s.last_frame_ns)
		longest = std::max(longest, now - s.last_frame_ns);
	s.longest_gap_ns = 0;
	return double(longest) / 1e6;
}

void on_graphics_thread(const std::function<void()> &fn)
{
	State &s = state();
	Job job;
	job.fn = fn;
	std::unique_lock<std::mutex> lock(s.frame_mutex);
	s.jobs.push_back(&job);
	s.frame_cond.wait(lock, [&] { return job.done; });
}

obs_source_t *make_color_source(const char *name, uint32_t width,
				uint32_t height, uint32_t color)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "width", width);
	obs_data_set_int(settings, "height", height);
	obs_data_set_int(settings, "color", color);
	return obs_source_create("color_source_v3", name, settings, nullptr);
}

obs_source_t *make_image_source(const char *name, const std::string &path)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "file", path.c_str());
	return obs_source_create("image_source", name, settings, nullptr);
}

obs_source_t *add_filter(obs_source_t *source, const char *id,
			 const char *name, obs_data_t *settings)
{
	obs_source_t *filter = obs_source_create(id, name, settings, nullptr);
	if (filter)
		obs_source_filter_add(source, filter);
	return filter;
}

obs_scene_t *show_in_program(obs_source_t *source)
{
	if (!source) {
		obs_set_output_source(0, nullptr);
		return nullptr;
	}
	obs_scene_t *scene = obs_scene_create_private("headless program");
	obs_scene_add(scene, source);
	obs_set_output_source(0, obs_scene_get_source(scene));
	return scene;
}

void hide_from_program(obs_scene_t *scene)
{
	obs_set_output_source(0, nullptr);
	remove_scene(scene);
}

void remove_scene(obs_scene_t *scene)
{
	if (!scene)
		return;
	obs_source_remove(obs_scene_get_source(scene));
	obs_scene_release(scene);
}

bool press_button(obs_source_t *source, const char *property)
{
	obs_properties_t *props = obs_source_properties(source);
	if (!props)
		return false;
	obs_property_t *button = obs_properties_get(props, property);
	bool result = button && obs_property_button_clicked(button, source);
	obs_properties_destroy(props);
	return result;
}

uint32_t Image::pixel(uint32_t x, uint32_t y) const
{
	const uint8_t *p = at(x, y);
	return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
	       uint32_t(p[3]) << 24;
}

Image read_texture_now(gs_texture_t *texture)
{
	Image image;
	if (!texture)
		return image;
	const uint32_t width = gs_texture_get_width(texture);
	const uint32_t height = gs_texture_get_height(texture);
	gs_stagesurf_t *stage = gs_stagesurface_create(width, height, GS_RGBA);
	gs_stage_texture(stage, texture);
	uint8_t *data = nullptr;
	uint32_t linesize = 0;
	if (gs_stagesurface_map(stage, &data, &linesize)) {
		image.width = width;
		image.height = height;
		image.rgba.resize(size_t(width) * height * 4);
		for (uint32_t y = 0; y < height; y++)
			memcpy(&image.rgba[size_t(y) * width * 4],
			       data + size_t(y) * linesize, size_t(width) * 4);
		gs_stagesurface_unmap(stage);
	}
	gs_stagesurface_destroy(stage);
	return image;
}

Image render_source_now(obs_source_t *source, uint32_t width, uint32_t height,
			RenderMode mode, uint32_t background)
{
	Image image;
	if (!width)
		width = obs_source_get_width(source);
	if (!height)
		height = obs_source_get_height(source);
	if (!width || !height)
		return image;

	gs_texrender_t *target = gs_texrender_create(GS_RGBA, GS_ZS_NONE);

	if (gs_texrender_begin(target, width, height)) {
		vec4 clear;
		vec4_from_rgba(&clear, background);
		gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
		gs_ortho(0.0f, float(width), 0.0f, float(height), -100.0f,
			 100.0f);

		gs_blend_state_push();
		gs_reset_blend_state();
		const bool previous_fb = gs_framebuffer_srgb_enabled();
		bool previous_linear = gs_get_linear_srgb();
		if (mode == RenderMode::AsScene) {
			// What a scene does for each of its items.
			gs_blend_function(GS_BLEND_ONE, GS_BLEND_INVSRCALPHA);
			gs_enable_framebuffer_srgb(true);
			previous_linear = gs_set_linear_srgb(true);
		}
		obs_source_video_render(source);
		if (mode == RenderMode::AsScene) {
			gs_set_linear_srgb(previous_linear);
			gs_enable_framebuffer_srgb(previous_fb);
		}
		gs_blend_state_pop();
		gs_texrender_end(target);
		image = read_texture_now(gs_texrender_get_texture(target));
	}

	gs_texrender_destroy(target);
	return image;
}

Image render_source(obs_source_t *source, uint32_t width, uint32_t height,
		    RenderMode mode, uint32_t background)
{
	Image image;
	on_graphics_thread([&] {
		image = render_source_now(source, width, height, mode,
					  background);
	});
	return image;
}

} // namespace headless

namespace headless {

Image render_in_scene(obs_source_t *source, uint32_t width, uint32_t height,
		      uint32_t background)
{
	if (!width)
		width = obs_source_get_width(source);
	if (!height)
		height = obs_source_get_height(source);
	obs_scene_t *scene = obs_scene_create_private("headless capture");
	obs_scene_add(scene, source);
	wait_frames(2);
	Image image = render_source(obs_scene_get_source(scene), width, height,
				    RenderMode::Bare, background);
	remove_scene(scene);
	return image;
}

} // namespace headless
