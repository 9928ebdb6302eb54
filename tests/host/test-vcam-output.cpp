// The virtual camera output in a real host, feeding the recording camera
// library: lifecycle, frame layout and colours, the queue, failures.
#include "vcam-test-support.h"

#include <util/platform.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <future>
#include <thread>

using namespace vcamtest;
using namespace hosttest::colours;
using hosttest::Shown;

namespace {

const int TIMEOUT_MS = 10000;

class Vcam : public ::testing::Test {
protected:
	void SetUp() override
	{
		recorder::reset();
		headless::clear_log();
		output = vcam_instance();
		ASSERT_NE(output.Get(), nullptr);
	}
	// Every test ends with its cameras released.
	void TearDown() override
	{
		if (obs_output_active(output))
			obs_output_stop(output);
		expect_cameras_released(recorder::snapshot().cameras.size());
		recorder::reset();
	}

	// Starts the output and waits until the camera has count more frames.
	void start_and_receive(size_t count)
	{
		const size_t before = recorder::frame_count();
		ASSERT_TRUE(obs_output_start(output));
		ASSERT_TRUE(recorder::wait_frames(before + count, TIMEOUT_MS));
	}

	// Every camera was released once and nothing was misused.
	void expect_cameras_released(size_t count)
	{
		const recorder::Snapshot record = recorder::snapshot();
		EXPECT_EQ(record.cameras.size(), count);
		for (const recorder::Camera &camera : record.cameras)
			EXPECT_EQ(camera.deletes, 1);
		for (const std::string &fault : record.faults)
			ADD_FAILURE() << "camera library misused: " << fault;
	}

	OBSOutputAutoRelease output;
};

// A centre pixel as the recorder keeps it (B | G << 8 | R << 16) that is
// clearly red (shift 16) or blue (shift 0).
bool is_pure(uint32_t bgr, int shift)
{
	for (int channel = 0; channel < 24; channel += 8) {
		const uint32_t value = (bgr >> channel) & 0xFF;
		if (channel == shift ? value <= 200 : value >= 50)
			return false;
	}
	return true;
}

void make_blue(obs_source_t *source)
{
	OBSDataAutoRelease settings = obs_data_create();
	obs_data_set_int(settings, "color", BLUE);
	obs_source_update(source, settings);
	headless::wait_frames(4);
}

} // namespace

TEST_F(Vcam, EachStartOpensACameraAtTheHostSizeAndAStartWhileRunningIsRefused)
{
	// The instance follows the host's video settings of each start.
	const int32_t sizes[][2] = {{640, 360}, {1280, 720}};
	for (size_t i = 0; i < 2; i++) {
		use_video(uint32_t(sizes[i][0]), uint32_t(sizes[i][1]));
		start_and_receive(3);
		EXPECT_FALSE(obs_output_start(output));
		EXPECT_TRUE(obs_output_active(output));
		EXPECT_TRUE(recorder::wait_frames(recorder::frame_count() + 3,
						  TIMEOUT_MS));
		obs_output_stop(output);
		expect_cameras_released(i + 1);
		const recorder::Camera camera =
			recorder::snapshot().cameras.at(i);
		EXPECT_EQ(camera.width, sizes[i][0]);
		EXPECT_EQ(camera.height, sizes[i][1]);
		EXPECT_EQ(camera.fps, 60.0f);
	}
}

TEST_F(Vcam, FullHdFramesAreTopFirstPaddedBgrRowsInTheirColours)
{
	// Red, green, blue and white quadrants.
	use_video(1920, 1080);
	OBSSourceAutoRelease quadrants = headless::make_image_source(
		"quadrants", hosttest::test_data("vcam-quadrants.png"));
	Shown shown(quadrants);
	recorder::keep_frames(1);
	start_and_receive(4);
	obs_output_stop(output);

	const recorder::Snapshot record = recorder::snapshot();
	const recorder::Frame &frame = record.frames.back();
	ASSERT_EQ(frame.bytes.size(), 6220800u); // 5760 bytes x 1080 rows
	const uint32_t spots[][3] = {{480, 270, RED},
				     {1440, 270, GREEN},
				     {480, 810, BLUE},
				     {1440, 810, WHITE}};
	for (const auto &[x, y, colour] : spots)
		EXPECT_TRUE(hosttest::pixel_near(
			frame_pixel(frame, record.cameras.at(0), x, y), colour, 3))
			<< x << "," << y;
}

