#include "probe-run.h"

#include "effect-files.h"
#include "effect-mutator.h"
#include "matting/effect-guard.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace probe {

std::string load_effect_file(const std::string &path)
{
	std::string text;
	if (effect_files::load(path, &text))
		return text;
	// Not an effect file on disk: take the argument's bytes as they are.
	std::ifstream in(path, std::ios::binary);
	std::ostringstream buffer;
	buffer << in.rdbuf();
	return buffer.str();
}

namespace {

std::string first_line(const std::string &text)
{
	return text.substr(0, text.find('\n'));
}

void keep_text(const RunOptions &options, const std::string &kind, long index,
	       const std::string &text)
{
	if (options.out_dir.empty())
		return;
	const std::string path = options.out_dir + "/" + kind + "-" +
				 std::to_string(index) + ".txt";
	std::ofstream out(path, std::ios::binary);
	out << text;
}

struct Tally {
	long tried = 0;
	long compiled = 0;
	long rejected = 0;
	long crashed = 0;
	long hung = 0;
	long refused = 0;
	long missed = 0;        // host crashed or hung, guard let it pass
	long refused_valid = 0; // host compiled it, guard refused it

	void print() const
	{
		printf("texts tried: %ld\n"
		       "host compiled: %ld\n"
		       "host rejected with an error: %ld\n"
		       "host crashed: %ld\n"
		       "host hung: %ld\n"
		       "refused by the guard: %ld\n"
		       "crashes and hangs refused by the guard: %ld of %ld\n"
		       "missed (crash or hang the guard let pass): %ld\n"
		       "compiled texts the guard refused: %ld\n",
		       tried, compiled, rejected, crashed, hung, refused,
		       crashed + hung - missed, crashed + hung, missed,
		       refused_valid);
	}
};

// Runs one text through the guard and the host and counts the outcome.
Verdict judge(ProbeHost &host, const RunOptions &options, Tally &tally,
	      const std::string &text, const std::string &label)
{
	std::string reason, error;
	const bool safe = effect_text_is_safe(text, &reason);
	const auto started = std::chrono::steady_clock::now();
	const Verdict verdict = host.compile(text, &error);
	const double elapsed_ms =
		std::chrono::duration<double, std::milli>(
			std::chrono::steady_clock::now() - started)
			.count();
	tally.tried++;
	if (!safe)
		tally.refused++;
	switch (verdict) {
	case Verdict::Compiled:
		tally.compiled++;
		break;
	case Verdict::Rejected:
		tally.rejected++;
		break;
	case Verdict::Crashed:
		tally.crashed++;
		break;
	case Verdict::Hung:
		tally.hung++;
		break;
	}
	const bool fatal = verdict == Verdict::Crashed ||
			   verdict == Verdict::Hung;
	if (fatal && safe) {
		tally.missed++;
		keep_text(options, "missed", tally.tried, text);
		printf("MISSED %s: host %s (%s)\n", label.c_str(),
		       verdict_name(verdict), error.c_str());
	} else if (fatal) {
		keep_text(options, "refused-fatal", tally.tried, text);
	}
	if (verdict == Verdict::Compiled && !safe) {
		tally.refused_valid++;
		keep_text(options, "refused-valid", tally.tried, text);
		printf("REFUSED VALID %s: %s\n", label.c_str(), reason.c_str());
	}
	if (options.verbose)
		printf("%s: host %s in %.0f ms%s%s; guard %s%s\n",
		       label.c_str(), verdict_name(verdict), elapsed_ms,
		       error.empty() ? "" : ": ",
		       first_line(error).c_str(), safe ? "passes" : "refuses: ",
		       reason.c_str());
	fflush(stdout);
	return verdict;
}

} // namespace

int run_check(const RunOptions &options, const std::vector<std::string> &files)
{
	ProbeHost host(options.host);
	Tally tally;
	RunOptions verbose = options;
	verbose.verbose = true;
	for (const std::string &file : files) {
		std::string text = load_effect_file(file);
		if (options.opengl)
			text = effect_files::opengl_text(text);
		judge(host, verbose, tally, text, file);
	}
	tally.print();
	return tally.missed || tally.refused_valid ? 1 : 0;
}

int run_mutation(const RunOptions &options,
		 const std::vector<std::string> &seeds)
{
	std::vector<std::string> texts;
	for (const std::string &file : seeds) {
		std::string text = load_effect_file(file);
		texts.push_back(options.opengl ? effect_files::opengl_text(text)
					       : text);
	}
	ProbeHost host(options.host);
	Tally tally;
	// The seeds themselves first: each must compile and pass the guard.
	for (size_t i = 0; i < texts.size(); i++)
		judge(host, options, tally, texts[i], seeds[i]);
	// Then the hand-written abuse of the preprocessor and the structures.
	const std::vector<mutator::Sample> abuse = mutator::abuse_texts();
	for (const mutator::Sample &sample : abuse)
		judge(host, options, tally,
		      options.opengl ? effect_files::opengl_text(sample.text)
				     : sample.text,
		      "abuse " + sample.name);
	// Then the random mutants.
	std::mt19937_64 rng(options.rng_seed);
	for (long i = 0; i < options.count && !texts.empty(); i++) {
		const size_t which = size_t(rng() % texts.size());
		mutator::Sample mutant = mutator::mutate(texts[which], rng);
		judge(host, options, tally, mutant.text,
		      seeds[which] + " " + mutant.name + " #" +
			      std::to_string(i));
		if ((i + 1) % 1000 == 0) {
			fprintf(stderr, "%ld mutants, %ld crashes/hangs, %ld missed\n",
				i + 1, tally.crashed + tally.hung, tally.missed);
		}
	}
	tally.print();
	return tally.missed || tally.refused_valid ? 1 : 0;
}

} // namespace probe
