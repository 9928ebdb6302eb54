#pragma once
#include <cstdint>
#include <string>
// What the module's camera output did in its running or its last run.
struct vcam_status {
	bool active = false;          // running now
	uint32_t width = 0;           // size of the running or last run (0 before any start)
	uint32_t height = 0;
	uint64_t frames_received = 0; // frames the host handed to raw_video in that run
	uint64_t frames_sent = 0;     // frames given to the camera library in that run
	uint64_t frames_dropped = 0;  // frames lost in that run (queue overflow, stale size, failed sends...)
	std::string last_error;       // the output's last error ("" when none)
};
// Fills *status from the module's own camera output ("velmora-rgb-cam"); false when there is none.
// Safe from any thread.
bool vcam_get_status(vcam_status *status);
