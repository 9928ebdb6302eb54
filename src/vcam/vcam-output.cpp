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

static void drop_frames(vcam_output *vcam)
{
	std::lock_guard<std::mutex> lock(vcam->queue_mutex);
	vcam->frame_queue.clear();
	vcam->spare_frames.clear();
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
	}
	if (!VCamera::get().open_camera(info.width, info.height))
		return false;
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

static bool start_run(vcam_output *vcam)
{
	video_t *video = obs_get_video();
	if (!video)
		return false;
	// An output keeps the video object it was created with, and a reset
	// of the host's video frees that one: follow the host's current video.
	obs_output_set_media(vcam->output, video, obs_get_audio());
	const video_output_info *info = video_output_get_info(video);
	if (!info || !vcam_begin_run(vcam, *info))
		return false;
	if (!obs_output_begin_data_capture(vcam->output, 1))
		return false;
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
		return false;
	}
	try {
		if (start_run(vcam))
			return true;
	} catch (const std::exception &e) {
		blog(LOG_ERROR, "velmora-rgb-cam: start failed: %s", e.what());
	} catch (...) {
		blog(LOG_ERROR, "velmora-rgb-cam: start failed");
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
	obs_output_end_data_capture(vcam->output);
}

void vcam_start_consumer(vcam_output *vcam)
{
	vcam->consumer = std::thread(vcam_consumer_main, vcam);
}
