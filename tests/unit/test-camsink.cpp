// The stand-in camera library: reshaping frames for consumers, raw frames
// to a file or named pipe, refusals of bad input.
#include "camsink.h"
#include "frame-pack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace camsink;

namespace {

// A frame in the library's layout: each pixel (x, y) holds B = x, G = y,
// R = 200; padding bytes hold 0xEE.
std::vector<uint8_t> padded_frame(uint32_t width, uint32_t height)
{
	std::vector<uint8_t> frame(padded_frame_bytes(width, height), 0xEE);
	for (uint32_t y = 0; y < height; y++)
		for (uint32_t x = 0; x < width; x++) {
			uint8_t *p = &frame[y * padded_row_bytes(width) + x * 3];
			p[0] = uint8_t(x);
			p[1] = uint8_t(y);
			p[2] = 200;
		}
	return frame;
}

uint64_t frames_published()
{
	camsink_statistics stats = {};
	camsink_get_statistics(&stats);
	return stats.frames_published;
}

std::string temp_path(const char *name)
{
	return std::string("/tmp/velmora-camsink-") + std::to_string(getpid()) +
	       "-" + name;
}

// The library's configuration for the length of a test (null: unset).
struct Environment {
	const char *const names[2] = {"VELMORA_CAMSINK_FILE",
				      "VELMORA_CAMSINK_DEVICE"};
	Environment(const char *file, const char *device)
	{
		file ? setenv(names[0], file, 1) : unsetenv(names[0]);
		device ? setenv(names[1], device, 1) : unsetenv(names[1]);
	}
	~Environment() { unsetenv(names[0]); unsetenv(names[1]); }
};

// What call threw as a std::runtime_error; "" when it threw nothing.
std::string thrown(const std::function<void()> &call)
{
	try {
		call();
	} catch (const std::runtime_error &e) {
		return e.what();
	}
	return "";
}

} // namespace

TEST(CamsinkPacking, RowsLoseTheirPaddingAndReorderForTheDevice)
{
	// 5 pixels: 15 bytes of pixels in a 16-byte row.
	const std::vector<uint8_t> frame = padded_frame(5, 2);
	ASSERT_EQ(frame.size(), 32u);
	std::vector<uint8_t> bgr(30), rgb(30);
	pack_bgr(frame.data(), 5, 2, bgr.data());
	pack_rgb(frame.data(), 5, 2, rgb.data());
	for (uint32_t i = 0; i < 10; i++) {
		const uint8_t x = uint8_t(i % 5), y = uint8_t(i / 5);
		EXPECT_EQ(std::vector<uint8_t>(&bgr[i * 3], &bgr[i * 3 + 3]),
			  (std::vector<uint8_t>{x, y, 200}));
		EXPECT_EQ(std::vector<uint8_t>(&rgb[i * 3], &rgb[i * 3 + 3]),
			  (std::vector<uint8_t>{200, y, x}));
	}

	// YUYV in limited-range Rec. 601: pairs of white, black and red.
	std::vector<uint8_t> pairs = {255, 255, 255, 255, 255, 255, 0, 0, 0,
				      0,   0,   0,   0,   0,   255, 0, 0, 255};
	pairs.resize(padded_frame_bytes(6, 1));
	std::vector<uint8_t> yuyv(12);
	pack_yuyv(pairs.data(), 6, 1, yuyv.data());
	EXPECT_EQ(yuyv, (std::vector<uint8_t>{235, 128, 235, 128, 16, 128, 16,
					      128, 82, 90, 82, 240}));
}

TEST(CamsinkFile, WholeFramesWithoutPaddingAndTheReasonWhenOneCannotBeWritten)
{
	const std::string path = temp_path("frames.bgr");
	Environment env(path.c_str(), nullptr);
	const uint64_t published = frames_published();
	void *camera = scCreateCamera(6, 2, 60.0f);
	ASSERT_NE(camera, nullptr);
	std::vector<uint8_t> frame = padded_frame(6, 2);
	auto send = [&](uint8_t mark) {
		frame[0] = mark;
		return thrown([&] { EXPECT_EQ(scSendFrame(camera, frame.data()), 0); });
	};
	// Room for two and a half 36-byte frames: the third is cut short.
	rlimit old_limit;
	getrlimit(RLIMIT_FSIZE, &old_limit);
	const rlimit limit = {90, old_limit.rlim_max};
	signal(SIGXFSZ, SIG_IGN);
	setrlimit(RLIMIT_FSIZE, &limit);
	const std::vector<std::string> errors = {send(100), send(101), send(102)};
	setrlimit(RLIMIT_FSIZE, &old_limit);
	EXPECT_EQ(errors, (std::vector<std::string>{
				  "", "", "cannot write a frame to " + path +
						  ": File too large"}));
	// With room again, frames follow the last whole one.
	EXPECT_EQ(send(103), "");
	EXPECT_EQ(scDeleteCamera(camera), 0);
	EXPECT_EQ(frames_published(), published + 3);

	std::ifstream in(path, std::ios::binary);
	const std::vector<uint8_t> written{std::istreambuf_iterator<char>(in),
					   std::istreambuf_iterator<char>()};
	unlink(path.c_str());
	// Frames 100, 101 and 103, packed as the packing test checks.
	ASSERT_EQ(written.size(), 3u * 36);
	EXPECT_EQ((std::vector<uint8_t>{written[0], written[36], written[72]}),
		  (std::vector<uint8_t>{100, 101, 103}));
}

