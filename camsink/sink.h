// Where the stand-in camera library puts its frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace camsink {

struct CameraFormat {
	uint32_t width = 0;
	uint32_t height = 0;
	float fps = 0.0f;
};

class Sink {
public:
	virtual ~Sink() = default;
	// Publishes one frame in the library's layout (padded BGR rows);
	// false when the frame was dropped as the sink intends (a pipe with
	// no reader). Throws std::runtime_error, saying why, when the frame
	// cannot be stored (a file or device that fails to take it).
	virtual bool publish(const uint8_t *frame) = 0;
};

// Picks the sink for a new camera from the environment:
//   VELMORA_CAMSINK_FILE=PATH        raw bgr24 frames to a file or named pipe
//   VELMORA_CAMSINK_DEVICE=/dev/videoN  that v4l2 output device
//   VELMORA_CAMSINK_DEVICE=none      no device: frames are dropped
//   nothing set                      the first v4l2loopback device found,
//                                    else frames are dropped
// Logs one line saying where the camera's frames go. When an explicitly
// configured file or device cannot be used, the result is null and *error
// says why; a null result with *error empty means "accept and drop".
std::unique_ptr<Sink> choose_sink(const CameraFormat &format,
				  std::string *error);

// Raw bgr24 frames to a file (emptied first) or to a named pipe (opened
// when a reader is there; never blocks the caller for long). Null with the
// reason in *error when the file cannot be opened.
std::unique_ptr<Sink> open_file_sink(const std::string &path,
				     const CameraFormat &format,
				     std::string *error);

// A v4l2 video output device; with loopback_only, only v4l2loopback's.
// Null with the reason in *error (when error is not null) when the device
// cannot be used.
std::unique_ptr<Sink> open_v4l2_sink(const std::string &device,
				     const CameraFormat &format,
				     bool loopback_only, std::string *error);

// Writes size bytes to fd (blocking or not) within timeout_ms. A reader
// that went away raises no SIGPIPE. False on error or time-out.
bool write_all(int fd, const uint8_t *data, size_t size, int timeout_ms);

} // namespace camsink
