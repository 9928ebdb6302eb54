// Internals of plugin_log, visible to the unit tests so that an
// allocation failure can be simulated.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace plugin_log_detail {

using BufferAllocator = char *(*)(size_t size);
using BufferRelease = void (*)(char *buffer);

// Where plugin_log takes its buffer from; returns null when out of memory.
extern BufferAllocator allocate_buffer;
extern BufferRelease release_buffer;

void log_va(int level, const char *format, va_list args);

} // namespace plugin_log_detail
