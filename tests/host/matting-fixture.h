// Helpers shared by the matting filter's host tests.
#pragma once

#include "host-environment.h"
#include "sanitizer-build.h"
#include "plugin-ids.h"

#include <obs.hpp>

#include <atomic>
#include <string>
#include <thread>

namespace mattingtest {

using hosttest::colours::GREEN;
using hosttest::colours::RED;
using hosttest::Shown;

// A template-mode body that passes its input through.
const char PASS_THROUGH[] = "float4 mainImage(VertData v_in) : TARGET\n"
			    "{\n"
			    "\treturn image.Sample(textureSampler, v_in.uv);\n"
			    "}\n";

// First line of a test body: reads the input at v_in.uv in a way the
// compiler cannot drop (the OpenGL back end cannot draw an effect whose
// texture coordinate is never read).
const char READ_UV[] = "\tfloat4 sampled = image.Sample(textureSampler, v_in.uv);\n"
		       "\tif (sampled.a < -1.0)\n\t\treturn sampled;\n";

// Template-mode bodies: one returning colour (an HLSL float4 expression);
// one returning opaque green when condition holds, else opaque red.
std::string constant_body(const std::string &colour);
std::string check_body(const std::string &condition,
		       const std::string &declarations = "");

// A colour source named "input" to put filters on.
obs_source_t *make_input(uint32_t width = 8, uint32_t height = 8,
			 uint32_t colour = hosttest::colours::GREY);

// The matting filter on parent with shader_text and the settings in extra,
// after its first update and a few ticks.
obs_source_t *add_matting(obs_source_t *parent, const std::string &text,
			  obs_data_t *extra = nullptr);

// Sets shader_text, presses "reload_effect" and lets the rebuild run.
void reload_with_text(obs_source_t *filter, const std::string &text);

// The centre of source drawn as a scene draws it, at size x size pixels.
uint32_t centre_pixel(obs_source_t *source, uint32_t size = 8);

// Applies settings to a filter (between two ticks) and lets its deferred
// update run.
void update_and_settle(obs_source_t *filter, obs_data_t *settings);

// The module's text for key, with "%1" replaced by value.
std::string locale_text(const char *key, const std::string &value = "");

std::string last_error(obs_source_t *filter);

// Waits until updates and ticks have run.
void settle(int frames = 3);

// Settings from the text of a JSON object (colours as decimal integers).
OBSDataAutoRelease json(const std::string &text);

// Settings that load the effect from the file at path.
OBSDataAutoRelease from_file(const std::string &path, bool complete = false);

// Path of an example effect shipped in the module's data folder.
std::string example(const std::string &name);


// Under a per-process temporary folder (removed at exit): a file holding
// text, a directory; their paths.
std::string write_temp_file(const std::string &name, const std::string &text);
std::string make_temp_dir(const std::string &name);

// Applies settings, presses "reload_effect" and lets the rebuild run; false
// when the host went longer than max_gap_ms without a frame meanwhile (the
// rebuild blocked the graphics thread).
bool reload_without_stall(obs_source_t *filter, obs_data_t *settings,
			  int max_gap_ms = 1000 * VELMORA_SANITIZER_SLOWDOWN);

// A named pipe under the temporary folder. A writer comes after a few
// seconds and writes a few bytes, so that a reader blocked on it goes on.
class LateFifo {
public:
	explicit LateFifo(const std::string &name);
	~LateFifo();
	const std::string path;

private:
	std::atomic<bool> done{false};
	std::thread writer;
};

} // namespace mattingtest
