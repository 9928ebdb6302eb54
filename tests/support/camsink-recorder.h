// A camera library that records what it is handed, for the tests and the
// benchmark. It is built as libcamsink.so in a folder of its own, beside a
// copy of the module, which then finds it instead of the stand-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define RECORDER_API __attribute__((visibility("default")))

namespace recorder {

struct Camera {
	void *handle = nullptr;
	int32_t width = 0;
	int32_t height = 0;
	float fps = 0.0f;
	int deletes = 0; // times the handle reached scDeleteCamera
	uint64_t frames = 0;
};

struct Frame {
	size_t camera = 0;  // index into Snapshot::cameras
	int64_t time_ns = 0; // when scSendFrame was entered
	uint32_t centre = 0; // B | G << 8 | R << 16 of the centre pixel
	std::vector<uint8_t> bytes; // the whole frame, for the last few kept
};

struct Snapshot {
	std::vector<Camera> cameras;
	std::vector<Frame> frames;
	// Misuse seen: frames for cameras that are not open, handles deleted
	// twice or unknown, a send and a delete running at the same time.
	std::vector<std::string> faults;
};

enum class CreateMode { Normal, ReturnNull, Throw };

// Forgets everything recorded and restores the defaults below.
RECORDER_API void reset();
RECORDER_API Snapshot snapshot();

// Each scSendFrame takes this long (default 0).
RECORDER_API void set_send_delay_ms(int ms);
// The next count calls of scSendFrame throw (after recording the frame).
RECORDER_API void throw_on_sends(int count);
RECORDER_API void set_create_mode(CreateMode mode);
// Whole frames kept for the last this many sends (default 4; 0: none).
RECORDER_API void keep_frames(size_t count);
// While held, scSendFrame waits inside the call until released.
RECORDER_API void hold_sends(bool hold);
// Waits until a send is waiting inside the call (held); false on time-out.
RECORDER_API bool wait_until_send_held(int timeout_ms);

// Waits until at least count frames in all were received.
RECORDER_API bool wait_frames(size_t count, int timeout_ms = 10000);
RECORDER_API size_t frame_count();

// A monotonic clock in nanoseconds, the one frame times use.
RECORDER_API int64_t now_ns();

} // namespace recorder