TEST(CamsinkFile, PipeWaitsForAReaderAndSurvivesItsLeaving)
{
	const std::string path = temp_path("frames.fifo");
	ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
	Environment env(path.c_str(), nullptr);
	const uint64_t published = frames_published();

	// No reader: creating and sending return at once; frames are dropped.
	void *camera = scCreateCamera(32, 8, 60.0f);
	ASSERT_NE(camera, nullptr);
	const std::vector<uint8_t> frame = padded_frame(32, 8);
	EXPECT_EQ(scSendFrame(camera, frame.data()), 0);
	EXPECT_EQ(frames_published(), published);

	// A reader that takes two frames and leaves.
	std::atomic<size_t> bytes_read{0};
	std::thread reader([&] {
		std::ifstream in(path, std::ios::binary);
		std::vector<char> buffer(2 * 32 * 3 * 8);
		in.read(buffer.data(), std::streamsize(buffer.size()));
		bytes_read = size_t(in.gcount());
	});
	for (int i = 0; i < 300 && bytes_read == 0; i++) {
		scSendFrame(camera, frame.data());
		std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	reader.join();
	EXPECT_EQ(bytes_read, 2u * 32 * 3 * 8);

	// The reader is gone: sending goes on without a SIGPIPE.
	for (int i = 0; i < 5; i++)
		EXPECT_EQ(scSendFrame(camera, frame.data()), 0);
	EXPECT_EQ(scDeleteCamera(camera), 0);
	unlink(path.c_str());
}

TEST(CamsinkRefusals, BadSizesRatesAndHandlesAreRefused)
{
	Environment env(nullptr, "none");
	EXPECT_EQ(scCreateCamera(0, 10, 60.0f), nullptr);
	EXPECT_EQ(scCreateCamera(10, -1, 60.0f), nullptr);
	EXPECT_EQ(scCreateCamera(100000, 10, 60.0f), nullptr);
	EXPECT_EQ(scCreateCamera(10, 10, 0.0f), nullptr);
	EXPECT_EQ(scCreateCamera(10, 10, NAN), nullptr);

	int unknown = 0;
	const std::vector<uint8_t> frame = padded_frame(10, 10);
	EXPECT_EQ(scSendFrame(&unknown, frame.data()), -1);
	EXPECT_EQ(scDeleteCamera(&unknown), -1);

	// No device: frames are accepted and dropped; a handle dies once.
	void *camera = scCreateCamera(10, 10, 30.0f);
	ASSERT_NE(camera, nullptr);
	const uint64_t published = frames_published();
	EXPECT_EQ(scSendFrame(camera, nullptr), -1);
	EXPECT_EQ(scSendFrame(camera, frame.data()), 0);
	EXPECT_EQ(frames_published(), published);
	EXPECT_EQ(scDeleteCamera(camera), 0);
	EXPECT_EQ(scSendFrame(camera, frame.data()), -1);
	EXPECT_EQ(scDeleteCamera(camera), -1);
}

TEST(CamsinkRefusals, ConfiguredSinkThatCannotBeUsedThrowsWhy)
{
	// A folder that is not there; a device that is not a video device.
	const char *const cases[][3] = {
		{"/nonexistent-folder/frames.bgr", nullptr,
		 "No such file or directory"},
		{nullptr, "/dev/null", "is not a video output device"}};
	for (const auto &[file, device, reason] : cases) {
		Environment env(file, device);
		const std::string error = thrown(
			[] { scDeleteCamera(scCreateCamera(16, 16, 60.0f)); });
		EXPECT_NE(error.find(reason), std::string::npos) << error;
	}
}
