// Paths as the module resolves them through the host.
#pragma once

#include <string>

// The absolute, canonical form of path; empty when there is none (the host
// answers nothing for a path that does not exist).
std::string absolute_path(const std::string &path);

// The module's data folder followed by relative ("/examples", ...); the
// folder part is left out when the host knows none.
std::string module_data_path(const std::string &relative);
