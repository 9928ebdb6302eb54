// Alpha-packed frames drawn in code: the alpha mask (grey) in the left half
// and the colour picture, premultiplied by the mask, in the right half, the
// way gift animations are packed. Used for velmora-run's sample and by the
// tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace samples {

struct PackedFrame {
	uint32_t width = 0; // twice the width of one half
	uint32_t height = 0;
	std::vector<uint8_t> rgba; // rows top first, 4 bytes per pixel, opaque

	// 0xAABBGGRR at (x, y)
	uint32_t pixel(uint32_t x, uint32_t y) const;
};

// Mask value 0..255 at (x, y) of one half.
using MaskFn = std::function<uint8_t(uint32_t x, uint32_t y)>;
// Colour 0xAABBGGRR (alpha ignored) at (x, y) of one half, before it is
// premultiplied by the mask.
using ColourFn = std::function<uint32_t(uint32_t x, uint32_t y)>;

PackedFrame make_packed_frame(uint32_t half_width, uint32_t height,
			      const MaskFn &mask, const ColourFn &colour);

// One flat mask value and one flat colour over the whole half.
PackedFrame make_flat_packed_frame(uint32_t half_width, uint32_t height,
				   uint8_t mask, uint32_t colour);

// The demo's picture: a glowing ribbon-tied gift box on a transparent
// background, soft-edged.
PackedFrame make_sample_gift(uint32_t half_width, uint32_t height);

// Writes the frame as PNG; false with a message on stderr on failure.
bool save_png(const PackedFrame &frame, const std::string &path);

} // namespace samples
