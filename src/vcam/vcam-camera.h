// The process-wide holder of the one virtual camera: opens, feeds and
// releases it through the camera library, passing every camera handle to
// scDeleteCamera exactly once. No exception of the library gets past it.
#pragma once

#include <QImage>
#include <QMutex>

#include <cstdint>
#include <string>

struct VCamera {
	bool open = false;    // the camera may be fed
	void *handle = nullptr; // the camera held, null once released
	QMutex mutex;         // around every library call after creation
	uint32_t width = 0;   // size of the camera held
	uint32_t height = 0;

	// The holder, made on first use.
	static VCamera &get();

	// Releases a camera still held, then makes a width x height camera at
	// 60 frames per second. False with the reason in *error when the
	// library gives no camera (no usable library, a null handle or an
	// exception): nothing is held then.
	bool open_camera(uint32_t width, uint32_t height, std::string *error);

	// Releases the camera if one is open; safe to call again.
	void close();

	enum class SendResult {
		Taken,   // the library took the frame
		Refused, // no camera open, or a frame of another size (one
			 // made before the camera was replaced): not offered
		Failed,  // the library threw: the frame is lost (*error says
			 // why)
	};
	SendResult send(const QImage &frame, std::string *error);

	~VCamera();

private:
	void release_held();
};
