// Mutants of valid effect texts for the probe: deletions and truncations of
// characters, tokens and lines, plus hand-written abuse of the host's
// preprocessor and of the structures its effect parser trips over.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace mutator {

struct Sample {
	std::string name;
	std::string text;
};

// One random mutant of text.
Sample mutate(const std::string &text, std::mt19937_64 &rng);

// The hand-written abuse texts (complete effects).
std::vector<Sample> abuse_texts();

// One abuse text for each class the host crashes or hangs on.
std::vector<Sample> class_samples();

} // namespace mutator
