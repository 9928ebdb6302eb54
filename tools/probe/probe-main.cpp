// velmora-effect-probe: compiles effect texts with the real host in a child
// process and compares the host's fate with the effect guard's verdict.
//
//   velmora-effect-probe check [options] FILE...   one verdict per file
//   velmora-effect-probe mutate [options] SEED...  mutation run over seeds
//   velmora-effect-probe classes [options]         one text per crash class:
//       the guard must refuse each, and the host must crash or hang on each
//       (which shows the guard is needed)
//
// Options: --timeout SECONDS (hang limit, default 10), --draw (also draw
// once with a compiled effect), --count N (mutants per run), --rng N (seed
// of the mutation run), --out DIR (keep every crashing, hanging, missed or
// wrongly refused text there), --opengl (compose like the filter does on
// OpenGL: "#define OPENGL 1" in front, "[loop]" removed), --no-perturb
// (run the host child without glibc's heap perturbation), --body (the
// files that follow are effect bodies, wrapped in the filter's template and
// technique after mutation; "keyer" is the built-in keyer), --full (whole
// effects again), --no-abuse (skip the hand-written texts), --only N (judge
// only mutant N of the run, to look at it again).
// VELMORA_PROBE_LOG=1 echoes the host child's log and lists the
// parameters of every compiled effect.
#include "probe-host.h"
#include "probe-run.h"
#include "xserver.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
	if (argc >= 2 && strcmp(argv[1], "serve") == 0)
		return probe::serve(false);
	if (argc >= 2 && strcmp(argv[1], "serve-draw") == 0)
		return probe::serve(true);

	if (argc < 2) {
		fprintf(stderr, "usage: %s check|mutate [options] FILE...\n",
			argv[0]);
		return 2;
	}
	probe::RunOptions options;
	options.host.self_path = "/proc/self/exe";
	char self[4096];
	const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
	if (n > 0)
		options.host.self_path.assign(self, size_t(n));
	const std::string command = argv[1];
	std::vector<std::string> files;
	bool bodies = false;
	for (int i = 2; i < argc; i++) {
		const std::string arg = argv[i];
		auto value = [&]() -> std::string {
			return i + 1 < argc ? argv[++i] : "";
		};
		if (arg == "--timeout")
			options.host.timeout_seconds = atof(value().c_str());
		else if (arg == "--draw")
			options.host.draw = true;
		else if (arg == "--count")
			options.count = strtol(value().c_str(), nullptr, 10);
		else if (arg == "--rng")
			options.rng_seed = strtoul(value().c_str(), nullptr, 10);
		else if (arg == "--out")
			options.out_dir = value();
		else if (arg == "--no-perturb")
			options.host.perturb_heap = false;
		else if (arg == "--opengl")
			options.opengl = true;
		else if (arg == "--verbose")
			options.verbose = true;
		else if (arg == "--no-abuse")
			options.skip_abuse = true;
		else if (arg == "--only")
			options.only = strtol(value().c_str(), nullptr, 10);
		else if (arg == "--body")
			bodies = true;
		else if (arg == "--full")
			bodies = false;
		else {
			files.push_back(arg);
			options.is_body.push_back(bodies);
		}
	}
	// One X server for all children: a child that crashes cannot stop a
	// server of its own.
	std::string why;
	if (!headless::ensure_x_server(&why)) {
		fprintf(stderr, "no X server: %s\n", why.c_str());
		return 1;
	}
	if (command == "classes")
		return probe::run_classes(options);
	if (command == "check")
		return probe::run_check(options, files);
	if (command == "mutate")
		return probe::run_mutation(options, files);
	fprintf(stderr, "unknown command %s\n", command.c_str());
	return 2;
}
