#include "frame-pack.h"

#include <cstring>

namespace camsink {

void pack_bgr(const uint8_t *frame, uint32_t width, uint32_t height,
	      uint8_t *out)
{
	const size_t stride = padded_row_bytes(width);
	const size_t row = size_t(width) * 3;
	for (uint32_t y = 0; y < height; y++)
		memcpy(out + y * row, frame + y * stride, row);
}

void pack_rgb(const uint8_t *frame, uint32_t width, uint32_t height,
	      uint8_t *out)
{
	const size_t stride = padded_row_bytes(width);
	for (uint32_t y = 0; y < height; y++) {
		const uint8_t *in = frame + y * stride;
		for (uint32_t x = 0; x < width; x++, in += 3, out += 3) {
			out[0] = in[2];
			out[1] = in[1];
			out[2] = in[0];
		}
	}
}

static inline uint8_t luma(int r, int g, int b)
{
	return uint8_t(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

static inline uint8_t chroma_u(int r, int g, int b)
{
	return uint8_t(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
}

static inline uint8_t chroma_v(int r, int g, int b)
{
	return uint8_t(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

void pack_yuyv(const uint8_t *frame, uint32_t width, uint32_t height,
	       uint8_t *out)
{
	const size_t stride = padded_row_bytes(width);
	for (uint32_t y = 0; y < height; y++) {
		const uint8_t *in = frame + y * stride;
		for (uint32_t x = 0; x + 1 < width; x += 2, in += 6, out += 4) {
			const int b0 = in[0], g0 = in[1], r0 = in[2];
			const int b1 = in[3], g1 = in[4], r1 = in[5];
			// Chroma of the pair's average colour.
			const int r = (r0 + r1 + 1) / 2, g = (g0 + g1 + 1) / 2,
				  b = (b0 + b1 + 1) / 2;
			out[0] = luma(r0, g0, b0);
			out[1] = chroma_u(r, g, b);
			out[2] = luma(r1, g1, b1);
			out[3] = chroma_v(r, g, b);
		}
	}
}

} // namespace camsink
