#include "host-environment.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hosttest {

__attribute__((weak)) headless::HostConfig host_config()
{
	headless::HostConfig config;
	config.echo_log = getenv("VELMORA_HOST_LOG") != nullptr;
	return config;
}

std::string test_data(const std::string &name)
{
	return std::string(VELMORA_TEST_DATA) + "/" + name;
}

std::string read_test_data(const std::string &name)
{
	std::ifstream file(test_data(name), std::ios::binary);
	std::ostringstream bytes;
	bytes << file.rdbuf();
	return bytes.str();
}

::testing::AssertionResult pixel_near(uint32_t actual, uint32_t expected,
				      int tolerance)
{
	for (int shift = 0; shift < 32; shift += 8) {
		int a = int((actual >> shift) & 0xFF);
		int e = int((expected >> shift) & 0xFF);
		if (abs(a - e) > tolerance) {
			char text[96];
			snprintf(text, sizeof(text),
				 "pixel 0x%08X, expected 0x%08X (+-%d)", actual,
				 expected, tolerance);
			return ::testing::AssertionFailure() << text;
		}
	}
	return ::testing::AssertionSuccess();
}

Shown::Shown(obs_source_t *source) : scene(headless::show_in_program(source))
{
	headless::wait_frames(3);
}

Shown::~Shown()
{
	headless::hide_from_program(scene);
}

namespace {

bool host_failed = false;

class HostEnvironment : public ::testing::Environment {
public:
	void SetUp() override
	{
		std::string error;
		if (!headless::start(host_config(), &error)) {
			host_failed = true;
			FAIL() << "host did not start: " << error;
		}
	}

	void TearDown() override
	{
		const long leaks = headless::stop();
		if (leaks != 0)
			host_failed = true;
		EXPECT_EQ(leaks, 0) << "host allocations alive after shutdown";
	}
};

} // namespace

} // namespace hosttest

int main(int argc, char **argv)
{
	::testing::InitGoogleTest(&argc, argv);
	::testing::AddGlobalTestEnvironment(new hosttest::HostEnvironment);
	const int result = RUN_ALL_TESTS();
	// A host that did not start skips every test; that is a failure.
	return hosttest::host_failed ? 1 : result;
}
