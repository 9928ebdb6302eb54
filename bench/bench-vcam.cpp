// The virtual camera's frame path at 1920x1080 from NV12, without a host:
//  1. cost of raw_video per frame against the bare format conversion of
//     the same frame (and against converting into a fresh buffer and
//     deep-copying it into an image), measured in one run, interleaved;
//  2. sustained frames per second through raw_video, the queue, the
//     consumer thread and scSendFrame, with a camera that returns at once;
//  3. delay from raw_video to scSendFrame at 60 frames per second.
// Run: build/bench/bench-vcam [seconds for part 2, default 3]
#include "vcam/vcam-output.h"
#include "camsink-recorder.h"

#include <util/base.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

const uint32_t WIDTH = 1920, HEIGHT = 1080;

using Clock = std::chrono::steady_clock;

struct Nv12 {
	std::vector<uint8_t> luma, chroma;
	video_data frame = {};
	Nv12() : luma(size_t(WIDTH) * HEIGHT), chroma(size_t(WIDTH) * HEIGHT / 2)
	{
		for (size_t i = 0; i < luma.size(); i++)
			luma[i] = uint8_t(16 + (i * 7 + i / WIDTH) % 220);
		for (size_t i = 0; i < chroma.size(); i++)
			chroma[i] = uint8_t(64 + (i * 3) % 128);
		frame.data[0] = luma.data();
		frame.data[1] = chroma.data();
		frame.linesize[0] = WIDTH;
		frame.linesize[1] = WIDTH;
	}
};

video_output_info video_info()
{
	video_output_info info = {};
	info.format = VIDEO_FORMAT_NV12;
	info.width = WIDTH;
	info.height = HEIGHT;
	info.colorspace = VIDEO_CS_709;
	info.range = VIDEO_RANGE_PARTIAL;
	return info;
}

double median(std::vector<double> values)
{
	std::sort(values.begin(), values.end());
	return values[values.size() / 2];
}

double percentile(std::vector<double> values, double p)
{
	std::sort(values.begin(), values.end());
	return values[std::min(values.size() - 1,
			       size_t(p * double(values.size())))];
}

double time_ms(const std::function<void()> &fn)
{
	const auto begin = Clock::now();
	fn();
	return std::chrono::duration<double, std::milli>(Clock::now() - begin)
		.count();
}

void start_run(vcam_output &vcam)
{
	recorder::reset();
	recorder::keep_frames(0);
	if (!vcam_begin_run(&vcam, video_info())) {
		fprintf(stderr, "bench-vcam: no camera\n");
		exit(1);
	}
	vcam_start_consumer(&vcam);
}

void conversion_cost(const Nv12 &input)
{
	const video_output_info info = video_info();
	const video_scale_info source = {info.format, WIDTH, HEIGHT, info.range,
					 info.colorspace};
	const video_scale_info destination = {VIDEO_FORMAT_BGR3, WIDTH, HEIGHT,
					      VIDEO_RANGE_DEFAULT,
					      VIDEO_CS_DEFAULT};
	video_scaler_t *scaler = nullptr;
	video_scaler_create(&scaler, &destination, &source, VIDEO_SCALE_DEFAULT);
	std::vector<uint8_t> target(size_t(WIDTH) * 3 * HEIGHT);

	auto bare = [&] {
		uint8_t *planes[MAX_AV_PLANES] = {target.data()};
		uint32_t lines[MAX_AV_PLANES] = {WIDTH * 3};
		video_scaler_scale(scaler, planes, lines, input.frame.data,
				   input.frame.linesize);
	};
	// Convert into a fresh zeroed buffer, wrap it and deep-copy it.
	auto fresh_copy = [&] {
		std::vector<uint8_t> scratch(size_t(WIDTH) * 3 * HEIGHT, 0);
		uint8_t *planes[MAX_AV_PLANES] = {scratch.data()};
		uint32_t lines[MAX_AV_PLANES] = {WIDTH * 3};
		video_scaler_scale(scaler, planes, lines, input.frame.data,
				   input.frame.linesize);
		QImage wrapped(scratch.data(), int(WIDTH), int(HEIGHT),
			       int(WIDTH * 3), QImage::Format_BGR888);
		QImage copy = wrapped.copy();
		(void)copy;
	};

	vcam_output vcam;
	start_run(vcam);
	video_data frame = input.frame;
	auto raw_video = [&] { vcam_raw_video(&vcam, &frame); };

	// Rounds of each kind in turn; each round's ratio compares neighbours
	// in time, so that the machine's drift cancels out.
	const int rounds = 21, per_round = 8;
	std::vector<double> t_bare, t_raw, t_fresh, r_raw, r_fresh;
	for (int i = 0; i < 5; i++) { // warm-up
		bare();
		raw_video();
		fresh_copy();
	}
	for (int r = 0; r < rounds; r++) {
		std::vector<double> b, w, f;
		for (int i = 0; i < per_round; i++)
			b.push_back(time_ms(bare));
		for (int i = 0; i < per_round; i++)
			w.push_back(time_ms(raw_video));
		for (int i = 0; i < per_round; i++)
			f.push_back(time_ms(fresh_copy));
		r_raw.push_back(median(w) / median(b));
		r_fresh.push_back(median(f) / median(b));
		t_bare.insert(t_bare.end(), b.begin(), b.end());
		t_raw.insert(t_raw.end(), w.begin(), w.end());
		t_fresh.insert(t_fresh.end(), f.begin(), f.end());
	}
	vcam_end_run(&vcam);
	video_scaler_destroy(scaler);

	printf("1. per frame, median of %zu in %d interleaved rounds "
	       "(ratio: median of the rounds' ratios):\n",
	       t_bare.size(), rounds);
	printf("   bare conversion            %6.2f ms\n", median(t_bare));
	printf("   raw_video                  %6.2f ms   ratio %.3f\n",
	       median(t_raw), median(r_raw));
	printf("   fresh buffer + deep copy   %6.2f ms   ratio %.3f\n",
	       median(t_fresh), median(r_fresh));
}

