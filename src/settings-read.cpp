#include "settings-read.h"

namespace {

// get(item) when key holds a value (the user's or a default) of type;
// otherwise fallback.
template<typename T, typename Get>
T read_typed(obs_data_t *settings, const char *key, obs_data_type type,
	     T fallback, Get get)
{
	obs_data_item_t *item = obs_data_item_byname(settings, key);
	if (!item)
		return fallback;
	T value = fallback;
	if (obs_data_item_gettype(item) == type &&
	    (obs_data_item_has_user_value(item) ||
	     obs_data_item_has_default_value(item)))
		value = get(item);
	obs_data_item_release(&item);
	return value;
}

} // namespace

std::string settings_string(obs_data_t *settings, const char *key,
			    const std::string &fallback)
{
	return read_typed<std::string>(settings, key, OBS_DATA_STRING, fallback,
				       [](obs_data_item_t *item) {
					       const char *value =
						       obs_data_item_get_string(item);
					       return std::string(value ? value : "");
				       });
}

bool settings_bool(obs_data_t *settings, const char *key, bool fallback)
{
	return read_typed(settings, key, OBS_DATA_BOOLEAN, fallback,
			  obs_data_item_get_bool);
}

long long settings_int(obs_data_t *settings, const char *key,
		       long long fallback)
{
	return read_typed(settings, key, OBS_DATA_NUMBER, fallback,
			  obs_data_item_get_int);
}

double settings_double(obs_data_t *settings, const char *key, double fallback)
{
	return read_typed(settings, key, OBS_DATA_NUMBER, fallback,
			  obs_data_item_get_double);
}

bool settings_has_user_value(obs_data_t *settings, const char *key,
			     obs_data_type type)
{
	obs_data_item_t *item = obs_data_item_byname(settings, key);
	const bool has = item && obs_data_item_gettype(item) == type &&
			 obs_data_item_has_user_value(item);
	obs_data_item_release(&item);
	return has;
}

bool settings_keep_type(obs_data_t *settings, const char *key,
			obs_data_type type)
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
