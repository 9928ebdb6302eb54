// Defaults of a new matting filter: the built-in keyer as its effect text.
// Every other fixed key keeps the host's zero default; the effect's own
// parameters get their defaults from the effect at each settings update.
#include "matting-filter.h"
#include "keyer-effect.h"

void matting_get_defaults(obs_data_t *settings)
{
	obs_data_set_default_string(settings, S_SHADER_TEXT, keyer_effect_text);
}
