// The harness itself: frames pass, pixels come back as the host drew them,
// the host log is captured with its levels.
#include "host-environment.h"

TEST(Harness, FramesPassAndJobsRunOnTheGraphicsThread)
{
	EXPECT_TRUE(headless::wait_frames(3));
	bool in_graphics = false;
	headless::on_graphics_thread(
		[&] { in_graphics = gs_get_context() != nullptr; });
	EXPECT_TRUE(in_graphics);
}

TEST(Harness, ReadsBackAColourSourceInEveryModeOverItsBackground)
{
	for (uint32_t colour : {0xFF0000FFu, 0xFF808080u, 0xFF32C581u}) {
		OBSSourceAutoRelease source =
			headless::make_color_source("colour", 64, 32, colour);
		ASSERT_TRUE(headless::wait_frames(2));
		for (auto mode : {headless::RenderMode::Bare,
				  headless::RenderMode::AsScene}) {
			// Drawn at its own size, then into a larger target
			// whose background shows where it draws nothing.
			headless::Image image = headless::render_source(
				source, 0, 0, mode, 0xFFFF0000);
			ASSERT_EQ(image.width, 64u);
			ASSERT_EQ(image.height, 32u);
			EXPECT_TRUE(hosttest::pixel_near(image.pixel(0, 0),
							 colour, 1));
			EXPECT_TRUE(hosttest::pixel_near(image.pixel(63, 31),
							 colour, 1));
			image = headless::render_source(source, 80, 40, mode,
							0xFFFF0000);
			EXPECT_TRUE(hosttest::pixel_near(image.pixel(70, 35),
							 0xFFFF0000, 1));
		}
		headless::Image scene =
			headless::render_in_scene(source, 64, 32);
		ASSERT_FALSE(scene.empty());
		EXPECT_TRUE(hosttest::pixel_near(scene.pixel(5, 5), colour, 1));
	}
}

TEST(Harness, CapturesTheHostLog)
{
	headless::clear_log();
	blog(LOG_WARNING, "harness line %d", 5);
	EXPECT_TRUE(headless::log_contains("harness line 5", LOG_WARNING));
	EXPECT_FALSE(headless::log_contains("harness line 5", LOG_INFO));
}
