// Whether this program is built with a sanitizer: VELMORA_SANITIZER_OPTIONS
// names the environment variable of its runtime's options.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_SANITIZER_OPTIONS "ASAN_OPTIONS"
#elif defined(__SANITIZE_THREAD__)
#define VELMORA_SANITIZER_OPTIONS "TSAN_OPTIONS"
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_SANITIZER_OPTIONS "ASAN_OPTIONS"
#elif __has_feature(thread_sanitizer)
#define VELMORA_SANITIZER_OPTIONS "TSAN_OPTIONS"
#endif
#endif

// How many times longer than a normal build a test lets the module's own
// work take: instrumented code runs several times slower (the effect guard
// up to twenty times on its longest macro expansions).
#ifdef VELMORA_SANITIZER_OPTIONS
#define VELMORA_SANITIZER_SLOWDOWN 5
#else
#define VELMORA_SANITIZER_SLOWDOWN 1
#endif
