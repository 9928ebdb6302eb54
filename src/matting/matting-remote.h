// The matting filter as remote requests reach it, from any thread: the work
// of the panel's two buttons followed by a wait for the rebuild they cause,
// and the filter's state for a status request. The caller holds a strong
// reference to the filter's source for the whole call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct matting_filter;

// How long a request waits for the rebuild it asked for.
#define MATTING_REBUILD_WAIT_MS 1000

struct matting_rebuild_outcome {
	bool rebuilt = false;   // the rebuild ran within the wait
	std::string last_error; // the filter's "last_error" afterwards
};

// Does what the "reload_effect" button does, then waits for the rebuild.
matting_rebuild_outcome matting_reload_and_wait(matting_filter *filter);

// Does what the "shader_convert" button does; *converted is the button's
// result. Waits for the rebuild when the text was converted (nothing is
// rebuilt otherwise: rebuilt stays false, last_error is the current one).
matting_rebuild_outcome matting_convert_and_wait(matting_filter *filter,
						 bool *converted);

struct matting_status {
	std::string last_error;
	uint32_t width = 0; // the filter's output size at its last frame
	uint32_t height = 0;
	std::vector<std::string> parameters; // names of the bound parameters
};

matting_status matting_get_status(matting_filter *filter);
