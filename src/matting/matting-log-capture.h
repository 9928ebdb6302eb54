// What the host logs on one thread while the filter compiles an effect. On
// OpenGL the host of some versions hands the graphics driver's compile
// errors back only through its log; this is how the filter reads them.
#pragma once

#include <string>
#include <vector>

struct logged_line {
	int level;
	std::string text;
};

// While an instance lives, every line the host logs on the thread that
// made it is recorded; every line of every thread still goes on to the
// host's own handler. The capturing handler is chained in front of the
// host's by the first instance and taken out by the last (only while it is
// still the host's handler: another handler put in front of it meanwhile
// is left alone, and ours keeps passing lines on).
class host_log_capture {
public:
	host_log_capture();
	~host_log_capture();
	host_log_capture(const host_log_capture &) = delete;
	host_log_capture &operator=(const host_log_capture &) = delete;

	const std::vector<logged_line> &lines() const { return recorded; }

private:
	std::vector<logged_line> recorded;
	std::vector<logged_line> *outer; // an enclosing capture on this thread
};
