#include "matting-fixture.h"

#include <util/platform.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mattingtest {

std::string constant_body(const std::string &colour)
{
	return "float4 mainImage(VertData v_in) : TARGET\n{\n" +
	       std::string(READ_UV) + "\treturn " + colour + ";\n}\n";
}

std::string check_body(const std::string &condition,
		       const std::string &declarations)
{
	return declarations + "\n" +
	       constant_body("(" + condition + ") ? float4(0.0, 1.0, 0.0, 1.0)"
					       " : float4(1.0, 0.0, 0.0, 1.0)");
}

void settle(int frames)
{
	headless::wait_frames(frames);
}

obs_source_t *make_input(uint32_t width, uint32_t height, uint32_t colour)
{
	return headless::make_color_source("input", width, height, colour);
}

obs_source_t *add_matting(obs_source_t *parent, const std::string &text,
			  obs_data_t *extra)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "shader_text", text.c_str());
	if (extra)
		obs_data_apply(settings, extra);
	obs_source_t *filter =
		headless::add_filter(parent, MATTING_FILTER_ID, "matting", settings);
	settle();
	return filter;
}

void update_and_settle(obs_source_t *filter, obs_data_t *settings)
{
	// Between two ticks: the host applies the settings on this thread and
	// the filter reads them in its deferred update on the graphics thread,
	// without a lock of the host's between the two.
	headless::on_graphics_thread([&] { obs_source_update(filter, settings); });
	settle();
}

void reload_with_text(obs_source_t *filter, const std::string &text)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_string(settings, "shader_text", text.c_str());
	update_and_settle(filter, settings);
	headless::press_button(filter, "reload_effect");
	settle();
}

uint32_t centre_pixel(obs_source_t *source, uint32_t size)
{
	const headless::Image image = headless::render_source(source, size, size);
	return image.empty() ? 0 : image.pixel(size / 2, size / 2);
}

std::string locale_text(const char *key, const std::string &value)
{
	std::string text =
		obs_module_get_locale_text(headless::plugin_module(), key);
	for (size_t at = text.find("%1"); at != std::string::npos;
	     at = text.find("%1", at + value.size()))
		text.replace(at, 2, value);
	return text;
}

std::string last_error(obs_source_t *filter)
{
	OBSDataAutoRelease settings = obs_source_get_settings(filter);
	return obs_data_get_string(settings, "last_error");
}

OBSDataAutoRelease json(const std::string &text)
{
	return obs_data_create_from_json(text.c_str());
}

OBSDataAutoRelease from_file(const std::string &path, bool complete)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_bool(settings, "from_file", true);
	obs_data_set_bool(settings, "override_entire_effect", complete);
	obs_data_set_string(settings, "shader_file_name", path.c_str());
	return settings;
}

std::string example(const std::string &name)
{
	return headless::data_path() + "/examples/" + name;
}

namespace {

// The path of name under the per-process temporary folder, its folder made.
std::string temp_path(const std::string &name)
{
	static const std::string folder =
		"/tmp/velmora-matting-test-" + std::to_string(getpid());
	// Registered after folder is made, so it runs before folder goes.
	static const int removed_at_exit =
		atexit([] { std::filesystem::remove_all(folder); });
	(void)removed_at_exit;
	const std::string path = folder + "/" + name;
	os_mkdirs(path.substr(0, path.rfind('/')).c_str());
	return path;
}

} // namespace

std::string write_temp_file(const std::string &name, const std::string &text)
{
	const std::string path = temp_path(name);
	FILE *file = fopen(path.c_str(), "wb");
	if (file) {
		fwrite(text.data(), 1, text.size(), file);
		fclose(file);
	}
	return path;
}

std::string make_temp_dir(const std::string &name)
{
	const std::string path = temp_path(name);
	os_mkdirs(path.c_str());
	return path;
}

bool reload_without_stall(obs_source_t *filter, obs_data_t *settings,
			  int max_gap_ms)
{
	obs_source_update(filter, settings);
	headless::press_button(filter, "reload_effect");
	for (int frame = 0; frame < 3; frame++)
		if (!headless::wait_frames(1, max_gap_ms)) {
			settle(); // whatever blocked, let it end
			return false;
		}
	return true;
}

LateFifo::LateFifo(const std::string &name) : path(temp_path(name))
{
	mkfifo(path.c_str(), 0600);
	writer = std::thread([this] {
		const auto start = std::chrono::steady_clock::now();
		while (!done) {
			std::this_thread::sleep_for(std::chrono::milliseconds(20));
			if (std::chrono::steady_clock::now() - start <
			    std::chrono::seconds(3))
				continue;
			// Succeeds only while a reader has the pipe open.
			const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
			if (fd >= 0) {
				(void)!write(fd, "float4", 6);
				close(fd);
			}
		}
	});
}

LateFifo::~LateFifo()
{
	done = true;
	writer.join();
	unlink(path.c_str());
}

} // namespace mattingtest
