/* The virtual camera library: the three functions the module calls.
 *
 * On Windows the vendor's camsink.dll provides them. Everywhere else the
 * project's own stand-in (this folder) does, publishing frames to a
 * v4l2loopback device or to a file or named pipe. Any library that offers
 * the three functions can take its place.
 *
 * Frames are width x height, rows top first, 3 bytes per pixel in the order
 * blue, green, red, each row padded to a multiple of 4 bytes. The buffer
 * belongs to the caller; the library has taken what it needs when
 * scSendFrame returns.
 *
 * The module loads the library at run time, from its own folder first, then
 * from the system's search path, and looks the three functions up by name.
 * A library reports a failure by throwing a C++ exception (the stand-in
 * throws std::runtime_error saying why): from scCreateCamera the start
 * fails, from scSendFrame that frame is lost. The results of scSendFrame
 * and scDeleteCamera are not relied upon. */
#pragma once

#include <stdint.h>

#if defined(_WIN32)
#if defined(CAMSINK_BUILDING)
#define CAMSINK_API __declspec(dllexport)
#else
#define CAMSINK_API __declspec(dllimport)
#endif
#else
#define CAMSINK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A camera of width x height declared at fps frames per second; null when
 * no camera can be made. */
CAMSINK_API void *scCreateCamera(int32_t width, int32_t height, float fps);

/* Offers one frame to the camera. */
CAMSINK_API int32_t scSendFrame(void *camera, const void *frame);

/* Releases the camera; the handle is not used again. */
CAMSINK_API int32_t scDeleteCamera(void *camera);

#ifndef _WIN32
/* Stand-in only: what every camera of this process has done so far. */
struct camsink_statistics {
	uint64_t cameras_created;
	uint64_t frames_received;  /* scSendFrame calls with a live camera */
	uint64_t frames_published; /* frames handed to a device or file */
};
CAMSINK_API void camsink_get_statistics(struct camsink_statistics *out);
#endif

#ifdef __cplusplus
}
#endif
