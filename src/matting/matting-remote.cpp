// Button work and rebuild waits for requests that arrive on other threads.
// The rebuild itself still happens where it always does: obs_source_update
// defers the filter's update to its next tick on the graphics thread.
#include "matting-remote.h"
#include "matting-filter.h"
#include "shader-convert-button.h"

#include <chrono>

namespace {

// Runs press (which asks for a rebuild, or declines to and returns false),
// then waits for the first build that begins after the press started: a
// build already running may have read the settings before the press.
template<typename Press>
matting_rebuild_outcome press_and_wait(matting_filter *filter, Press press)
{
	uint64_t begun;
	{
		std::lock_guard<std::mutex> lock(filter->build_mutex);
		begun = filter->builds_begun;
	}
	matting_rebuild_outcome outcome;
	if (press()) {
		std::unique_lock<std::mutex> lock(filter->build_mutex);
		outcome.rebuilt = filter->build_finished.wait_for(
			lock, std::chrono::milliseconds(MATTING_REBUILD_WAIT_MS),
			[&] { return filter->builds_done > begun; });
	}
	outcome.last_error = matting_last_error(filter);
	return outcome;
}

} // namespace

matting_rebuild_outcome matting_reload_and_wait(matting_filter *filter)
{
	return press_and_wait(filter, [filter] {
		// As the "reload_effect" button does.
		filter->reload_pending = true;
		obs_source_update(filter->source, nullptr);
		return true;
	});
}

matting_rebuild_outcome matting_convert_and_wait(matting_filter *filter,
						 bool *converted)
{
	return press_and_wait(filter, [filter, converted] {
		*converted = shader_convert_clicked(nullptr, nullptr, filter);
		return *converted;
	});
}

matting_status matting_get_status(matting_filter *filter)
{
	matting_status status;
	status.last_error = matting_last_error(filter);
	status.width = obs_source_get_width(filter->source);
	status.height = obs_source_get_height(filter->source);
	for (const matting_param_view &param : matting_params_snapshot(filter))
		status.parameters.push_back(param.name);
	return status;
}
