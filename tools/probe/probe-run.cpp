#include "probe-run.h"

#include "effect-files.h"
#include "effect-mutator.h"
#include "effect-guard.h"
#include "keyer-effect.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace probe {

std::string load_effect_file(const std::string &path)
{
	if (path == "keyer")
		return keyer_effect_text;
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

void keep_text(const RunOptions &options, const std::string &kind,
	       const std::string &text, const std::string &label)
{
	if (options.out_dir.empty())
		return;
	static long serial = 0;
	const std::string path = options.out_dir + "/" + kind + "-" +
				 std::to_string(++serial) + ".txt";
	std::ofstream(path + ".label") << label << "\n";
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
	long intermittent = 0;  // compiled once, crashed or hung in a retry

	void print() const
	{
		printf("texts tried: %ld\n"
		       "host compiled: %ld\n"
		       "host rejected with an error: %ld\n"
		       "host crashed: %ld\n"
		       "host hung: %ld (of these, crashed only on a retry: %ld)\n"
		       "refused by the guard: %ld\n"
		       "crashes and hangs refused by the guard: %ld of %ld\n"
		       "missed (crash or hang the guard let pass): %ld\n"
		       "compiled texts the guard refused: %ld\n",
		       tried, compiled, rejected, crashed, hung, intermittent,
		       refused,
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
	Verdict verdict = host.compile(text, &error);
	// A read past the end of the host's arrays does not always crash:
	// a text the guard refuses is compiled again in fresh children.
	for (int retry = 0; retry < 8 && !safe && verdict == Verdict::Compiled;
	     retry++) {
		host.restart();
		const Verdict again = host.compile(text, &error);
		if (again == Verdict::NotStarted)
			verdict = again;
		else if (again == Verdict::Crashed || again == Verdict::Hung) {
			verdict = again;
			tally.intermittent++;
		}
	}
	const double elapsed_ms =
		std::chrono::duration<double, std::milli>(
			std::chrono::steady_clock::now() - started)
			.count();
	if (verdict == Verdict::NotStarted)
		return verdict;
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
	case Verdict::NotStarted:
		break;
	}
	const bool fatal = verdict == Verdict::Crashed ||
			   verdict == Verdict::Hung;
	if (fatal && safe) {
		tally.missed++;
		keep_text(options, "missed", text, label);
		printf("MISSED %s: host %s (%s)\n", label.c_str(),
		       verdict_name(verdict), error.c_str());
	} else if (fatal) {
		keep_text(options, "refused-fatal", text, label);
	}
	if (verdict == Verdict::Compiled && !safe) {
		tally.refused_valid++;
		keep_text(options, "refused-valid", text, label);
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

// A run without a host child judged nothing: it fails, saying why.
int no_host(const std::string &error)
{
	fprintf(stderr, "probe: %s; nothing was judged\n", error.c_str());
	return 2;
}

} // namespace

namespace {

// The text as the filter would compile it.
std::string compose(const RunOptions &options, const std::string &text,
		    bool body)
{
	return options.opengl ? effect_files::compiled_text(text, body) : text;
}

} // namespace

int run_check(const RunOptions &options, const std::vector<std::string> &files)
{
	ProbeHost host(options.host);
	Tally tally;
	RunOptions verbose = options;
	verbose.verbose = true;
	for (size_t i = 0; i < files.size(); i++)
		if (judge(host, verbose, tally,
			  compose(options, load_effect_file(files[i]),
				  options.is_body[i]),
			  files[i]) == Verdict::NotStarted)
			return no_host(host.start_failure());
	tally.print();
	return tally.missed || tally.refused_valid ? 1 : 0;
}

int run_mutation(const RunOptions &options,
		 const std::vector<std::string> &seeds)
{
	std::vector<std::string> texts;
	for (const std::string &file : seeds)
		texts.push_back(load_effect_file(file));
	ProbeHost host(options.host);
	Tally tally;
	// The seeds themselves first: each must compile and pass the guard.
	for (size_t i = 0; i < texts.size(); i++)
		if (judge(host, options, tally,
			  compose(options, texts[i], options.is_body[i]),
			  seeds[i]) == Verdict::NotStarted)
			return no_host(host.start_failure());
	printf("--- seeds\n");
	tally.print();
	// Then the hand-written abuse of the preprocessor and the structures.
	Tally abuse;
	for (const mutator::Sample &sample : mutator::abuse_texts())
		if (options.only < 0 && !options.skip_abuse &&
		    judge(host, options, abuse,
			  compose(options, sample.text, false),
			  "abuse " + sample.name) == Verdict::NotStarted)
			return no_host(host.start_failure());
	printf("--- hand-written abuse\n");
	abuse.print();
	// Then the random mutants.
	tally = Tally();
	std::mt19937_64 rng(options.rng_seed);
	for (long i = 0; i < options.count && !texts.empty(); i++) {
		const size_t which = size_t(rng() % texts.size());
		mutator::Sample mutant = mutator::mutate(texts[which], rng);
		if (options.only >= 0 && i != options.only)
			continue;
		if (judge(host, options, tally,
			  compose(options, mutant.text, options.is_body[which]),
			  seeds[which] + " " + mutant.name + " #" +
				  std::to_string(i)) == Verdict::NotStarted)
			return no_host(host.start_failure());
		if ((i + 1) % 1000 == 0) {
			fprintf(stderr,
				"%ld mutants, %ld crashes/hangs, %ld missed, "
				"%ld valid refused\n",
				i + 1, tally.crashed + tally.hung,
				tally.missed, tally.refused_valid);
		}
	}
	printf("--- mutants\n");
	tally.print();
	return tally.missed || abuse.missed || tally.refused_valid ? 1 : 0;
}

int run_classes(const RunOptions &options)
{
	ProbeHost host(options.host);
	int failures = 0;
	for (const mutator::Sample &sample : mutator::class_samples()) {
		std::string reason, error;
		const std::string text =
			effect_files::compiled_text(sample.text, false);
		const bool safe = effect_text_is_safe(text, &reason);
		Verdict verdict = host.compile(text, &error);
		for (int retry = 0; retry < 3 && verdict == Verdict::Compiled;
		     retry++) {
			host.restart();
			verdict = host.compile(text, &error);
		}
		if (verdict == Verdict::NotStarted)
			return no_host(error);
		const bool fatal = verdict == Verdict::Crashed ||
				   verdict == Verdict::Hung;
		printf("%-40s host %-8s guard %s\n", sample.name.c_str(),
		       verdict_name(verdict),
		       safe ? "PASSES" : reason.c_str());
		if (safe || !fatal)
			failures++;
	}
	printf("%d of %zu classes not shown (guard passes or host survives)\n",
	       failures, mutator::class_samples().size());
	return failures ? 1 : 0;
}

} // namespace probe
