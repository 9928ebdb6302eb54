// Reshaping the library's frames (packed BGR rows padded to 4 bytes) into
// what a consumer takes. Pure functions over byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace camsink {

// Bytes from one row's start to the next in a frame handed to the library.
inline size_t padded_row_bytes(uint32_t width)
{
	return (size_t(width) * 3 + 3) & ~size_t(3);
}

inline size_t padded_frame_bytes(uint32_t width, uint32_t height)
{
	return padded_row_bytes(width) * height;
}

// Tightly packed BGR (3 * width bytes per row): raw "bgr24" video.
void pack_bgr(const uint8_t *frame, uint32_t width, uint32_t height,
	      uint8_t *out);

// Tightly packed RGB, for devices that take "rgb24".
void pack_rgb(const uint8_t *frame, uint32_t width, uint32_t height,
	      uint8_t *out);

// YUYV 4:2:2 (Y0 U Y1 V per pixel pair), BT.601 limited range, the format
// webcam consumers take most widely. width must be even.
void pack_yuyv(const uint8_t *frame, uint32_t width, uint32_t height,
	       uint8_t *out);

} // namespace camsink
