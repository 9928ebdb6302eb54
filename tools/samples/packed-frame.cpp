#include "packed-frame.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace samples {

namespace {

void put(PackedFrame &frame, uint32_t x, uint32_t y, uint32_t rgba)
{
	uint8_t *p = &frame.rgba[(size_t(y) * frame.width + x) * 4];
	p[0] = uint8_t(rgba);
	p[1] = uint8_t(rgba >> 8);
	p[2] = uint8_t(rgba >> 16);
	p[3] = 0xFF;
}

uint32_t premultiply(uint32_t colour, uint8_t mask)
{
	uint32_t out = 0;
	for (int shift = 0; shift < 24; shift += 8) {
		const uint32_t c = (colour >> shift) & 0xFF;
		out |= ((c * mask + 127) / 255) << shift;
	}
	return out;
}

uint32_t grey(uint8_t value)
{
	return uint32_t(value) * 0x010101u;
}

uint32_t rgb(float r, float g, float b)
{
	auto byte = [](float c) {
		return uint32_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255));
	};
	return byte(r) | byte(g) << 8 | byte(b) << 16;
}

/* The sample gift, in coordinates of one half scaled to 0..1. */

struct Shape {
	float coverage; // 0..1
	uint32_t colour;
};

bool in_box(float u, float v, float cu, float half_w, float v0, float v1)
{
	return std::fabs(u - cu) < half_w && v > v0 && v < v1;
}

bool in_disc(float u, float v, float cu, float cv, float r)
{
	return (u - cu) * (u - cu) + (v - cv) * (v - cv) < r * r;
}

// Solid parts at one point: ribbon over lid over box.
bool gift_part(float u, float v, uint32_t *colour)
{
	const bool ribbon =
		(std::fabs(u - 0.5f) < 0.045f && v > 0.30f && v < 0.82f) ||
		(in_box(u, v, 0.5f, 0.28f, 0.56f, 0.62f)) ||
		in_disc(u, v, 0.42f, 0.25f, 0.075f) ||
		in_disc(u, v, 0.58f, 0.25f, 0.075f);
	if (ribbon) {
		*colour = rgb(1.0f, 0.82f, 0.25f);
		return true;
	}
	if (in_box(u, v, 0.5f, 0.32f, 0.30f, 0.40f)) {
		*colour = rgb(0.95f, 0.20f, 0.35f);
		return true;
	}
	if (in_box(u, v, 0.5f, 0.28f, 0.40f, 0.82f)) {
		*colour = rgb(0.80f - 0.4f * (v - 0.4f), 0.10f, 0.30f);
		return true;
	}
	return false;
}

// The gift with 4x4 supersampled edges over a soft golden glow.
Shape sample_gift_at(uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
	const int n = 4;
	float covered = 0.0f, r = 0.0f, g = 0.0f, b = 0.0f;
	for (int sy = 0; sy < n; sy++) {
		for (int sx = 0; sx < n; sx++) {
			const float u = (float(x) + (sx + 0.5f) / n) / float(w);
			const float v = (float(y) + (sy + 0.5f) / n) / float(h);
			uint32_t colour = 0;
			if (!gift_part(u, v, &colour))
				continue;
			covered += 1.0f;
			r += float(colour & 0xFF);
			g += float((colour >> 8) & 0xFF);
			b += float((colour >> 16) & 0xFF);
		}
	}
	const float u = (float(x) + 0.5f) / float(w);
	const float v = (float(y) + 0.5f) / float(h);
	const float d = std::hypot(u - 0.5f, v - 0.55f);
	const float glow = 0.55f * std::clamp(1.0f - d / 0.48f, 0.0f, 1.0f);

	const float solid = covered / float(n * n);
	const float coverage = solid + glow * (1.0f - solid);
	if (coverage <= 0.0f)
		return {0.0f, 0};
	const float k = covered > 0 ? 1.0f / (covered * 255.0f) : 0.0f;
	// Mix in straight colour: the solid parts' own over the glow's.
	const float gs = glow * (1.0f - solid) / coverage;
	const float ss = solid / coverage;
	return {coverage, rgb(r * k * ss + 1.0f * gs, g * k * ss + 0.85f * gs,
			      b * k * ss + 0.40f * gs)};
}

} // namespace

uint32_t PackedFrame::pixel(uint32_t x, uint32_t y) const
{
	const uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
	return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
	       uint32_t(p[3]) << 24;
}

PackedFrame make_packed_frame(uint32_t half_width, uint32_t height,
			      const MaskFn &mask, const ColourFn &colour)
{
	PackedFrame frame;
	frame.width = half_width * 2;
	frame.height = height;
	frame.rgba.resize(size_t(frame.width) * height * 4);
	for (uint32_t y = 0; y < height; y++) {
		for (uint32_t x = 0; x < half_width; x++) {
			const uint8_t m = mask(x, y);
			put(frame, x, y, grey(m));
			put(frame, half_width + x, y,
			    premultiply(colour(x, y), m));
		}
	}
	return frame;
}

PackedFrame make_flat_packed_frame(uint32_t half_width, uint32_t height,
				   uint8_t mask, uint32_t colour)
{
	return make_packed_frame(
		half_width, height, [&](uint32_t, uint32_t) { return mask; },
		[&](uint32_t, uint32_t) { return colour; });
}

PackedFrame make_sample_gift(uint32_t half_width, uint32_t height)
{
	std::vector<Shape> shapes(size_t(half_width) * height);
	for (uint32_t y = 0; y < height; y++)
		for (uint32_t x = 0; x < half_width; x++)
			shapes[size_t(y) * half_width + x] =
				sample_gift_at(x, y, half_width, height);
	auto at = [&](uint32_t x, uint32_t y) -> const Shape & {
		return shapes[size_t(y) * half_width + x];
	};
	return make_packed_frame(
		half_width, height,
		[&](uint32_t x, uint32_t y) {
			return uint8_t(std::lround(at(x, y).coverage * 255));
		},
		[&](uint32_t x, uint32_t y) { return at(x, y).colour; });
}

bool save_png(const PackedFrame &frame, const std::string &path)
{
	QImage image(frame.rgba.data(), int(frame.width), int(frame.height),
		     int(frame.width * 4), QImage::Format_RGBA8888);
	if (!image.save(QString::fromStdString(path), "PNG")) {
		fprintf(stderr, "cannot write %s\n", path.c_str());
		return false;
	}
	return true;
}

} // namespace samples
