// The pure steps around the built-in texts. The texts themselves are real
// effect files (builtin/template.effect, builtin/technique.effect,
// builtin/render-output.effect), compiled in byte for byte at build time.
#include "effect-text.h"

#include <cstring>

const char *const OPENGL_ADAPTATION_LINE = "#define OPENGL 1\n";

std::string compose_effect_text(bool use_template, const std::string &user_text)
{
	std::string text;
	text.reserve(strlen(EFFECT_TEMPLATE_TEXT) + user_text.size() +
		     strlen(EFFECT_TECHNIQUE_TEXT));
	if (use_template)
		text += EFFECT_TEMPLATE_TEXT;
	text += user_text;
	if (use_template)
		text += EFFECT_TECHNIQUE_TEXT;
	return text;
}

void adapt_effect_text_for_opengl(std::string &text)
{
	static const std::string loop_attribute = "[loop]";
	for (size_t at = text.find(loop_attribute); at != std::string::npos;
	     at = text.find(loop_attribute, at))
		text.erase(at, loop_attribute.size());
	text.insert(0, OPENGL_ADAPTATION_LINE);
}

bool effect_text_uses_pm_alpha(const std::string &text)
{
	return text.find(USE_PM_ALPHA_MARKER) != std::string::npos;
}
