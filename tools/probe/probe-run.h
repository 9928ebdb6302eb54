// The probe's runs: checking given texts and the mutation run.
#pragma once

#include "probe-host.h"

#include <string>
#include <vector>

namespace probe {

struct RunOptions {
	HostOptions host;
	long count = 1000;
	unsigned long rng_seed = 1;
	std::string out_dir;
	bool opengl = false;
	bool verbose = false;
	bool skip_abuse = false; // --no-abuse
	long only = -1; // judge only this mutant (by its number)
	// Files given after --body are effect bodies: they are wrapped in the
	// filter's template and technique after mutation.
	std::vector<bool> is_body;
};

// Reads a file the way the matting filter's loader does (include lines
// inlined, recursively); "keyer" names the built-in keying effect.
std::string load_effect_file(const std::string &path);

int run_check(const RunOptions &options, const std::vector<std::string> &files);
int run_mutation(const RunOptions &options,
		 const std::vector<std::string> &seeds);
int run_classes(const RunOptions &options);

} // namespace probe
