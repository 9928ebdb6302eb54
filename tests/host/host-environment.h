// Host tests run in one real libobs per process: the environment starts it
// before the first test and, after the last, shuts it down and checks that
// the host allocator has nothing left.
#pragma once

#include "headless-host.h"

#include <gtest/gtest.h>
#include <obs.hpp>

#include <string>

namespace hosttest {

// Configuration of the host for this test program; a test program may
// define its own host_config() to replace the default one.
headless::HostConfig host_config();

// Path of a file under tests/data.
std::string test_data(const std::string &name);

// Colours read back (0xAABBGGRR): every channel within tolerance.
::testing::AssertionResult pixel_near(uint32_t actual, uint32_t expected,
				      int tolerance = 2);

} // namespace hosttest
