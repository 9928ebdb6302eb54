#include "matting-random.h"

#include <chrono>
#include <mutex>
#include <random>

namespace {

// The filter's own generator, seeded once per process. The C library's
// rand() is no good here: with Microsoft's runtime its state is per thread
// and the host seeds only its graphics thread, so values drawn on other
// threads would repeat in every session.
int draw_from_process_generator(void)
{
	static std::mutex mutex;
	static std::minstd_rand engine([] {
		std::random_device device;
		const auto now = std::chrono::steady_clock::now()
					 .time_since_epoch()
					 .count();
		return std::minstd_rand::result_type(device() ^
						     uint64_t(now));
	}());
	static std::uniform_int_distribution<int> range(0, MATTING_RANDOM_MAX);
	std::lock_guard<std::mutex> lock(mutex);
	return range(engine);
}

} // namespace

float matting_random_value(int (*draw)(void))
{
	int value;
	do {
		value = draw();
	} while (value < 0 || value >= 30003);
	return float(double(value / 3) / 10000.0);
}

float matting_random_value(void)
{
	return matting_random_value(draw_from_process_generator);
}
