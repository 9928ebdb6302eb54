#include "effect-mutator.h"

namespace mutator {

Sample mutate(const std::string &text, std::mt19937_64 &rng)
{
	std::string out = text;
	if (!out.empty())
		out.erase(size_t(rng() % out.size()), 1);
	return {"char-delete", out};
}

std::vector<Sample> abuse_texts()
{
	return {};
}

} // namespace mutator
