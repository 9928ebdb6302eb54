// Host tests run in one real libobs per process: the environment starts it
// before the first test and, after the last, shuts it down and checks that
// the host allocator has nothing left.
#pragma once

#include "headless-host.h"

#include <gtest/gtest.h>
#include <obs.hpp>

#include <string>

namespace hosttest {

// Opaque colours as read back (0xAABBGGRR).
namespace colours {
const uint32_t RED = 0xFF0000FF, GREEN = 0xFF00FF00, BLUE = 0xFFFF0000,
	       GREY = 0xFF808080, WHITE = 0xFFFFFFFF, BLACK = 0xFF000000;
}

// Configuration of the host for this test program; a test program may
// define its own host_config() to replace the default one.
headless::HostConfig host_config();

// Path of a file under tests/data, and its bytes.
std::string test_data(const std::string &name);
std::string read_test_data(const std::string &name);

// Colours read back (0xAABBGGRR): every channel within tolerance.
::testing::AssertionResult pixel_near(uint32_t actual, uint32_t expected,
				      int tolerance = 2);

// Shows a source in the program (active and showing) while it lives.
class Shown {
public:
	explicit Shown(obs_source_t *source);
	~Shown();
	Shown(const Shown &) = delete;
	Shown &operator=(const Shown &) = delete;

private:
	obs_scene_t *scene;
};

} // namespace hosttest
