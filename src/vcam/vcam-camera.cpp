#include "vcam-camera.h"

#include <camsink.h>

#include <util/base.h>

#include <QMutexLocker>

namespace {

const float CAMERA_FPS = 60.0f;

void *create_camera(uint32_t width, uint32_t height)
{
	try {
		return scCreateCamera(int32_t(width), int32_t(height),
				      CAMERA_FPS);
	} catch (...) {
		return nullptr;
	}
}

void delete_camera(void *handle)
{
	try {
		scDeleteCamera(handle);
	} catch (...) {
		blog(LOG_WARNING, "VCamera: Error deleting vCamera");
	}
}

void send_to_camera(void *handle, const uchar *frame)
{
	try {
		scSendFrame(handle, frame);
	} catch (...) {
		blog(LOG_INFO, "VCamera: Error sending frame to vCamera");
	}
}

} // namespace

VCamera &VCamera::get()
{
	static VCamera holder;
	return holder;
}

bool VCamera::open_camera(uint32_t new_width, uint32_t new_height)
{
	QMutexLocker lock(&mutex);
	release_held();
	handle = create_camera(new_width, new_height);
	created = true;
	open = handle != nullptr;
	width = new_width;
	height = new_height;
	if (!open)
		blog(LOG_WARNING, "VCamera: Failed to create a %u x %u vCamera",
		     new_width, new_height);
	return open;
}

void VCamera::close()
{
	QMutexLocker lock(&mutex);
	release_held();
}

int VCamera::send(const QImage &frame)
{
	QMutexLocker lock(&mutex);
	if (!open || uint32_t(frame.width()) != width ||
	    uint32_t(frame.height()) != height)
		return -1;
	send_to_camera(handle, frame.constBits());
	return 0;
}

VCamera::~VCamera()
{
	QMutexLocker lock(&mutex);
	release_held();
}

void VCamera::release_held()
{
	if (handle)
		delete_camera(handle);
	handle = nullptr;
	open = false;
}
