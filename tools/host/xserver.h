// An X server for the host's EGL platform: the one in DISPLAY when it
// answers, otherwise an Xvfb of our own, stopped by its pid at exit.
#pragma once

#include <string>

namespace headless {

bool ensure_x_server(std::string *error);

} // namespace headless
