// Where the host that the tools and tests run against keeps its stock
// modules and its data. The build records the folders of the libobs it is
// made with; the environment variables VELMORA_HOST_MODULE_DIR and
// VELMORA_HOST_DATA_DIR point a build at another host's instead.
#pragma once

#include <string>

namespace host_paths {

// Folder of the stock modules (image-source.so, obs-filters.so, ...).
std::string module_dir();

// The host's data folder: libobs's effects in "libobs/", each stock
// module's data in "obs-plugins/<module>/".
std::string data_dir();

} // namespace host_paths
