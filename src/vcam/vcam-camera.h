// The process-wide holder of the one virtual camera: opens, feeds and
// releases it through the camera library, passing every camera handle to
// scDeleteCamera exactly once. No exception of the library gets past it.
#pragma once

#include <QImage>
#include <QMutex>

#include <cstdint>

struct VCamera {
	bool created = false; // a camera has been made at least once
	bool open = false;    // the camera may be fed
	void *handle = nullptr; // the camera held, null once released
	QMutex mutex;         // around every library call after creation
	uint32_t width = 0;   // size of the camera held
	uint32_t height = 0;

	// The holder, made on first use.
	static VCamera &get();

	// Releases a camera still held, then makes a width x height camera at
	// 60 frames per second. False when the library gives no camera (null
	// handle or an exception): nothing is held then.
	bool open_camera(uint32_t width, uint32_t height);

	// Releases the camera if one is open; safe to call again.
	void close();

	// 0 when the frame was offered to the library; -1 when no camera is
	// open or the frame is not of the camera's size (a frame made before
	// the camera was replaced). A throw from the library loses the frame.
	int send(const QImage &frame);

	~VCamera();

private:
	void release_held();
};
