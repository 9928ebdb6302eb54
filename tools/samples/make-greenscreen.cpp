// Draws the sample green-screen picture used by the keyer's tests and the
// demo: a person-like figure (skin, thin hair strands, grey clothes) in
// front of an unevenly lit green wall and floor, with a soft shadow on the
// floor. Deterministic: the same file every run.
//
//   velmora-make-greenscreen OUTPUT.png [WIDTH HEIGHT]
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The wall's green is the keyer's default key colour (129, 197, 50); the
// light falls off a little towards the corners.
QColor wall_colour(double x, double y)
{
	const double dx = x - 0.45, dy = y - 0.35;
	const double light = 1.04 - 0.22 * (dx * dx + dy * dy);
	return QColor::fromRgbF(std::min(1.0, 0.506 * light),
				std::min(1.0, 0.773 * light),
				std::min(1.0, 0.196 * light));
}

// Small deterministic noise, as a camera adds.
int noise(int x, int y)
{
	uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
	h = (h ^ (h >> 13)) * 1274126177u;
	return int((h >> 16) % 5) - 2;
}

void draw_backdrop(QImage &image)
{
	const int w = image.width(), h = image.height();
	const int floor_y = h * 3 / 4;
	for (int y = 0; y < h; y++) {
		for (int x = 0; x < w; x++) {
			QColor c = wall_colour(double(x) / w, double(y) / h);
			if (y >= floor_y) // the floor is a little darker
				c = QColor::fromRgbF(c.redF() * 0.94,
						     c.greenF() * 0.94,
						     c.blueF() * 0.94);
			const int n = noise(x, y);
			image.setPixelColor(
				x, y,
				QColor(std::clamp(c.red() + n, 0, 255),
				       std::clamp(c.green() + n, 0, 255),
				       std::clamp(c.blue() + n, 0, 255)));
		}
	}
}

void draw_shadow(QPainter &p, int w, int h)
{
	// Soft shadow on the floor, to the right of the feet.
	const QPointF centre(w * 0.56, h * 0.90);
	QRadialGradient shadow(centre, w * 0.16);
	shadow.setColorAt(0.0, QColor(0, 0, 0, 80));
	shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
	p.save();
	p.translate(centre);
	p.scale(1.0, 0.25);
	p.translate(-centre);
	p.setPen(Qt::NoPen);
	p.setBrush(shadow);
	p.drawEllipse(centre, w * 0.16, w * 0.16);
	p.restore();
}

void draw_person(QPainter &p, int w, int h)
{
	const QColor skin(224, 172, 140), skin_shade(198, 140, 110);
	const QColor clothes(118, 120, 126), clothes_dark(84, 86, 92);
	const QColor hair(58, 40, 30);
	const double cx = w * 0.45;

	p.setPen(Qt::NoPen);
	// Legs and body: grey clothes.
	p.setBrush(clothes_dark);
	p.drawRoundedRect(QRectF(cx - w * 0.07, h * 0.58, w * 0.06, h * 0.33),
			  4, 4);
	p.drawRoundedRect(QRectF(cx + w * 0.01, h * 0.58, w * 0.06, h * 0.33),
			  4, 4);
	p.setBrush(clothes);
	p.drawRoundedRect(QRectF(cx - w * 0.10, h * 0.30, w * 0.20, h * 0.32),
			  12, 12);
	// Arms: sleeves, then hands.
	p.drawRoundedRect(QRectF(cx - w * 0.14, h * 0.31, w * 0.045, h * 0.26),
			  8, 8);
	p.drawRoundedRect(QRectF(cx + w * 0.095, h * 0.31, w * 0.045, h * 0.26),
			  8, 8);
	p.setBrush(skin_shade);
	p.drawEllipse(QPointF(cx - w * 0.117, h * 0.59), w * 0.022, h * 0.035);
	p.drawEllipse(QPointF(cx + w * 0.117, h * 0.59), w * 0.022, h * 0.035);
	// Neck and head.
	p.setBrush(skin_shade);
	p.drawRect(QRectF(cx - w * 0.02, h * 0.24, w * 0.04, h * 0.07));
	p.setBrush(skin);
	p.drawEllipse(QPointF(cx, h * 0.18), w * 0.055, h * 0.09);
	// Hair: a cap, then thin strands flying off it.
	p.setBrush(hair);
	p.drawChord(QRectF(cx - w * 0.058, h * 0.085, w * 0.116, h * 0.12), 0,
		    180 * 16);
	p.setBrush(Qt::NoBrush);
	for (int i = 0; i < 14; i++) {
		const double t = i / 13.0;
		const double angle = M_PI * (0.1 + 0.8 * t);
		const QPointF root(cx - std::cos(angle) * w * 0.05,
				   h * 0.14 - std::sin(angle) * h * 0.05);
		const QPointF tip(root.x() - std::cos(angle) * w * 0.05,
				  root.y() - std::sin(angle) * h * 0.07);
		QPainterPath strand(root);
		strand.quadTo(QPointF((root.x() + tip.x()) / 2 + w * 0.01,
				      (root.y() + tip.y()) / 2),
			      tip);
		p.setPen(QPen(hair, i % 3 == 0 ? 1.5 : 1.0));
		p.drawPath(strand);
	}
}

} // namespace

int main(int argc, char **argv)
{
	if (argc != 2 && argc != 4) {
		fprintf(stderr,
			"usage: velmora-make-greenscreen OUTPUT.png [WIDTH HEIGHT]\n");
		return 2;
	}
	const int w = argc == 4 ? atoi(argv[2]) : 640;
	const int h = argc == 4 ? atoi(argv[3]) : 360;
	if (w < 64 || h < 64 || w > 8192 || h > 8192) {
		fprintf(stderr, "velmora-make-greenscreen: size out of range\n");
		return 2;
	}
	QImage image(w, h, QImage::Format_RGB32);
	draw_backdrop(image);
	{
		QPainter p(&image);
		p.setRenderHint(QPainter::Antialiasing);
		draw_shadow(p, w, h);
		draw_person(p, w, h);
	}
	if (!image.save(QString::fromLocal8Bit(argv[1]))) {
		fprintf(stderr, "velmora-make-greenscreen: cannot write %s\n",
			argv[1]);
		return 1;
	}
	return 0;
}
