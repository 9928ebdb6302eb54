// The filter's random values: 0 to 1 inclusive in steps of 0.0001.
#pragma once

// Draws answer 0 to MATTING_RANDOM_MAX, the range of the C library's rand().
#define MATTING_RANDOM_MAX 32767

// Draws until draw() answers below 30003 (so that each of the 10001 steps
// is equally likely), then maps the draw to (draw / 3) / 10000. draw must
// answer 0 to at least 30002.
float matting_random_value(int (*draw)(void));

// The same from the filter's own generator, seeded once per process and
// safe from any thread.
float matting_random_value(void);
