/* A camera library without scDeleteCamera: a mismatched library. */
#include <stdint.h>

#define PARTIAL_API __attribute__((visibility("default")))

PARTIAL_API void *scCreateCamera(int32_t width, int32_t height, float fps)
{
	(void)width;
	(void)height;
	(void)fps;
	return 0;
}

PARTIAL_API int32_t scSendFrame(void *camera, const void *frame)
{
	(void)camera;
	(void)frame;
	return 0;
}
