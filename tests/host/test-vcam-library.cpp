// The module with a camera library that is missing, that lacks a function,
// or whose camera cannot store frames. ctest runs one case per process
// (VELMORA_VCAM_MODULE picks the module copy, VELMORA_VCAM_MISSING names
// what the warning must name); the host's leak count is checked after each.
#include "vcam-test-support.h"

#include <cstdio>
#include <cstdlib>

using namespace vcamtest;

namespace {

const uint32_t BLUE = 0xFFFF0000;

// The warning lines of the host log that contain text.
size_t warnings_with(const std::string &text)
{
	return headless::log_count(text, LOG_WARNING);
}

std::string last_error(obs_output_t *output)
{
	const char *error = obs_output_get_last_error(output);
	return error ? error : "";
}

} // namespace

TEST(VcamLibrary, WithoutAUsableLibraryTheFiltersWorkAndStartFailsWithTheWarning)
{
	const char *missing = getenv("VELMORA_VCAM_MISSING");
	ASSERT_TRUE(missing);
	EXPECT_EQ(warnings_with("libcamsink.so"), 1u);
	EXPECT_EQ(warnings_with(missing), 1u);

	// Both filters: each turns its source transparent over blue (the
	// gift filter a black mask half, the keyer its key colour).
	const struct {
		const char *id;
		uint32_t colour;
	} filters[] = {{"velmora-gift", 0xFF000000},
		       {"velmora-matting", 0xFF32C581}};
	for (const auto &filter : filters) {
		OBSSourceAutoRelease source = headless::make_color_source(
			"under filter", 64, 32, filter.colour);
		OBSSourceAutoRelease added =
			headless::add_filter(source, filter.id, filter.id);
		EXPECT_NE(obs_obj_get_data(added), nullptr) << filter.id;
		headless::wait_frames(3);
		const headless::Image image =
			headless::render_in_scene(source, 0, 0, BLUE);
		ASSERT_FALSE(image.empty()) << filter.id;
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(40, 16), BLUE, 8))
			<< filter.id;
	}

	// Every start fails with the warning's reason; nothing more is logged.
	OBSOutputAutoRelease output = vcam_instance();
	for (int i = 0; i < 2; i++) {
		EXPECT_FALSE(obs_output_start(output));
		EXPECT_FALSE(obs_output_active(output));
		const std::string error = last_error(output);
		EXPECT_NE(error.find(missing), std::string::npos) << error;
		EXPECT_EQ(warnings_with(error), 1u) << error;
	}
	EXPECT_EQ(warnings_with("libcamsink.so"), 1u);
}

TEST(VcamLibrary, CameraFileThatCannotBeWrittenIsReportedOnceAndCounted)
{
	// The stand-in beside the module writes to VELMORA_CAMSINK_FILE,
	// /dev/full here: every frame fails for want of space.
	use_video(320, 180);
	OBSOutputAutoRelease output = vcam_instance();
	ASSERT_TRUE(obs_output_start(output));
	for (int i = 0; i < 500 && last_error(output).empty(); i++)
		headless::wait_frames(1);
	headless::wait_frames(30);
	obs_output_stop(output);

	const std::string error = last_error(output);
	EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;
	EXPECT_NE(error.find("No space left on device"), std::string::npos);
	EXPECT_EQ(warnings_with(error), 1u);
	EXPECT_EQ(warnings_with("/dev/full"), 1u);
	EXPECT_EQ(headless::log_count("VCamera: Error sending frame to vCamera",
				      LOG_INFO),
		  1u);
	// All frames were lost, and counted.
	unsigned long long received = 0, sent = 1, dropped = 0;
	for (const headless::LogLine &line : headless::log_lines())
		sscanf(line.text.c_str(),
		       "velmora-rgb-cam: stopped: %llu frames received, %llu "
		       "sent, %llu dropped",
		       &received, &sent, &dropped);
	EXPECT_GT(received, 0u);
	EXPECT_EQ(sent, 0u);
	EXPECT_EQ(dropped, received);
}
