#include "probe-host.h"

#include "headless-host.h"
#include "sanitizer-build.h"

#include <obs.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace probe {

const char *verdict_name(Verdict verdict)
{
	switch (verdict) {
	case Verdict::Compiled:
		return "compiled";
	case Verdict::Rejected:
		return "rejected";
	case Verdict::Crashed:
		return "crashed";
	case Verdict::Hung:
		return "hung";
	case Verdict::NotStarted:
		return "not started";
	}
	return "?";
}

namespace {

bool write_all(int fd, const void *data, size_t size)
{
	const char *p = static_cast<const char *>(data);
	while (size > 0) {
		const ssize_t n = write(fd, p, size);
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0)
			return false;
		p += n;
		size -= size_t(n);
	}
	return true;
}

double now_seconds()
{
	timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Reads one line (without the line feed) within the deadline.
bool read_line(int fd, std::string *line, double deadline)
{
	line->clear();
	for (;;) {
		const double left = deadline - now_seconds();
		if (left <= 0)
			return false;
		pollfd pfd = {fd, POLLIN, 0};
		const int ready = poll(&pfd, 1, int(left * 1000) + 1);
		if (ready < 0 && errno == EINTR)
			continue;
		if (ready <= 0)
			return false;
		char ch;
		const ssize_t n = read(fd, &ch, 1);
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0)
			return false;
		if (ch == '\n')
			return true;
		line->push_back(ch);
	}
}

bool read_exact(int fd, std::string *out, size_t size, double deadline)
{
	out->resize(size);
	size_t got = 0;
	while (got < size) {
		const double left = deadline - now_seconds();
		if (left <= 0)
			return false;
		pollfd pfd = {fd, POLLIN, 0};
		if (poll(&pfd, 1, int(left * 1000) + 1) <= 0)
			continue;
		const ssize_t n = read(fd, &(*out)[got], size - got);
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0)
			return false;
		got += size_t(n);
	}
	return true;
}

// The options variable of the sanitizer this program is built with, or
// null. A sanitizer's shadow memory takes terabytes of address space, so
// under one the child's memory is bounded by the runtime's own limit on its
// resident size instead of an address-space limit.
const char *sanitizer_options_variable()
{
#ifdef VELMORA_SANITIZER_OPTIONS
	return VELMORA_SANITIZER_OPTIONS;
#else
	return nullptr;
#endif
}

// The caller's sanitizer options with the child's memory limit added, and
// under AddressSanitizer a fill of fresh and freed heap memory (glibc's heap
// perturbation does nothing with the sanitizer's allocator).
std::string sanitizer_limit_option(const HostOptions &options)
{
	const char *variable = sanitizer_options_variable();
	if (!variable)
		return std::string();
	const char *inherited = getenv(variable);
	std::string value = inherited ? inherited : "";
	value += std::string(value.empty() ? "" : ":") + "hard_rss_limit_mb=" +
		 std::to_string(options.memory_limit_mib);
	if (options.perturb_heap && strcmp(variable, "ASAN_OPTIONS") == 0)
		value += ":malloc_fill_byte=165:max_malloc_fill_size=1048576"
			 ":free_fill_byte=165:max_free_fill_size=1048576";
	return value;
}

} // namespace

ProbeHost::ProbeHost(const HostOptions &options) : options_(options)
{
	signal(SIGPIPE, SIG_IGN);
}

ProbeHost::~ProbeHost()
{
	stop_child(false);
}

bool ProbeHost::start_child(std::string *why)
{
	// Made before the fork: the child only sets what is ready.
	const std::string limit_option = sanitizer_limit_option(options_);
	const char *options_variable = sanitizer_options_variable();
	int in_pipe[2], out_pipe[2];
	if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0) {
		*why = std::string("pipe: ") + strerror(errno);
		return false;
	}
	const pid_t pid = fork();
	if (pid < 0) {
		*why = std::string("fork: ") + strerror(errno);
		return false;
	}
	if (pid == 0) {
		dup2(in_pipe[0], 0);
		dup2(out_pipe[1], 1);
		close(in_pipe[0]);
		close(in_pipe[1]);
		close(out_pipe[0]);
		close(out_pipe[1]);
		if (options_variable) {
			setenv(options_variable, limit_option.c_str(), 1);
		} else {
			rlimit limit;
			limit.rlim_cur = limit.rlim_max =
				rlim_t(options_.memory_limit_mib) * 1024 * 1024;
			setrlimit(RLIMIT_AS, &limit);
		}
		rlimit no_core = {0, 0};
		setrlimit(RLIMIT_CORE, &no_core);
		// Fill fresh heap memory with a pattern, so that a read past the
		// end of the host's token arrays meets garbage pointers and
		// crashes at once instead of passing by luck.
		if (options_.perturb_heap)
			setenv("MALLOC_PERTURB_", "165", 1);
		execl(options_.self_path.c_str(), options_.self_path.c_str(),
		      options_.draw ? "serve-draw" : "serve", (char *)nullptr);
		_exit(127);
	}
	close(in_pipe[0]);
	close(out_pipe[1]);
	child_ = pid;
	to_child_ = in_pipe[1];
	from_child_ = out_pipe[0];
	std::string line;
	if (read_line(from_child_, &line, now_seconds() + 60) &&
	    line == "ready")
		return true;
	// Dead already, or stopped here: either way it says why.
	int status = 0;
	const bool dead = waitpid(child_, &status, WNOHANG) == child_;
	if (!dead) {
		kill(child_, SIGKILL);
		waitpid(child_, &status, 0);
	}
	close(to_child_);
	close(from_child_);
	child_ = -1;
	to_child_ = from_child_ = -1;
	*why = !dead ? std::string("no answer within 60 s")
		       : WIFSIGNALED(status)
				 ? std::string("killed by signal ") +
					   strsignal(WTERMSIG(status))
				 : "exited with status " +
					   std::to_string(WEXITSTATUS(status));
	return false;
}

