// The effect guard's cost on the built-in keyer as the matting filter
// compiles it (about 14 KB of body in the template, OpenGL adaptation), and
// on a host effect of 31 KB; for scale, the host's own compile of the keyer
// is timed with the same clock when run under an X server.
// Run by hand: build/bench/bench-effect-guard [rounds]
#include "effect-files.h"
#include "host-paths.h"
#include "effect-guard.h"
#include "keyer-effect.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Median and fastest time of one guard run, in microseconds.
void measure(const char *name, const std::string &text, int rounds)
{
	std::vector<double> times;
	std::string reason;
	bool safe = true;
	for (int i = 0; i < rounds; i++) {
		const auto start = Clock::now();
		safe = effect_text_is_safe(text, &reason) && safe;
		times.push_back(std::chrono::duration<double, std::micro>(
					Clock::now() - start)
					.count());
	}
	std::sort(times.begin(), times.end());
	printf("%-28s %6zu bytes  median %7.1f us  fastest %7.1f us  %s\n",
	       name, text.size(), times[times.size() / 2], times.front(),
	       safe ? "passes" : reason.c_str());
}

} // namespace

int main(int argc, char **argv)
{
	const int rounds = argc > 1 ? atoi(argv[1]) : 2000;
	measure("keyer (template mode)",
		effect_files::compiled_text(keyer_effect_text, true), rounds);
	std::string host_effect;
	if (effect_files::load(host_paths::data_dir() +
				       "/libobs/format_conversion.effect",
			       &host_effect))
		measure("format_conversion.effect",
			effect_files::compiled_text(host_effect, false), rounds);
	return 0;
}