TEST_F(Vcam, SlowCameraKeepsTheQueueAtThreeAndGetsTheNewestFrames)
{
	use_video(320, 180);
	OBSSourceAutoRelease source =
		headless::make_color_source("slow", 320, 180, RED);
	Shown shown(source);
	recorder::keep_frames(0);
	recorder::set_send_delay_ms(100);
	start_and_receive(3);

	const int64_t change = recorder::now_ns();
	make_blue(source);
	bool blue_arrived = false;
	for (int i = 0; i < 100 && !blue_arrived; i++) {
		recorder::wait_frames(recorder::frame_count() + 1, TIMEOUT_MS);
		blue_arrived = is_pure(recorder::snapshot().frames.back().centre, 0);
	}
	const uint64_t host_frames = obs_output_get_total_frames(output);
	obs_output_stop(output);
	ASSERT_TRUE(blue_arrived);

	// After the change at most the three queued frames and the one being
	// sent were old; nothing old follows the first new frame.
	const recorder::Snapshot record = recorder::snapshot();
	int old_after_change = 0;
	bool new_seen = false;
	for (const recorder::Frame &frame : record.frames) {
		if (frame.time_ns < change)
			continue;
		new_seen = new_seen || is_pure(frame.centre, 0);
		EXPECT_FALSE(new_seen && is_pure(frame.centre, 16))
			<< "an old frame after a new one";
		old_after_change += !new_seen;
	}
	EXPECT_LE(old_after_change, 4);
	// The host's frames outran the camera: the oldest were dropped.
	EXPECT_LT(record.frames.size() * 2, host_frames);
}

TEST_F(Vcam, StopWhileTheConsumerWaitsWakesItAndReturnsWhenItHasEnded)
{
	// One frame a second: after the first the consumer waits long.
	use_video(320, 180, VIDEO_FORMAT_NV12, VIDEO_CS_709,
		  VIDEO_RANGE_PARTIAL, 1);
	start_and_receive(1);
	auto stopped = std::make_shared<std::promise<void>>();
	std::future<void> done = stopped->get_future();
	std::thread([target = output.Get(), stopped] {
		obs_output_stop(target);
		stopped->set_value();
	}).detach();
	ASSERT_EQ(done.wait_for(std::chrono::milliseconds(700)),
		  std::future_status::ready)
		<< "stop waited for the next frame to wake the consumer";
	EXPECT_EQ(recorder::frame_count(), 1u);
}

TEST_F(Vcam, StopWithFramesQueuedSendsNoneOfThem)
{
	use_video(320, 180);
	OBSSourceAutoRelease source =
		headless::make_color_source("queued", 320, 180, RED);
	Shown shown(source);
	std::atomic<int> stopping{0};
	signal_handler_t *signals = obs_output_get_signal_handler(output);
	auto count = [](void *data, calldata_t *) {
		(*static_cast<std::atomic<int> *>(data))++;
	};
	signal_handler_connect(signals, "stopping", count, &stopping);

	// The first frame is held inside the camera while three more queue.
	recorder::hold_sends(true);
	ASSERT_TRUE(obs_output_start(output));
	ASSERT_TRUE(recorder::wait_until_send_held(TIMEOUT_MS));
	headless::wait_frames(6);
	std::thread stopper([this] { obs_output_stop(output); });
	while (stopping == 0)
		os_sleep_ms(5);
	os_sleep_ms(200); // stop has ended the run and waits for the send
	recorder::hold_sends(false);
	stopper.join();
	signal_handler_disconnect(signals, "stopping", count, &stopping);
	EXPECT_EQ(recorder::frame_count(), 1u);
	expect_cameras_released(1);

	// The frames left queued never reach the next camera either.
	make_blue(source);
	headless::wait_frames(6);
	start_and_receive(1);
	obs_output_stop(output);
	const recorder::Snapshot record = recorder::snapshot();
	ASSERT_GE(record.frames.size(), 2u);
	EXPECT_EQ(record.frames[1].camera, 1u);
	EXPECT_TRUE(is_pure(record.frames[1].centre, 0));
	expect_cameras_released(2);
}

