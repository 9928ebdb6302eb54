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
