// The filter's random values: 0 to 1 inclusive in steps of 0.0001.
#pragma once

// Draws until draw() answers below 30003 (so that each of the 10001 steps
// is equally likely), then maps the draw to (draw / 3) / 10000. draw must
// answer 0 to at least 30002, as the C library's rand() does; the library's
// generator is never seeded here.
float matting_random_value(int (*draw)(void));
float matting_random_value(void);
