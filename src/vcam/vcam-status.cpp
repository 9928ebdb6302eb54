// The camera output's status for readers on any thread (remote requests).
#include "vcam-status.h"
#include "vcam-output.h"
#include "../plugin-ids.h"

#include <obs.hpp>

#include <cstring>

void vcam_read_status(vcam_output *vcam, vcam_status *status)
{
	vcam_run_record &record = vcam->record;
	status->active = vcam->active;
	status->width = record.width;
	status->height = record.height;
	// Frames out before frames in: a frame is counted in before it is
	// counted out, so the figures read never count more out than in.
	status->frames_sent = record.sent;
	status->frames_dropped = record.dropped;
	status->frames_received = record.received;
	std::lock_guard<std::mutex> lock(record.error_mutex);
	status->last_error = record.last_error;
}

bool vcam_get_status(vcam_status *status)
{
	if (!status)
		return false;
	// The reference held keeps the output's record alive while it is read.
	OBSOutputAutoRelease output = obs_get_output_by_name(VCAM_OUTPUT_ID);
	const char *id = output ? obs_output_get_id(output) : nullptr;
	if (!id || strcmp(id, VCAM_OUTPUT_ID) != 0)
		return false;
	auto *vcam = static_cast<vcam_output *>(obs_obj_get_data(output));
	if (!vcam)
		return false;
	vcam_read_status(vcam, status);
	return true;
}
