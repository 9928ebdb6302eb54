// Lifecycle of the virtual camera output: create, start, stop, destroy.
#include "vcam-output.h"
#include "vcam-camera.h"

#include <util/bmem.h>

#include <exception>
#include <new>

// Caller holds scaler_mutex, or no frame can arrive.
static void release_scaler(vcam_output *vcam)
{
	if (vcam->scaler)
		video_scaler_destroy(vcam->scaler);
	vcam->scaler = nullptr;
}

// Frames still queued are lost to the run.
static void drop_frames(vcam_output *vcam)
{
	std::lock_guard<std::mutex> lock(vcam->queue_mutex);
	vcam->record.dropped += vcam->frame_queue.size();
	vcam->frame_queue.clear();
	vcam->spare_frames.clear();
}

// A new run's record: its size, no frames, no error. Caller holds
// scaler_mutex, so no frame of an earlier run is counted in it.
static void begin_record(vcam_run_record &record, uint32_t width,
			 uint32_t height)
{
	record.width = width;
	record.height = height;
	record.received = 0;
	record.sent = 0;
	record.dropped = 0;
	record.send_failure_reported = false;
	std::lock_guard<std::mutex> lock(record.error_mutex);
	record.last_error.clear();
}

void vcam_keep_error(vcam_output *vcam, const std::string &reason)
{
	std::lock_guard<std::mutex> lock(vcam->record.error_mutex);
	vcam->record.last_error = reason;
}

void vcam_report_error(vcam_output *vcam, const std::string &reason)
{
	vcam_keep_error(vcam, reason);
	if (vcam->output)
		obs_output_set_last_error(vcam->output, reason.c_str());
}

void *vcam_create(obs_data_t *settings, obs_output_t *output)
{
	UNUSED_PARAMETER(settings);
	void *memory = bzalloc(sizeof(vcam_output));
	try {
		vcam_output *vcam = new (memory) vcam_output;
		vcam->output = output;
		return vcam;
	} catch (const std::exception &e) {
		blog(LOG_ERROR, "velmora-rgb-cam: cannot create: %s", e.what());
	}
	bfree(memory);
	return nullptr;
}

// Ends the run; nothing it throws leaves the module.
static void end_run_safely(vcam_output *vcam)
{
	try {
		vcam_end_run(vcam);
	} catch (const std::exception &e) {
		blog(LOG_ERROR, "velmora-rgb-cam: stop: %s", e.what());
	} catch (...) {
		blog(LOG_ERROR, "velmora-rgb-cam: stop failed");
	}
}

void vcam_destroy(void *data)
{
	vcam_output *vcam = static_cast<vcam_output *>(data);
	if (!vcam)
		return;
	// The host stops an output before destroying it; a consumer thread
	// still running here would end the process when its record goes.
	if (vcam->consumer.joinable())
		end_run_safely(vcam);
	release_scaler(vcam);
	vcam->~vcam_output();
	bfree(vcam);
}

bool vcam_begin_run(vcam_output *vcam, const video_output_info &info)
{
	{
		std::lock_guard<std::mutex> lock(vcam->scaler_mutex);
		vcam->run++;
		vcam->format = info.format;
		vcam->width = info.width;
		vcam->height = info.height;
		vcam->range = info.range;
		vcam->colorspace = info.colorspace;
		release_scaler(vcam);
		drop_frames(vcam);
		begin_record(vcam->record, info.width, info.height);
	}
	std::string error;
	if (!VCamera::get().open_camera(info.width, info.height, &error)) {
		vcam_report_error(vcam, error);
		return false;
	}
	vcam->active = true;
	return true;
}

void vcam_end_run(vcam_output *vcam)
{
	{
		std::lock_guard<std::mutex> lock(vcam->queue_mutex);
		vcam->active = false;
	}
	vcam->queue_cond.notify_all();
	if (vcam->consumer.joinable())
		vcam->consumer.join();
	{
		// Waits for a frame still converting.
		std::lock_guard<std::mutex> lock(vcam->scaler_mutex);
		release_scaler(vcam);
	}
	drop_frames(vcam);
	VCamera::get().close();
}

// False with the reason reported.
static bool start_run(vcam_output *vcam)
{
	video_t *video = obs_get_video();
	const video_output_info *info =
		video ? video_output_get_info(video) : nullptr;
	if (!info) {
		vcam_report_error(vcam, "the host has no video output");
		return false;
	}
	// An output keeps the video object it was created with, and a reset
	// of the host's video frees that one: follow the host's current video.
	obs_output_set_media(vcam->output, video, obs_get_audio());
	if (!vcam_begin_run(vcam, *info))
		return false;
	if (!obs_output_begin_data_capture(vcam->output, 1)) {
		vcam_report_error(vcam, "the host did not begin data capture");
		return false;
	}
	try {
		vcam_start_consumer(vcam);
	} catch (...) {
		obs_output_end_data_capture(vcam->output);
		throw;
	}
	return true;
}

bool vcam_start(void *data)
{
	vcam_output *vcam = static_cast<vcam_output *>(data);
	if (vcam->consumer.joinable()) {
		blog(LOG_WARNING, "velmora-rgb-cam: not started: it is running "
				  "already");
		obs_output_set_last_error(vcam->output, "it is running already");
		return false;
	}
	try {
		if (start_run(vcam))
			return true;
	} catch (const std::exception &e) {
		blog(LOG_ERROR, "velmora-rgb-cam: start failed: %s", e.what());
		vcam_report_error(vcam, std::string("start failed: ") + e.what());
	} catch (...) {
		blog(LOG_ERROR, "velmora-rgb-cam: start failed");
		vcam_report_error(vcam, "start failed");
	}
	// Nothing of a failed start stays behind.
	end_run_safely(vcam);
	return false;
}

void vcam_stop(void *data, uint64_t ts)
{
	UNUSED_PARAMETER(ts);
	vcam_output *vcam = static_cast<vcam_output *>(data);
	end_run_safely(vcam);
	vcam_run_record &record = vcam->record;
	// A failure the consumer thread kept becomes the output's last error
	// now that the run's threads have ended, and before the host's stop
	// signal, whose handlers may read it.
	if (record.send_failure_reported) {
		std::lock_guard<std::mutex> lock(record.error_mutex);
		obs_output_set_last_error(vcam->output,
					  record.last_error.c_str());
	}
	obs_output_end_data_capture(vcam->output);
	blog(LOG_INFO,
	     "velmora-rgb-cam: stopped: %llu frames received, %llu sent, %llu "
	     "dropped",
	     (unsigned long long)record.received.load(),
	     (unsigned long long)record.sent.load(),
	     (unsigned long long)record.dropped.load());
}

void vcam_start_consumer(vcam_output *vcam)
{
	vcam->consumer = std::thread(vcam_consumer_main, vcam);
}
