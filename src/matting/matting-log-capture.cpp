#include "matting-log-capture.h"

#include <util/base.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

std::mutex chain_mutex; // guards installed_count and the chaining itself
int installed_count = 0;
// The handler ours passes every line to. Written before ours is chained in
// and never cleared, so a thread that still calls ours after it was taken
// out passes its line on all the same. (Wrapped: a function pointer type
// as the atomic's own argument loses its calling convention on Windows.)
struct chained_handler {
	log_handler_t handler;
};
std::atomic<chained_handler> next_handler{{nullptr}};

thread_local std::vector<logged_line> *recording = nullptr;

std::string format_line(const char *format, va_list args)
{
	va_list measure;
	va_copy(measure, args);
	const int size = vsnprintf(nullptr, 0, format, measure);
	va_end(measure);
	if (size <= 0)
		return std::string();
	std::string text(size_t(size) + 1, '\0');
	va_list copy;
	va_copy(copy, args);
	vsnprintf(&text[0], text.size(), format, copy);
	va_end(copy);
	text.resize(size_t(size));
	return text;
}

void capturing_handler(int level, const char *format, va_list args,
		       void *param)
{
	if (recording)
		recording->push_back({level, format_line(format, args)});
	const log_handler_t next = next_handler.load().handler;
	if (next)
		next(level, format, args, param);
}

void chain_in()
{
	std::lock_guard<std::mutex> lock(chain_mutex);
	if (installed_count++ > 0)
		return;
	log_handler_t current = nullptr;
	void *param = nullptr;
	base_get_log_handler(&current, &param);
	if (current == capturing_handler)
		return; // left in earlier behind a handler since removed
	next_handler = chained_handler{current};
	// The host's parameter stays as it was, so a thread that reads the
	// handler and its parameter while they change still gets a pair that
	// belongs together.
	base_set_log_handler(capturing_handler, param);
}

void chain_out()
{
	std::lock_guard<std::mutex> lock(chain_mutex);
	if (--installed_count > 0)
		return;
	log_handler_t current = nullptr;
	void *param = nullptr;
	base_get_log_handler(&current, &param);
	if (current == capturing_handler)
		base_set_log_handler(next_handler.load().handler, param);
}

} // namespace

host_log_capture::host_log_capture() : outer(recording)
{
	chain_in();
	recording = &recorded;
}

host_log_capture::~host_log_capture()
{
	recording = outer;
	chain_out();
}
