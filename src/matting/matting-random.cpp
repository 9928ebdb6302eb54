#include "matting-random.h"

#include <cstdlib>

float matting_random_value(int (*draw)(void))
{
	int value;
	do {
		value = draw();
	} while (value < 0 || value >= 30003);
	return float(double(value / 3) / 10000.0);
}

float matting_random_value(void)
{
	return matting_random_value(rand);
}