void sustained_rate(const Nv12 &input, double seconds)
{
	vcam_output vcam;
	start_run(vcam);
	video_data frame = input.frame;
	uint64_t calls = 0;
	const auto begin = Clock::now();
	const auto end = begin + std::chrono::duration<double>(seconds);
	while (Clock::now() < end) {
		vcam_raw_video(&vcam, &frame);
		calls++;
	}
	const double elapsed =
		std::chrono::duration<double>(Clock::now() - begin).count();
	const size_t received = recorder::frame_count();
	vcam_end_run(&vcam);
	printf("2. sustained, %.1f s, fast camera:\n", elapsed);
	printf("   raw_video calls  %8.1f per s\n", double(calls) / elapsed);
	printf("   frames at camera %8.1f per s (%zu of %llu)\n",
	       double(received) / elapsed, received,
	       (unsigned long long)calls);
}

void delivery_delay(const Nv12 &input)
{
	vcam_output vcam;
	start_run(vcam);
	video_data frame = input.frame;
	const int frames = 180;
	const auto interval = std::chrono::nanoseconds(1000000000 / 60);
	std::vector<int64_t> called, returned;
	auto next = Clock::now();
	for (int i = 0; i < frames; i++) {
		std::this_thread::sleep_until(next);
		next += interval;
		called.push_back(recorder::now_ns());
		vcam_raw_video(&vcam, &frame);
		returned.push_back(recorder::now_ns());
	}
	recorder::wait_frames(size_t(frames), 2000);
	vcam_end_run(&vcam);
	const recorder::Snapshot record = recorder::snapshot();
	if (record.frames.size() != size_t(frames)) {
		printf("3. delay: %zu of %d frames arrived, not measured\n",
		       record.frames.size(), frames);
		return;
	}
	std::vector<double> delays, hops;
	for (size_t i = 0; i < size_t(frames); i++) {
		const int64_t sent = record.frames[i].time_ns;
		delays.push_back(double(sent - called[i]) / 1e6);
		hops.push_back(double(sent - returned[i]) / 1e6);
	}
	printf("3. at 60 fps, %d frames:\n", frames);
	printf("   raw_video called -> scSendFrame   median %.2f ms, p99 "
	       "%.2f ms\n",
	       median(delays), percentile(delays, 0.99));
	printf("   raw_video returned -> scSendFrame median %.2f ms, p99 "
	       "%.2f ms\n",
	       median(hops), percentile(hops, 0.99));
}

void quiet_log(int level, const char *format, va_list args, void *)
{
	if (level <= LOG_WARNING)
		vfprintf(stderr, format, args), fputc('\n', stderr);
}

} // namespace

int main(int argc, char **argv)
{
	const double seconds = argc > 1 ? atof(argv[1]) : 3.0;
	base_set_log_handler(quiet_log, nullptr);
	const Nv12 input;
	printf("virtual camera frame path, %ux%u NV12 -> packed BGR\n", WIDTH,
	       HEIGHT);
	conversion_cost(input);
	sustained_rate(input, seconds > 0 ? seconds : 3.0);
	delivery_delay(input);
	return 0;
}
