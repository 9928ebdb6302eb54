// The virtual camera output's frames without a running host: conversion
// with the host's scaler into padded BGR rows, the colour range and space
// of the source side, the bounded queue, the reuse of frame buffers and the
// counts of a run.
#include "vcam/vcam-output.h"
#include "vcam/vcam-status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

namespace {

struct Rgb {
	int r, g, b;
};

// An NV12 frame of one colour per half (top, bottom), encoded with the
// given matrix and range.
struct Nv12Frame {
	std::vector<uint8_t> luma, chroma;
	video_data data = {};

	Nv12Frame(uint32_t width, uint32_t height, Rgb top, Rgb bottom,
		  video_colorspace space = VIDEO_CS_709,
		  video_range_type range = VIDEO_RANGE_PARTIAL)
		: luma(size_t(width) * height), chroma(size_t(width) * height / 2)
	{
		for (uint32_t y = 0; y < height; y++) {
			const auto [l, u, v] = encode(y < height / 2 ? top : bottom,
						      space, range);
			std::fill_n(&luma[size_t(y) * width], width, l);
			for (uint32_t x = 0; y % 2 == 0 && x < width; x += 2) {
				chroma[size_t(y / 2) * width + x] = u;
				chroma[size_t(y / 2) * width + x + 1] = v;
			}
		}
		data.data[0] = luma.data();
		data.data[1] = chroma.data();
		data.linesize[0] = data.linesize[1] = width;
	}

	static std::array<uint8_t, 3> encode(Rgb c, video_colorspace space,
					     video_range_type range)
	{
		const double kr = space == VIDEO_CS_601 ? 0.299 : 0.2126;
		const double kb = space == VIDEO_CS_601 ? 0.114 : 0.0722;
		const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
		const double y = kr * r + (1 - kr - kb) * g + kb * b;
		const double pb = (b - y) / (2 * (1 - kb));
		const double pr = (r - y) / (2 * (1 - kr));
		const bool full = range == VIDEO_RANGE_FULL;
		auto level = [](double v) { return uint8_t(std::lround(v)); };
		return {level(full ? 255 * y : 16 + 219 * y),
			level(128 + (full ? 255 : 224) * pb),
			level(128 + (full ? 255 : 224) * pr)};
	}
};

video_output_info nv12_video(uint32_t width, uint32_t height,
			     video_colorspace space = VIDEO_CS_709,
			     video_range_type range = VIDEO_RANGE_PARTIAL)
{
	video_output_info info = {};
	info.format = VIDEO_FORMAT_NV12;
	info.width = width;
	info.height = height;
	info.colorspace = space;
	info.range = range;
	return info;
}

// Converts frame as a run on this video does: the run takes the video's
// colour space and range from the host's figures.
QImage converted(const Nv12Frame &frame, const video_output_info &video)
{
	vcam_output vcam;
	EXPECT_TRUE(vcam_begin_run(&vcam, video));
	QImage image = vcam_new_frame(video.width, video.height);
	vcam_convert_frame(&vcam, &frame.data, image);
	vcam_end_run(&vcam);
	return image;
}

// Active, width, height, frames received, sent and dropped, as read.
std::vector<uint64_t> figures(vcam_output &vcam)
{
	vcam_status s;
	vcam_read_status(&vcam, &s);
	return {s.active, s.width, s.height, s.frames_received, s.frames_sent,
		s.frames_dropped};
}

::testing::AssertionResult bgr_near(const uchar *p, Rgb expected, int tolerance)
{
	return (std::max({std::abs(p[2] - expected.r), std::abs(p[1] - expected.g),
			  std::abs(p[0] - expected.b)}) <= tolerance
			? ::testing::AssertionSuccess()
			: ::testing::AssertionFailure())
	       << "R" << int(p[2]) << " G" << int(p[1]) << " B" << int(p[0]);
}

} // namespace

