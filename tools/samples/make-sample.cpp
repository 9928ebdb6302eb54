// Writes the alpha-packed sample frame that the demo feeds to velmora-run:
//   velmora-make-sample OUTPUT.png [HALF_WIDTH HEIGHT]
#include "packed-frame.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
	if (argc != 2 && argc != 4) {
		fprintf(stderr,
			"usage: velmora-make-sample OUTPUT.png [HALF_WIDTH HEIGHT]\n");
		return 2;
	}
	const long half_width = argc == 4 ? strtol(argv[2], nullptr, 10) : 320;
	const long height = argc == 4 ? strtol(argv[3], nullptr, 10) : 320;
	if (half_width < 1 || height < 1 || half_width > 8192 || height > 8192) {
		fprintf(stderr, "velmora-make-sample: size out of range\n");
		return 2;
	}
	const samples::PackedFrame frame =
		samples::make_sample_gift(uint32_t(half_width), uint32_t(height));
	return samples::save_png(frame, argv[1]) ? 0 : 1;
}
