#include "plugin-support.h"

#include <util/text-lookup.h>

namespace {

obs_module_t *module_handle = nullptr;
lookup_t *module_lookup = nullptr;

const char *const DEFAULT_LOCALE = "en-US";

} // namespace

std::string module_text_with(const char *key, const std::string &value)
{
	std::string text = module_text(key);
	for (size_t at = text.find("%1"); at != std::string::npos;
	     at = text.find("%1", at + value.size()))
		text.replace(at, 2, value);
	return text;
}

extern "C" {

obs_module_t *plugin_module(void)
{
	return module_handle;
}

const char *module_text(const char *key)
{
	const char *text = key;
	if (module_lookup)
		text_lookup_getstr(module_lookup, key, &text);
	return text;
}

MODULE_EXPORT void obs_module_set_pointer(obs_module_t *module)
{
	module_handle = module;
}

MODULE_EXPORT bool obs_module_get_string(const char *key, const char **out)
{
	return text_lookup_getstr(module_lookup, key, out);
}

MODULE_EXPORT void obs_module_set_locale(const char *locale)
{
	if (module_lookup)
		text_lookup_destroy(module_lookup);
	module_lookup = obs_module_load_locale(module_handle, DEFAULT_LOCALE,
					     locale);
}

MODULE_EXPORT void obs_module_free_locale(void)
{
	text_lookup_destroy(module_lookup);
	module_lookup = nullptr;
}

} // extern "C"
