// Settings keys that keep their type.
#pragma once

#include <obs-data.h>

// The host keeps one type per settings key for both the value and its
// default, and a value of another type (a controller sending a string or an
// object where a number belongs) retypes the default with it: the default
// then reads wrongly even after the value is removed, and for an object or
// an array the host later releases the default's bytes as a pointer (heap
// corruption, at the latest when the settings are freed). This drops such
// a value and gives the key its type back, so that the default reads as it
// was set. False when the key held a value of another type.
bool settings_keep_type(obs_data_t *settings, const char *key,
			enum obs_data_type type);
