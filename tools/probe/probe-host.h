// Compiles effect texts with the real host's effect compiler in a child
// process, so that a text which crashes or hangs the compiler only takes the
// child down. The parent restarts the child after every crash or hang.
#pragma once

#include <string>
#include <sys/types.h>

namespace probe {

enum class Verdict {
	Compiled, // gs_effect_create returned an effect
	Rejected, // gs_effect_create returned null (a compile error)
	Crashed,  // the child died while compiling
	Hung,     // no answer within the time limit
	NotStarted, // no child to compile in: nothing was judged
};

const char *verdict_name(Verdict verdict);

struct HostOptions {
	double timeout_seconds = 10.0;
	// Also draw once with the compiled effect's "Draw" technique (the
	// back end links and the driver compiles the program at first draw).
	bool draw = false;
	// Memory limit of the child in MiB (an endless expansion then aborts
	// instead of exhausting the machine): its address space, or under a
	// sanitizer (whose shadow memory alone takes terabytes of address
	// space) the resident size the sanitizer's runtime allows.
	long memory_limit_mib = 6144;
	// Run the child with glibc's heap perturbation (reads past the end of
	// an array then crash reliably).
	bool perturb_heap = true;
	std::string self_path; // this executable (for the child)
};

class ProbeHost {
public:
	explicit ProbeHost(const HostOptions &options);
	~ProbeHost();
	ProbeHost(const ProbeHost &) = delete;
	ProbeHost &operator=(const ProbeHost &) = delete;

	// Compiles text in the child; *error gets the host's error text, or
	// why no child could be started (Verdict::NotStarted).
	Verdict compile(const std::string &text, std::string *error = nullptr);
	int restarts() const { return restarts_; }
	// Why the last child could not be started ("" when it could).
	const std::string &start_failure() const { return start_failure_; }
	// The next compile starts a fresh child (a fresh heap).
	void restart() { stop_child(true); }

private:
	bool start_child(std::string *why);
	void stop_child(bool kill_it);

	HostOptions options_;
	pid_t child_ = -1;
	int to_child_ = -1;
	int from_child_ = -1;
	int restarts_ = 0;
	std::string start_failure_;
};

// The child's side: starts a host and serves compile requests on stdin.
int serve(bool draw);

} // namespace probe
