// The requests of the "velmora-plugin" vendor that remote controllers call
// through obs-websocket (CallVendorRequest). The handlers check the request
// data, find the filter and answer; what they do to the module goes through
// the functions of remote_module, so that they can be tried without a host.
#pragma once

#include "matting/matting-remote.h"
#include "vcam/vcam-status.h"

#include <obs-data.h>

#include <functional>
#include <string>

// Outcome of looking a matting filter up by its source's and its own name.
enum class remote_lookup { found, no_source, no_filter, other_kind };

struct remote_module {
	// Finds filter_name on source_name; when it is a matting filter, runs
	// use on it while holding it. *kind receives the id of a filter of
	// another kind.
	std::function<remote_lookup(const std::string &source_name,
				    const std::string &filter_name,
				    std::string *kind,
				    const std::function<void(matting_filter *)> &use)>
		with_matting_filter;
	std::function<matting_rebuild_outcome(matting_filter *)> reload;
	std::function<matting_rebuild_outcome(matting_filter *, bool *converted)>
		convert;
	std::function<matting_status(matting_filter *)> filter_status;
	std::function<bool(vcam_status *)> camera_status;
};

struct remote_request {
	const char *type; // requestType as clients send it
	void (*handle)(const remote_module &module, obs_data_t *request,
		       obs_data_t *response);
};

// The vendor's name and its requests.
#define REMOTE_VENDOR_NAME "velmora-plugin"
extern const remote_request REMOTE_REQUESTS[];
extern const size_t REMOTE_REQUEST_COUNT;
