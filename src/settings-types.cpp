#include "settings-types.h"

bool settings_keep_type(obs_data_t *settings, const char *key,
			enum obs_data_type type)
{
	obs_data_item_t *item = obs_data_item_byname(settings, key);
	const bool kept = !item || obs_data_item_gettype(item) == type;
	obs_data_item_release(&item);
	if (kept)
		return true;
	// A value of the right type first: the host then releases the wrong
	// one as what it is and reads the default as its own type again.
	switch (type) {
	case OBS_DATA_BOOLEAN:
		obs_data_set_bool(settings, key, false);
		break;
	case OBS_DATA_NUMBER:
		obs_data_set_int(settings, key, 0);
		break;
	case OBS_DATA_STRING:
		obs_data_set_string(settings, key, "");
		break;
	case OBS_DATA_OBJECT:
		obs_data_set_obj(settings, key, nullptr);
		break;
	case OBS_DATA_ARRAY:
		obs_data_set_array(settings, key, nullptr);
		break;
	case OBS_DATA_NULL:
		break;
	}
	obs_data_unset_user_value(settings, key);
	return false;
}
