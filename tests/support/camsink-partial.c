/* A camera library without scDeleteCamera: a mismatched library. */
#include <stdint.h>
#define PARTIAL_API __attribute__((visibility("default")))
PARTIAL_API void *scCreateCamera(int32_t w, int32_t h, float fps) { return 0; }
PARTIAL_API int32_t scSendFrame(void *camera, const void *frame) { return 0; }
