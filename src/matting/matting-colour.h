// Colour settings: one 32-bit value with red in the lowest byte, then green,
// blue and alpha in the highest (the host's colour property format).
#pragma once

#include <cstdint>

// Each component becomes (component * 255 + 0.5) truncated; components are
// clamped to 0..1 first (NaN counts as 0) so that an out-of-range default
// never wraps into a different colour.
uint32_t pack_colour(const float rgba[4]);

// Each byte divided by 255.
void unpack_colour(uint32_t colour, float rgba[4]);
