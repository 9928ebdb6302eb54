#include "host-paths.h"

#include <cstdlib>

#ifndef VELMORA_HOST_MODULE_DIR
#define VELMORA_HOST_MODULE_DIR "/usr/lib/x86_64-linux-gnu/obs-plugins"
#endif
#ifndef VELMORA_HOST_DATA_DIR
#define VELMORA_HOST_DATA_DIR "/usr/share/obs"
#endif

namespace host_paths {

namespace {

std::string from_environment(const char *name, const char *built_in)
{
	const char *value = getenv(name);
	return value && *value ? value : built_in;
}

} // namespace

std::string module_dir()
{
	return from_environment("VELMORA_HOST_MODULE_DIR",
				VELMORA_HOST_MODULE_DIR);
}

std::string data_dir()
{
	return from_environment("VELMORA_HOST_DATA_DIR", VELMORA_HOST_DATA_DIR);
}

} // namespace host_paths