TEST_F(Vcam, FailingScalerLogsBothLinesAndSendsBlackFrames)
{
	// The host's scaler cannot convert AYUV, which the host can output.
	use_video(320, 180, VIDEO_FORMAT_AYUV);
	OBSSourceAutoRelease white =
		headless::make_color_source("white", 320, 180, 0xFFFFFFFF);
	Shown shown(white);
	recorder::keep_frames(1);
	start_and_receive(3);
	obs_output_stop(output);

	const size_t tries =
		headless::log_count("Initialize scalers. Size 320 x 180", LOG_INFO);
	EXPECT_GE(tries, 3u);
	EXPECT_EQ(headless::log_count("Failed to create video scaler.", LOG_ERROR),
		  tries);
	const std::vector<uint8_t> bytes =
		recorder::snapshot().frames.back().bytes;
	ASSERT_EQ(bytes.size(), 960u * 180);
	EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), long(bytes.size()));
}

TEST_F(Vcam, ThrowingCameraLosesThoseFramesReportsTheFirstAndDeliveryGoesOn)
{
	use_video(320, 180);
	recorder::throw_on_sends(3);
	start_and_receive(10);
	obs_output_stop(output);
	// Reported once per run, in the log and as the output's last error.
	EXPECT_EQ(headless::log_count("VCamera: Error sending frame to vCamera",
				      LOG_INFO),
		  1u);
	const std::string error = obs_output_get_last_error(output);
	EXPECT_NE(error.find("recorder: sending fails"), std::string::npos);
	EXPECT_EQ(headless::log_count(error, LOG_WARNING), 1u);
	// Those frames were counted as dropped, the others as sent.
	const auto [received, sent, dropped] = last_run_figures();
	EXPECT_EQ(sent, recorder::frame_count() - 3);
	EXPECT_EQ(sent + dropped, received);
}

TEST_F(Vcam, StartWithoutACameraFailsWithTheReasonAndLeavesNothingRunning)
{
	use_video(320, 180);
	const std::pair<recorder::CreateMode, const char *> modes[] = {
		{recorder::CreateMode::ReturnNull, "made no 320 x 180 camera"},
		{recorder::CreateMode::Throw, "recorder: camera creation fails"}};
	for (const auto &[mode, reason] : modes) {
		recorder::set_create_mode(mode);
		EXPECT_FALSE(obs_output_start(output));
		EXPECT_FALSE(obs_output_active(output));
		const char *error = obs_output_get_last_error(output);
		EXPECT_TRUE(error && strstr(error, reason)) << reason;
	}
	headless::wait_frames(4);
	EXPECT_EQ(recorder::frame_count(), 0u);

	// Nothing of the failed starts stands in the way of the next.
	recorder::set_create_mode(recorder::CreateMode::Normal);
	start_and_receive(3);
	obs_output_stop(output);
	expect_cameras_released(1);
}

TEST_F(Vcam, TwoHundredStartStopCyclesWithFramesFlowing)
{
	use_video(320, 180);
	OBSSourceAutoRelease source =
		headless::make_color_source("cycles", 320, 180, RED);
	Shown shown(source);
	recorder::keep_frames(0);
	for (int i = 0; i < 200 && !HasFatalFailure(); i++) {
		start_and_receive(1);
		obs_output_stop(output);
	}
	expect_cameras_released(200);
	for (const recorder::Camera &camera : recorder::snapshot().cameras)
		EXPECT_GE(camera.frames, 1u);
}
