// Settings read by type. A value stored under a key with another type than
// the one the module reads there (a number where text belongs, text where a
// switch belongs...) counts as absent, like a missing key: the caller's
// fallback, which is the key's default, is returned. The host itself would
// answer 0, false or "" for it and keep refusing the key's default, so a
// wrong-typed value could never be reset.
#pragma once

#include <obs-module.h>

#include <string>

std::string settings_string(obs_data_t *settings, const char *key,
			    const std::string &fallback = std::string());
bool settings_bool(obs_data_t *settings, const char *key, bool fallback = false);
long long settings_int(obs_data_t *settings, const char *key,
		       long long fallback = 0);
double settings_double(obs_data_t *settings, const char *key,
		       double fallback = 0.0);

// Whether key holds a value of the user's of that type.
bool settings_has_user_value(obs_data_t *settings, const char *key,
			     obs_data_type type);

// The host keeps one type per key for both the value and its default, and
// a value of another type retypes the default with it: the default then
// reads wrongly even after the value is removed, and for an object or an
// array the host later releases the default's bytes as a pointer (heap
// corruption, at the latest when the settings are freed). This drops such
// a value and gives the key its type back, so that its default reads as it
// was set; the settings are written, so call it where the module writes
// its settings (update). False when the key held a value of another type.
bool settings_keep_type(obs_data_t *settings, const char *key,
			obs_data_type type);
