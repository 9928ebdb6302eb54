// A texture parameter's whole life: bound from the settings to an image file
// or to another source (which then borrows this filter's active and showing
// references), drawn into its own render target when it shows a source,
// and released at the next build or at destroy.
#pragma once

#include "matting-filter.h"

// Binds param to the source named under "<name>_source", or else to the
// image file under "<name>" (default_file, the effect's declared default,
// becomes that path's default when the file is found). An image that
// cannot be shown leaves its reason in param.image_problem. Call from the
// settings update.
void texture_param_bind(matting_filter *filter, matting_param &param,
			obs_data_t *settings, const std::string &default_file);

// The texture the parameter shows this frame: its bound source drawn into
// its render target, its image, or none. Graphics thread only.
gs_texture_t *texture_param_texture(matting_param &param);

// The references a bound source carries from the filter.
struct texture_lending {
	bool active = false;
	bool showing = false;
};

// For a record already taken out of the filter's list: frees the image,
// gives the bound source the references it carries (lent) back and forgets
// it, and destroys the render target. Enters the graphics context itself.
void texture_param_release(matting_param &param, texture_lending lent);
