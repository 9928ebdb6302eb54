// Placeholder for the "shader_convert" button until the shader conversion
// provides it: a click converts nothing and asks for no refresh.
#include <obs-module.h>

bool shader_convert_clicked(obs_properties_t *, obs_property_t *, void *)
{
	return false;
}
