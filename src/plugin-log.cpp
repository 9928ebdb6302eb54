#include "plugin-support.h"
#include "plugin-log-detail.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

extern "C" const char *const PLUGIN_TAG = "velmora-plugin";

namespace plugin_log_detail {

static char *allocate_default(size_t size)
{
	return new (std::nothrow) char[size];
}

static void release_default(char *buffer)
{
	delete[] buffer;
}

BufferAllocator allocate_buffer = allocate_default;
BufferRelease release_buffer = release_default;

static size_t tagged_size(const char *format)
{
	// "[" + tag + "] " + format + terminating zero
	return 1 + strlen(PLUGIN_TAG) + 2 + strlen(format) + 1;
}

void log_va(int level, const char *format, va_list args)
{
	if (!format)
		format = "";

	const size_t size = tagged_size(format);
	char *buffer = allocate_buffer(size);
	if (!buffer) {
		// Out of memory: keep the message, lose only the tag.
		blogva(level, format, args);
		return;
	}

	snprintf(buffer, size, "[%s] %s", PLUGIN_TAG, format);
	blogva(level, buffer, args);
	release_buffer(buffer);
}

} // namespace plugin_log_detail

extern "C" void plugin_log(int level, const char *format, ...)
{
	va_list args;
	va_start(args, format);
	plugin_log_detail::log_va(level, format, args);
	va_end(args);
}
