// Frames of the virtual camera output: conversion on the host's video
// thread, the queue of at most three frames, and the consumer thread that
// hands them to the camera.
//
// Each frame is converted straight into the rows of a reused image, with
// the queue lock taken only to take a spare image and to queue the result:
// the consumer never waits for a conversion.
#include "vcam-output.h"
#include "vcam-camera.h"

#include <cstring>
#include <exception>
#include <new>

namespace {

// Frames alive in a run: three queued, one being sent, one converting.
const size_t SPARE_FRAME_LIMIT = 4;

QImage take_spare_frame(vcam_output *vcam)
{
	{
		std::lock_guard<std::mutex> lock(vcam->queue_mutex);
		if (!vcam->spare_frames.empty()) {
			QImage frame = std::move(vcam->spare_frames.back());
			vcam->spare_frames.pop_back();
			return frame;
		}
	}
	return vcam_new_frame(vcam->width, vcam->height);
}

// Keeps a frame that left the queue for reuse. Caller holds queue_mutex.
void keep_spare_frame(vcam_output *vcam, QImage &&frame)
{
	if (vcam->active && vcam->spare_frames.size() < SPARE_FRAME_LIMIT)
		vcam->spare_frames.push_back(std::move(frame));
}

void recycle_frame(vcam_output *vcam, QImage &&frame)
{
	std::lock_guard<std::mutex> lock(vcam->queue_mutex);
	keep_spare_frame(vcam, std::move(frame));
}

void make_scaler(vcam_output *vcam)
{
	blog(LOG_INFO, "Initialize scalers. Size %d x %d", int(vcam->width),
	     int(vcam->height));
	const video_scale_info source = vcam_scale_source(vcam);
	const video_scale_info destination = vcam_scale_destination(vcam);
	if (video_scaler_create(&vcam->scaler, &destination, &source,
				VIDEO_SCALE_DEFAULT) != VIDEO_SCALER_SUCCESS) {
		blog(LOG_ERROR, "Failed to create video scaler.");
		vcam->scaler = nullptr;
	}
}

// The first failed send of a run is logged and kept as the run's last error
// (the output's last error in the host once the run stops); later ones are
// counted only, so that a camera that fails at every frame does not flood
// the log.
void report_send_failure(vcam_output *vcam, const std::string &reason)
{
	if (vcam->record.send_failure_reported)
		return;
	vcam->record.send_failure_reported = true;
	blog(LOG_INFO, "VCamera: Error sending frame to vCamera");
	const std::string error =
		"the camera library failed to take a frame: " + reason;
	blog(LOG_WARNING,
	     "velmora-rgb-cam: %s (later failures of this run are counted, "
	     "not logged)",
	     error.c_str());
	vcam_keep_error(vcam, error);
}

void send_frame(vcam_output *vcam, const QImage &frame)
{
	std::string error;
	switch (VCamera::get().send(frame, &error)) {
	case VCamera::SendResult::Taken:
		vcam->record.sent++;
		return;
	case VCamera::SendResult::Failed:
		report_send_failure(vcam, error);
		break;
	case VCamera::SendResult::Refused:
		break;
	}
	vcam->record.dropped++;
}

} // namespace

QImage vcam_new_frame(uint32_t width, uint32_t height)
{
	QImage frame(int(width), int(height), QImage::Format_BGR888);
	if (frame.isNull())
		throw std::bad_alloc();
	memset(frame.bits(), 0, size_t(frame.sizeInBytes()));
	return frame;
}

video_scale_info vcam_scale_source(const vcam_output *vcam)
{
	// The host's own range and colour space: the zero defaults would
	// read every video as limited-range Rec. 709.
	return {vcam->format, vcam->width, vcam->height, vcam->range,
		vcam->colorspace};
}

video_scale_info vcam_scale_destination(const vcam_output *vcam)
{
	return {VIDEO_FORMAT_BGR3, vcam->width, vcam->height,
		VIDEO_RANGE_DEFAULT, VIDEO_CS_DEFAULT};
}

void vcam_convert_frame(vcam_output *vcam, const video_data *frame,
			QImage &image)
{
	if (!vcam->scaler)
		make_scaler(vcam);
	uint8_t *planes[MAX_AV_PLANES] = {image.bits()};
	uint32_t line_sizes[MAX_AV_PLANES] = {uint32_t(image.bytesPerLine())};
	if (!vcam->scaler || !video_scaler_scale(vcam->scaler, planes,
						 line_sizes, frame->data,
						 frame->linesize))
		memset(image.bits(), 0, size_t(image.sizeInBytes()));
}

bool vcam_queue_frame(vcam_output *vcam, QImage &&frame)
{
	{
		std::lock_guard<std::mutex> lock(vcam->queue_mutex);
		if (!vcam->active) {
			vcam->record.dropped++;
			return false;
		}
		if (vcam->frame_queue.size() >= FRAME_QUEUE_LIMIT) {
			keep_spare_frame(vcam,
					 std::move(vcam->frame_queue.front()));
			vcam->frame_queue.pop_front();
			vcam->record.dropped++;
		}
		vcam->frame_queue.push_back(std::move(frame));
	}
	vcam->queue_cond.notify_one();
	return true;
}

void vcam_raw_video(void *data, struct video_data *frame)
{
	vcam_output *vcam = static_cast<vcam_output *>(data);
	const uint64_t run = vcam->run;
	if (!frame || !vcam->active)
		return;
	bool received = false;
	try {
		std::lock_guard<std::mutex> lock(vcam->scaler_mutex);
		if (!vcam->active || vcam->run != run)
			return;
		vcam->record.received++;
		received = true;
		QImage image = take_spare_frame(vcam);
		vcam_convert_frame(vcam, frame, image);
		vcam_queue_frame(vcam, std::move(image));
	} catch (const std::exception &e) {
		blog(LOG_ERROR, "velmora-rgb-cam: frame lost: %s", e.what());
		vcam->record.dropped += received;
	} catch (...) {
		blog(LOG_ERROR, "velmora-rgb-cam: frame lost");
		vcam->record.dropped += received;
	}
}

bool vcam_take_frame(vcam_output *vcam, QImage *frame)
{
	if (!vcam->active)
		return false;
	std::unique_lock<std::mutex> lock(vcam->queue_mutex);
	while (vcam->frame_queue.empty()) {
		if (!vcam->active)
			return false;
		vcam->queue_cond.wait(lock);
	}
	// A run that ended sends nothing more, queued or not.
	if (!vcam->active)
		return false;
	*frame = std::move(vcam->frame_queue.front());
	vcam->frame_queue.pop_front();
	return true;
}

void vcam_consumer_main(vcam_output *vcam)
{
	try {
		QImage frame;
		while (vcam_take_frame(vcam, &frame)) {
			send_frame(vcam, frame);
			recycle_frame(vcam, std::move(frame));
			frame = QImage();
		}
	} catch (const std::exception &e) {
		blog(LOG_ERROR, "Exception in consumer thread: %s", e.what());
	} catch (...) {
		blog(LOG_ERROR, "Exception in consumer thread: %s",
		     "unknown exception");
	}
	VCamera::get().close();
}
