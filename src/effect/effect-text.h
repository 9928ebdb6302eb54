// The fixed texts around a user effect and the pure steps that turn the
// user's text into the text handed to the host's effect compiler.
#pragma once

#include <string>

// Declarations placed ahead of a template-mode user text: ViewProj, image,
// the mapping, timer and random uniforms, textureSampler (border addressing,
// transparent black outside the texture), VertData, mainTransform (which
// applies uv_scale and uv_offset) and the sRGB decoding helpers.
extern const char *const EFFECT_TEMPLATE_TEXT;

// The "Draw" technique placed after a template-mode user text; it pairs
// mainTransform with the user's mainImage.
extern const char *const EFFECT_TECHNIQUE_TEXT;

// The fixed effect that draws the filter's result (uniform output_image),
// decoding sRGB-encoded colour to linear.
extern const char *const RENDER_OUTPUT_EFFECT_TEXT;

// Marker by which a user text says its output alpha is premultiplied.
#define USE_PM_ALPHA_MARKER "#define USE_PM_ALPHA 1"

// Template + user text + technique when use_template is set, otherwise the
// user text alone.
std::string compose_effect_text(bool use_template, const std::string &user_text);

// The line the OpenGL adaptation puts at the very start: "#define OPENGL 1".
extern const char *const OPENGL_ADAPTATION_LINE;

// The OpenGL back end has no "[loop]" attribute: removes every occurrence
// and puts OPENGL_ADAPTATION_LINE at the very start.
void adapt_effect_text_for_opengl(std::string &text);

// True when the text contains the premultiplied-alpha marker anywhere
// (comments included: a plain substring search).
bool effect_text_uses_pm_alpha(const std::string &text);
