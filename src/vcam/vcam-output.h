// The virtual camera output "velmora-rgb-cam": its record, its host
// callbacks, and the host-free steps they are made of (also driven directly
// by the unit tests and the benchmark).
#pragma once

#include <obs-module.h>
#include <media-io/video-scaler.h>

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct vcam_status;

// At most this many converted frames wait for the camera; a newer frame
// pushes the oldest out.
constexpr size_t FRAME_QUEUE_LIMIT = 3;

// What the running or the last run did, for readers on any thread. Every
// frame counted as received is later counted as sent or dropped, or still
// waits in the queue (or in the consumer's hands).
struct vcam_run_record {
	std::atomic<uint32_t> width{0};
	std::atomic<uint32_t> height{0};
	std::atomic<uint64_t> received{0}; // raw_video frames of this run
	std::atomic<uint64_t> sent{0};     // taken by the camera library
	std::atomic<uint64_t> dropped{0};  // pushed out, refused, failed, left
	std::mutex error_mutex;            // a leaf lock: guards last_error
	std::string last_error;            // "" when none
	// A failed send of this run has been reported (consumer thread).
	bool send_failure_reported = false;
};

// Locks, when more than one is taken: scaler_mutex, then queue_mutex. The
// camera holder's mutex is never taken with either of them held.
struct vcam_output {
	obs_output_t *output = nullptr;
	// True while a run delivers frames. Cleared under queue_mutex; tested
	// without a lock first, then again under the lock.
	std::atomic<bool> active{false};
	video_format format = VIDEO_FORMAT_NONE; // of the host's video, at start
	uint32_t width = 0;
	uint32_t height = 0;
	video_scaler_t *scaler = nullptr; // made on a run's first frame

	std::mutex queue_mutex;
	std::condition_variable queue_cond;
	std::deque<QImage> frame_queue;
	std::thread consumer; // joinable from a successful start to stop

	// Colour range and space of the host's video: the scaler's source.
	video_range_type range = VIDEO_RANGE_DEFAULT;
	video_colorspace colorspace = VIDEO_CS_DEFAULT;
	// Held while a frame converts and while the run's format or scaler
	// changes, so that the scaler is never released under a converting
	// frame.
	std::mutex scaler_mutex;
	// Counts runs: a frame that entered raw_video during an earlier run
	// is not converted with this run's sizes.
	std::atomic<uint64_t> run{0};
	// Frames of this run's size that left the queue, reused by the next
	// frames (queue_mutex).
	std::vector<QImage> spare_frames;
	vcam_run_record record;
};

/* Host callbacks (vcam-output.cpp, vcam-frames.cpp). */
void *vcam_create(obs_data_t *settings, obs_output_t *output);
void vcam_destroy(void *data);
bool vcam_start(void *data);
void vcam_stop(void *data, uint64_t ts);
void vcam_raw_video(void *data, struct video_data *frame);

/* Steps of a run, free of host calls. */

// Takes the video's format, size and colours, empties what an earlier run
// left, starts a new run record and opens the camera; then sets active.
// False when no camera opens, with the reason reported (vcam_report_error).
bool vcam_begin_run(vcam_output *vcam, const video_output_info &info);

// Clears active, wakes and joins the consumer, releases the scaler and
// the waiting frames, closes the camera. Safe to call more than once.
void vcam_end_run(vcam_output *vcam);

// Starts the consumer thread (throws std::system_error when it cannot).
void vcam_start_consumer(vcam_output *vcam);

// The consumer thread: sends the queued frames to the camera until the run
// ends, then closes the camera.
void vcam_consumer_main(vcam_output *vcam);

// Keeps reason as the run's last error (any thread).
void vcam_keep_error(vcam_output *vcam, const std::string &reason);

// Keeps reason as the run's last error and sets it as the output's last
// error in the host when there is an output. On the host's threads only
// (start, stop): the host's last error has no lock, and others may read it.
void vcam_report_error(vcam_output *vcam, const std::string &reason);

// The status of the running or last run (vcam-status.cpp).
void vcam_read_status(vcam_output *vcam, vcam_status *status);

/* Frames (vcam-frames.cpp). */

// A black width x height packed BGR frame, rows padded to 4 bytes.
QImage vcam_new_frame(uint32_t width, uint32_t height);

// Source and destination of the format conversion.
video_scale_info vcam_scale_source(const vcam_output *vcam);
video_scale_info vcam_scale_destination(const vcam_output *vcam);

// Converts frame into image (of the run's size) with the run's scaler,
// making the scaler first when there is none; black when it cannot.
// Caller holds scaler_mutex.
void vcam_convert_frame(vcam_output *vcam, const video_data *frame,
			QImage &image);

// Appends a converted frame, dropping the oldest when the queue is full,
// and wakes the consumer. False (frame not queued) when not active. Counts
// the frames it drops.
bool vcam_queue_frame(vcam_output *vcam, QImage &&frame);

// Waits for the oldest frame and moves it into *frame; false when the run
// ends, even with frames waiting.
bool vcam_take_frame(vcam_output *vcam, QImage *frame);