void ProbeHost::stop_child(bool kill_it)
{
	if (child_ <= 0)
		return;
	if (kill_it)
		kill(child_, SIGKILL);
	close(to_child_);
	close(from_child_);
	int status = 0;
	waitpid(child_, &status, 0);
	child_ = -1;
	to_child_ = from_child_ = -1;
}

Verdict ProbeHost::compile(const std::string &text, std::string *error)
{
	if (child_ <= 0) {
		std::string why;
		if (!start_child(&why)) {
			start_failure_ =
				"the host child could not start (" + why + ")";
			if (error)
				*error = start_failure_;
			return Verdict::NotStarted;
		}
		start_failure_.clear();
	}
	const std::string header = std::to_string(text.size()) + "\n";
	const double deadline = now_seconds() + options_.timeout_seconds;
	std::string line;
	const bool sent = write_all(to_child_, header.data(), header.size()) &&
			  write_all(to_child_, text.data(), text.size());
	if (sent && read_line(from_child_, &line, deadline)) {
		if (line == "C")
			return Verdict::Compiled;
		if (line.size() > 2 && line[0] == 'R') {
			std::string message;
			read_exact(from_child_, &message,
				   size_t(strtoul(line.c_str() + 2, nullptr,
						  10)),
				   deadline);
			if (error)
				*error = message;
			return Verdict::Rejected;
		}
	}
	// No answer: dead or hung. Tell which by whether it is still alive.
	// Give a child that is on its way out a moment to be reaped.
	int status = 0;
	bool dead = false;
	for (int i = 0; i < 40 && !dead; i++) {
		dead = waitpid(child_, &status, WNOHANG) == child_;
		if (!dead && now_seconds() < deadline)
			usleep(50000);
		else if (!dead)
			break;
	}
	if (dead) {
		close(to_child_);
		close(from_child_);
		child_ = -1;
	} else {
		stop_child(true);
	}
	restarts_++;
	if (error)
		*error = dead && WIFSIGNALED(status)
				 ? std::string("signal ") +
					   strsignal(WTERMSIG(status))
				 : std::string(dead ? "exited" : "timeout");
	return dead ? Verdict::Crashed : Verdict::Hung;
}

/* --- the child ------------------------------------------------------- */

namespace {

void draw_once(gs_effect_t *effect)
{
	gs_texrender_t *target = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
	if (gs_texrender_begin(target, 16, 16)) {
		gs_ortho(0.0f, 16.0f, 0.0f, 16.0f, -100.0f, 100.0f);
		while (gs_effect_loop(effect, "Draw"))
			gs_draw_sprite(nullptr, 0, 16, 16);
		gs_texrender_end(target);
	}
	gs_texrender_destroy(target);
}

} // namespace

int serve(bool draw)
{
	headless::HostConfig config;
	config.load_plugin = false;
	config.stock_modules.clear();
	config.echo_log = getenv("VELMORA_PROBE_LOG") != nullptr;
	std::string why;
	if (!headless::start(config, &why)) {
		fprintf(stderr, "probe child: %s\n", why.c_str());
		return 1;
	}
	printf("ready\n");
	fflush(stdout);
	char header[32];
	while (fgets(header, sizeof(header), stdin)) {
		const size_t size = strtoul(header, nullptr, 10);
		std::string text(size, '\0');
		if (size && fread(&text[0], 1, size, stdin) != size)
			break;
		char *errors = nullptr;
		obs_enter_graphics();
		gs_effect_t *effect =
			gs_effect_create(text.c_str(), nullptr, &errors);
		if (effect && draw)
			draw_once(effect);
		if (effect && getenv("VELMORA_PROBE_LOG")) {
			// What the parser kept: parameters and the techniques
			// named in the text.
			fprintf(stderr, "probe: %zu parameters:",
				gs_effect_get_num_params(effect));
			for (size_t i = 0; i < gs_effect_get_num_params(effect);
			     i++) {
				gs_effect_param_info info;
				gs_effect_get_param_info(
					gs_effect_get_param_by_idx(effect, i),
					&info);
				fprintf(stderr, " %s", info.name);
			}
			fprintf(stderr, "\n");
		}

		gs_effect_destroy(effect);
		obs_leave_graphics();
		if (effect) {
			printf("C\n");
		} else {
			const std::string message = errors ? errors : "";
			printf("R %zu\n", message.size());
			fwrite(message.data(), 1, message.size(), stdout);
		}
		fflush(stdout);
		bfree(errors);
	}
	headless::stop();
	return 0;
}

} // namespace probe
