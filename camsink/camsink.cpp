// The stand-in camera library: the three functions of the vendor's
// camsink.dll, publishing to a v4l2loopback device or a file or pipe.
//
// Pacing: none. A frame is published when it arrives, the caller is never
// held to a rate, and no frame is repeated; the sender's rate (the host's
// frame rate) is the camera's rate. The declared rate is only announced
// (to the v4l2 device as its frame interval, and in the log).
//
// Failures a user must hear of are thrown as std::runtime_error saying why,
// the way the caller expects a camera library to report them: a configured
// file or device that cannot be opened (scCreateCamera) or that fails to
// take a frame (scSendFrame: that frame is lost). A camera that cannot be
// made for a bad size or rate is a null handle; misuse (unknown handles, a
// null frame) is -1. scDeleteCamera throws nothing.
#include "camsink.h"
#include "sink.h"

#include <util/base.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>

namespace {

using camsink::CameraFormat;
using camsink::Sink;

const int32_t MAX_SIDE = 16384;

struct Camera {
	CameraFormat format;
	std::unique_ptr<Sink> sink;
	std::mutex mutex; // one frame at a time
	uint64_t received = 0;
	uint64_t published = 0;
};

struct Registry {
	std::mutex mutex;
	std::set<Camera *> live;
	std::atomic<uint64_t> cameras_created{0};
	std::atomic<uint64_t> frames_received{0};
	std::atomic<uint64_t> frames_published{0};
};

Registry &registry()
{
	static Registry instance;
	return instance;
}

bool valid_format(int32_t width, int32_t height, float fps)
{
	return width > 0 && height > 0 && width <= MAX_SIDE &&
	       height <= MAX_SIDE && std::isfinite(fps) && fps > 0.0f;
}

void *create_camera(int32_t width, int32_t height, float fps)
{
	if (!valid_format(width, height, fps)) {
		blog(LOG_WARNING, "[camsink] refused a camera of %dx%d at %g fps",
		     width, height, double(fps));
		return nullptr;
	}
	auto camera = std::make_unique<Camera>();
	camera->format = {uint32_t(width), uint32_t(height), fps};
	std::string error;
	camera->sink = camsink::choose_sink(camera->format, &error);
	if (!error.empty())
		throw std::runtime_error("[camsink] " + error);

	Registry &reg = registry();
	std::lock_guard<std::mutex> lock(reg.mutex);
	reg.live.insert(camera.get());
	reg.cameras_created++;
	return camera.release();
}

int32_t send_frame(void *handle, const void *frame)
{
	Camera *camera = static_cast<Camera *>(handle);
	Registry &reg = registry();
	std::unique_lock<std::mutex> camera_lock;
	{
		std::lock_guard<std::mutex> lock(reg.mutex);
		if (!frame || !reg.live.count(camera))
			return -1;
		// Taken before the registry is let go, so that a delete
		// cannot free the camera under this frame.
		camera_lock = std::unique_lock<std::mutex>(camera->mutex);
	}
	camera->received++;
	reg.frames_received++;
	if (camera->sink &&
	    camera->sink->publish(static_cast<const uint8_t *>(frame))) {
		camera->published++;
		reg.frames_published++;
	}
	return 0;
}

int32_t delete_camera(void *handle)
{
	Camera *camera = static_cast<Camera *>(handle);
	Registry &reg = registry();
	{
		std::lock_guard<std::mutex> lock(reg.mutex);
		if (!reg.live.erase(camera)) {
			blog(LOG_WARNING,
			     "[camsink] scDeleteCamera: unknown camera %p",
			     handle);
			return -1;
		}
	}
	{
		// Waits for a frame still being published.
		std::lock_guard<std::mutex> lock(camera->mutex);
	}
	blog(LOG_INFO,
	     "[camsink] %ux%u camera closed: %llu frames received, %llu "
	     "published",
	     camera->format.width, camera->format.height,
	     (unsigned long long)camera->received,
	     (unsigned long long)camera->published);
	delete camera;
	return 0;
}

} // namespace

extern "C" {

void *scCreateCamera(int32_t width, int32_t height, float fps)
{
	return create_camera(width, height, fps);
}

int32_t scSendFrame(void *camera, const void *frame)
{
	return send_frame(camera, frame);
}

int32_t scDeleteCamera(void *camera)
{
	try {
		return delete_camera(camera);
	} catch (...) {
		return -1;
	}
}

void camsink_get_statistics(camsink_statistics *out)
{
	if (!out)
		return;
	Registry &reg = registry();
	out->cameras_created = reg.cameras_created;
	out->frames_received = reg.frames_received;
	out->frames_published = reg.frames_published;
}

} // extern "C"
