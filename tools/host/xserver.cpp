#include "xserver.h"

#include <X11/Xlib.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace headless {

namespace {

pid_t own_server = 0;

void stop_own_server()
{
	if (own_server > 0) {
		kill(own_server, SIGTERM);
		waitpid(own_server, nullptr, 0);
		own_server = 0;
	}
}

bool display_answers()
{
	const char *name = getenv("DISPLAY");
	if (!name || !*name)
		return false;
	Display *display = XOpenDisplay(nullptr);
	if (!display)
		return false;
	XCloseDisplay(display);
	return true;
}

// Starts Xvfb on a display number it picks itself (-displayfd) and
// returns that number, or -1.
int start_xvfb()
{
	int fds[2];
	if (pipe(fds) != 0)
		return -1;
	pid_t pid = fork();
	if (pid < 0)
		return -1;
	if (pid == 0) {
		close(fds[0]);
		int null = open("/dev/null", O_WRONLY);
		if (null >= 0) {
			dup2(null, STDOUT_FILENO);
			dup2(null, STDERR_FILENO);
		}
		std::string fd = std::to_string(fds[1]);
		execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen",
		       "0", "1920x1080x24", "-nolisten", "tcp", "-noreset",
		       (char *)nullptr);
		_exit(127);
	}
	close(fds[1]);
	own_server = pid;
	atexit(stop_own_server);

	char buffer[32] = {};
	size_t used = 0;
	while (used < sizeof(buffer) - 1) {
		ssize_t n = read(fds[0], buffer + used, 1);
		if (n <= 0 || buffer[used] == '\n')
			break;
		used++;
	}
	close(fds[0]);
	if (used == 0)
		return -1;
	return atoi(buffer);
}

} // namespace

bool ensure_x_server(std::string *error)
{
	if (display_answers())
		return true;
	int number = start_xvfb();
	if (number < 0) {
		if (error)
			*error = "no X display answers and Xvfb could not be "
				 "started (install the xvfb package)";
		return false;
	}
	std::string display = ":" + std::to_string(number);
	setenv("DISPLAY", display.c_str(), 1);
	if (display_answers())
		return true;
	if (error)
		*error = "Xvfb started but does not answer";
	return false;
}

} // namespace headless
