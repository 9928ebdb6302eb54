#include "plugin-paths.h"
#include "plugin-support.h"

#include <util/bmem.h>
#include <util/platform.h>

std::string absolute_path(const std::string &path)
{
	char *absolute = os_get_abs_path_ptr(path.c_str());
	std::string result = absolute ? absolute : "";
	bfree(absolute);
	return result;
}

std::string module_data_path(const std::string &relative)
{
	const char *data = obs_get_module_data_path(plugin_module());
	return std::string(data ? data : "") + relative;
}
