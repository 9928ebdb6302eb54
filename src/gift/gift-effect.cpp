#include "gift-effect.h"

#include <util/base.h>
#include <util/bmem.h>

namespace {

void set_bool_uniform(gs_effect_t *effect, const char *name, bool value)
{
	gs_eparam_t *param = gs_effect_get_param_by_name(effect, name);
	if (param)
		gs_effect_set_bool(param, value);
}

} // namespace

gs_effect_t *gift_effect_create(void)
{
	char *error = nullptr;
	gs_effect_t *effect = gs_effect_create(GIFT_EFFECT_TEXT, nullptr, &error);
	if (!effect) {
		blog(LOG_ERROR,
		     "[velmora-gift] the effect does not compile: %s",
		     error ? error : "(no message; see the lines above)");
		bfree(error);
		return nullptr;
	}
	return effect;
}

void gift_effect_set_packing(gs_effect_t *effect)
{
	set_bool_uniform(effect, "stereo_top_bottom", false);
	set_bool_uniform(effect, "stereo_left_right", true);
}
