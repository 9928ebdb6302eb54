// The matting filter's "shader_convert" button: rewrites the Shadertoy,
// GLSL or LOVE shader held in "shader_text" into the filter's effect text
// and has the effect rebuilt from it.
#pragma once

#include <obs-module.h>

// The button's click callback; data is the matting_filter instance. True
// when the text was converted (the panel is refreshed), false when nothing
// was changed.
bool shader_convert_clicked(obs_properties_t *props, obs_property_t *property,
			    void *data);
