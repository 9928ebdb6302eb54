#include "vcam-camera.h"
#include "vcam-library.h"

#include <util/base.h>

#include <QMutexLocker>

#include <exception>

// The library's functions are called through pointers looked up at run
// time, and every call sits in a handler that catches everything: a
// camera library reports failure by throwing. With MSVC the module is
// built with /EHs rather than the usual /EHsc (see the top CMakeLists),
// so that the compiler never takes these handlers for dead code on the
// ground that C functions do not throw. Not /EHa: that would also turn
// access violations inside the library into catchable exceptions and let
// the host run on in a corrupted state.

namespace {

const float CAMERA_FPS = 60.0f;

std::string exception_text(std::exception_ptr thrown)
{
	try {
		std::rethrow_exception(thrown);
	} catch (const std::exception &e) {
		return e.what();
	} catch (...) {
		return "an exception of unknown type";
	}
}

void *create_camera(uint32_t width, uint32_t height, std::string *error)
{
	const vcam_library &library = vcam_library_get();
	if (!library.usable()) {
		*error = library.error;
		return nullptr;
	}
	const std::string size =
		std::to_string(width) + " x " + std::to_string(height);
	void *handle = nullptr;
	try {
		handle = library.create_camera(int32_t(width), int32_t(height),
					       CAMERA_FPS);
		if (!handle)
			*error = "the camera library made no " + size +
				 " camera";
	} catch (...) {
		*error = "the camera library failed to make a " + size +
			 " camera: " + exception_text(std::current_exception());
	}
	if (!handle)
		blog(LOG_WARNING, "VCamera: %s", error->c_str());
	return handle;
}

void delete_camera(void *handle)
{
	try {
		vcam_library_get().delete_camera(handle);
	} catch (...) {
		blog(LOG_WARNING, "VCamera: Error deleting vCamera");
	}
}

} // namespace

VCamera &VCamera::get()
{
	// The library outlives the holder, whose destructor may still
	// release a camera at process exit.
	vcam_library_get();
	static VCamera holder;
	return holder;
}

bool VCamera::open_camera(uint32_t new_width, uint32_t new_height,
			  std::string *error)
{
	QMutexLocker lock(&mutex);
	release_held();
	handle = create_camera(new_width, new_height, error);
	open = handle != nullptr;
	width = new_width;
	height = new_height;
	return open;
}

void VCamera::close()
{
	QMutexLocker lock(&mutex);
	release_held();
}

VCamera::SendResult VCamera::send(const QImage &frame, std::string *error)
{
	QMutexLocker lock(&mutex);
	if (!open || uint32_t(frame.width()) != width ||
	    uint32_t(frame.height()) != height)
		return SendResult::Refused;
	try {
		vcam_library_get().send_frame(handle, frame.constBits());
		return SendResult::Taken;
	} catch (...) {
		*error = exception_text(std::current_exception());
		return SendResult::Failed;
	}
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