TEST(VcamConversion, RowsArePaddedToFourBytesTopFirstInBgrOrder)
{
	// 1366 x 3 = 4098 bytes of pixels: the stride is 4100.
	const Rgb red = {255, 0, 0}, blue = {0, 0, 255};
	const QImage image =
		converted(Nv12Frame(1366, 768, red, blue), nv12_video(1366, 768));
	ASSERT_EQ(image.format(), QImage::Format_BGR888);
	EXPECT_EQ(image.bytesPerLine(), 4100);
	EXPECT_EQ(image.sizeInBytes(), 4100 * 768);
	// The last pixel of the last row sits where the padding says.
	EXPECT_TRUE(bgr_near(image.constScanLine(0) + 1365 * 3, red, 2));
	EXPECT_TRUE(bgr_near(image.constScanLine(767) + 1365 * 3, blue, 2));
}

TEST(VcamConversion, SourceSideTakesTheHostRangeAndColourSpace)
{
	const Rgb colour = {208, 112, 48};
	auto centre = [](const QImage &image) {
		return image.constScanLine(8) + 32 * 3;
	};
	for (auto space : {VIDEO_CS_709, VIDEO_CS_601})
		for (auto range : {VIDEO_RANGE_PARTIAL, VIDEO_RANGE_FULL}) {
			const Nv12Frame frame(64, 16, colour, colour, space,
					      range);
			EXPECT_TRUE(bgr_near(centre(converted(
						     frame, nv12_video(64, 16, space, range))),
					     colour, 2))
				<< space << "/" << range;
		}
	// What the zero defaults made of full-range Rec. 601 video.
	const Nv12Frame frame(64, 16, colour, colour, VIDEO_CS_601,
			      VIDEO_RANGE_FULL);
	EXPECT_FALSE(bgr_near(centre(converted(
				      frame, nv12_video(64, 16, VIDEO_CS_DEFAULT,
							VIDEO_RANGE_DEFAULT))),
			      colour, 8));
}

TEST(VcamQueue, KeepsTheNewestFramesInReusedBuffersAndCountsThem)
{
	vcam_output vcam;
	ASSERT_TRUE(vcam_begin_run(&vcam, nv12_video(64, 16)));

	// No consumer: the queue keeps the newest frames, oldest first, and
	// the buffers of the dropped ones are reused.
	std::set<const uchar *> buffers;
	for (int i = 0; i < 20; i++) {
		Nv12Frame frame(64, 16, {i * 12, 255, 0}, {i * 12, 255, 0});
		vcam_raw_video(&vcam, &frame.data);
		buffers.insert(vcam.frame_queue.back().constBits());
	}
	EXPECT_LE(buffers.size(), FRAME_QUEUE_LIMIT + 1);
	ASSERT_EQ(vcam.frame_queue.size(), FRAME_QUEUE_LIMIT);
	EXPECT_TRUE(bgr_near(vcam.frame_queue.front().constBits(), {204, 255, 0}, 2));
	EXPECT_TRUE(bgr_near(vcam.frame_queue.back().constBits(), {228, 255, 0}, 2));
	EXPECT_EQ(figures(vcam), (std::vector<uint64_t>{1, 64, 16, 20, 0, 17}));

	// The frames left queued are lost to the run, whose figures stay.
	vcam_end_run(&vcam);
	EXPECT_TRUE(vcam.frame_queue.empty());
	EXPECT_EQ(vcam.scaler, nullptr);
	EXPECT_EQ(figures(vcam), (std::vector<uint64_t>{0, 64, 16, 20, 0, 20}));
	// Once the run has ended, nothing more is queued or taken.
	EXPECT_FALSE(vcam_queue_frame(&vcam, vcam_new_frame(8, 2)));
	QImage taken;
	EXPECT_FALSE(vcam_take_frame(&vcam, &taken));

	// The next run starts from nothing.
	ASSERT_TRUE(vcam_begin_run(&vcam, nv12_video(32, 8)));
	EXPECT_EQ(figures(vcam), (std::vector<uint64_t>{1, 32, 8, 0, 0, 0}));
	vcam_end_run(&vcam);
}
