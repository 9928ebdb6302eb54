// The "shader_convert" button: a thin host wrapper around the pure
// conversion. It reads "shader_text", stores the converted text, hides
// itself and has the next settings update rebuild the effect.
#include "shader-convert-button.h"
#include "matting-filter.h"

#include "shader-convert.h"

#include <obs.hpp>

#include <cstring>
#include <string>

namespace {

// The longest text the button converts. The conversion's time grows in
// step with the text (a few milliseconds for 64 KB), but it runs on the
// host's interface thread and its result can be twice as long; real
// shaders stay far below this.
constexpr size_t MAX_CONVERT_TEXT = 256 * 1024;

void report_text_too_long(obs_data_t *settings, size_t length)
{
	const std::string message =
		"The shader text is too long to convert: " +
		std::to_string(length) + " bytes, at most " +
		std::to_string(MAX_CONVERT_TEXT) + ". Nothing was changed.";
	blog(LOG_WARNING, MATTING_LOG_PREFIX "%s", message.c_str());
	obs_data_set_string(settings, S_LAST_ERROR, message.c_str());
}

} // namespace

bool shader_convert_clicked(obs_properties_t *, obs_property_t *property,
			    void *data)
{
	auto *filter = static_cast<matting_filter *>(data);
	if (!filter)
		return false;
	OBSDataAutoRelease settings = obs_source_get_settings(filter->source);
	if (!settings)
		return false;

	{
		// The settings are shared with the update on the graphics
		// thread; a remote request presses this button from its own.
		std::lock_guard<std::mutex> lock(filter->params_mutex);
		const char *text = obs_data_get_string(settings, S_SHADER_TEXT);
		const size_t length = text ? strlen(text) : 0;
		if (length > MAX_CONVERT_TEXT) {
			report_text_too_long(settings, length);
			return false;
		}
		const ConvertResult result = convert_shader(text ? text : "");
		if (!result.converted())
			return false;
		obs_data_set_string(settings, S_SHADER_TEXT, result.text.c_str());
	}
	if (property)
		obs_property_set_visible(property, false);
	filter->reload_pending = true;
	obs_source_update(filter->source, nullptr);
	return true;
}
