// The "shader_convert" button: a thin host wrapper around the pure
// conversion. It reads "shader_text", stores the converted text, hides
// itself and has the next settings update rebuild the effect.
#include "shader-convert-button.h"
#include "matting-filter.h"

#include "shader-convert.h"

#include <obs.hpp>

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
