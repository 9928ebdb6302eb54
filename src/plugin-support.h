// Module frame services shared by every plugin object: the tagged log
// function and the module's localised texts.
#pragma once

#include <obs-module.h>

#ifdef __cplusplus
extern "C" {
#endif

// Tag put in front of every line that goes through plugin_log.
extern const char *const PLUGIN_TAG;

// Logs "[velmora-plugin] <format>" at the given host level. The caller's
// directives are expanded by the host, not here.
void plugin_log(int level, const char *format, ...)
#if defined(__GNUC__)
	__attribute__((format(printf, 2, 3)))
#endif
	;

// The localised text for key, or key itself when there is none.
const char *module_text(const char *key);

// The module handle the host handed over (null before that).
obs_module_t *plugin_module(void);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#include <string>

// module_text(key) with every "%1" in it replaced by value (a path, a
// name): the translation decides where the value goes.
std::string module_text_with(const char *key, const std::string &value);
#endif
