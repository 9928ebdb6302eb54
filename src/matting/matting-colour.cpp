#include "matting-colour.h"

namespace {

uint32_t colour_byte(float component)
{
	if (!(component > 0.0f)) // also NaN
		return 0;
	if (component > 1.0f)
		return 255;
	return uint32_t(component * 255.0 + 0.5) & 0xFF;
}

} // namespace

uint32_t pack_colour(const float rgba[4])
{
	return colour_byte(rgba[0]) | colour_byte(rgba[1]) << 8 |
	       colour_byte(rgba[2]) << 16 | colour_byte(rgba[3]) << 24;
}

void unpack_colour(uint32_t colour, float rgba[4])
{
	for (int i = 0; i < 4; i++)
		rgba[i] = float(double((colour >> (8 * i)) & 0xFF) / 255.0);
}
