// The module with a camera library that is missing, that lacks a function,
// or whose camera cannot store frames. ctest runs one case per process
// (VELMORA_VCAM_MODULE picks the module copy, VELMORA_VCAM_MISSING names
// what the warning must name); the host's leak count is checked after each.
#include "vcam-test-support.h"

#include <cstdlib>

using namespace vcamtest;

TEST(VcamLibrary, WithoutAUsableLibraryTheFiltersWorkAndStartFailsWithTheWarning)
{
	const char *missing = getenv("VELMORA_VCAM_MISSING");
	ASSERT_TRUE(missing);
	EXPECT_EQ(headless::log_count(missing, LOG_WARNING), 1u);

	// Both filters draw: each makes its source transparent over blue
	// (the gift filter a black mask half, the keyer its key colour).
	const std::pair<const char *, uint32_t> filters[] = {
		{"velmora-gift", 0xFF000000}, {"velmora-matting", 0xFF32C581}};
	for (const auto &[id, colour] : filters) {
		OBSSourceAutoRelease source =
			headless::make_color_source(id, 64, 32, colour);
		OBSSourceAutoRelease filter = headless::add_filter(source, id, id);
		EXPECT_NE(obs_obj_get_data(filter), nullptr) << id;
		headless::wait_frames(3);
		const headless::Image image =
			headless::render_in_scene(source, 0, 0, 0xFFFF0000);
		ASSERT_FALSE(image.empty()) << id;
		EXPECT_TRUE(hosttest::pixel_near(image.pixel(40, 16), 0xFFFF0000, 8))
			<< id;
	}

	// Every start fails with the warning's reason; nothing more is logged.
	OBSOutputAutoRelease output = vcam_instance();
	for (int i = 0; i < 2; i++) {
		EXPECT_FALSE(obs_output_start(output));
		ASSERT_TRUE(obs_output_get_last_error(output));
		const std::string error = obs_output_get_last_error(output);
		EXPECT_NE(error.find(missing), std::string::npos) << error;
		EXPECT_EQ(headless::log_count(error, LOG_WARNING), 1u) << error;
	}
	EXPECT_EQ(headless::log_count("libcamsink.so", LOG_WARNING), 1u);
}

TEST(VcamLibrary, CameraFileThatCannotBeWrittenIsReportedOnceAndCounted)
{
	// The stand-in beside the module writes to VELMORA_CAMSINK_FILE,
	// /dev/full here: every frame fails for want of space.
	use_video(320, 180);
	OBSOutputAutoRelease output = vcam_instance();
	ASSERT_TRUE(obs_output_start(output));
	for (int i = 0; i < 500 && !headless::log_contains("/dev/full", LOG_WARNING);
	     i++)
		headless::wait_frames(1);
	headless::wait_frames(30);
	obs_output_stop(output);

	ASSERT_TRUE(obs_output_get_last_error(output));
	const std::string error = obs_output_get_last_error(output);
	EXPECT_NE(error.find("/dev/full: No space left on device"),
		  std::string::npos)
		<< error;
	EXPECT_EQ(headless::log_count("/dev/full", LOG_WARNING), 1u);
	EXPECT_EQ(headless::log_count("VCamera: Error sending frame to vCamera",
				      LOG_INFO),
		  1u);
	// Every frame was lost, and counted.
	const auto [received, sent, dropped] = last_run_figures();
	EXPECT_GT(received, 10u);
	EXPECT_EQ(sent, 0u);
	EXPECT_EQ(dropped, received);
}
