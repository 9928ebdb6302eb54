// The vendor's request handlers. Every answer is either the request's
// response fields or one "error" text; a request that is refused changes
// nothing.
#include "remote-requests.h"

#include <obs.hpp>

namespace {

const char ERROR_KEY[] = "error";

void set_error(obs_data_t *response, const std::string &text)
{
	obs_data_set_string(response, ERROR_KEY, text.c_str());
}

// A string field of the request data; false (with the error set) when it is
// missing or of another type.
bool read_name(obs_data_t *request, const char *key, std::string *value,
	       obs_data_t *response)
{
	obs_data_item_t *item =
		request ? obs_data_item_byname(request, key) : nullptr;
	const bool present = item != nullptr;
	const bool is_string =
		present && obs_data_item_gettype(item) == OBS_DATA_STRING;
	if (is_string) {
		const char *text = obs_data_item_get_string(item);
		*value = text ? text : "";
	}
	obs_data_item_release(&item);
	if (!is_string)
		set_error(response, std::string("requestData needs \"") + key +
					    "\" (a string)" +
					    (present ? ", got another type" : ""));
	return is_string;
}

std::string quoted(const std::string &text)
{
	return "\"" + text + "\"";
}

// Reads sourceName and filterName and runs use on that matting filter;
// answers with an error when there is none.
void on_matting_filter(const remote_module &module, obs_data_t *request,
		       obs_data_t *response,
		       const std::function<void(matting_filter *)> &use)
{
	std::string source_name, filter_name, kind;
	if (!read_name(request, "sourceName", &source_name, response) ||
	    !read_name(request, "filterName", &filter_name, response))
		return;
	switch (module.with_matting_filter(source_name, filter_name, &kind,
					   use)) {
	case remote_lookup::found:
		return;
	case remote_lookup::no_source:
		set_error(response, "no source named " + quoted(source_name));
		return;
	case remote_lookup::no_filter:
		set_error(response, "source " + quoted(source_name) +
					    " has no filter named " +
					    quoted(filter_name));
		return;
	case remote_lookup::other_kind:
		set_error(response, "filter " + quoted(filter_name) + " on " +
					    quoted(source_name) + " is a " +
					    quoted(kind) +
					    " filter, not velmora-matting");
		return;
	}
}

void answer_rebuild(obs_data_t *response,
		    const matting_rebuild_outcome &outcome)
{
	obs_data_set_string(response, "lastError", outcome.last_error.c_str());
	if (!outcome.rebuilt)
		set_error(response,
			  "the effect was not rebuilt within " +
				  std::to_string(MATTING_REBUILD_WAIT_MS) +
				  " ms; it is rebuilt at the filter's next frame");
}

void reload_effect(const remote_module &module, obs_data_t *request,
		   obs_data_t *response)
{
	on_matting_filter(module, request, response, [&](matting_filter *f) {
		answer_rebuild(response, module.reload(f));
	});
}

void convert_shader(const remote_module &module, obs_data_t *request,
		    obs_data_t *response)
{
	on_matting_filter(module, request, response, [&](matting_filter *f) {
		bool converted = false;
		const matting_rebuild_outcome outcome =
			module.convert(f, &converted);
		obs_data_set_bool(response, "converted", converted);
		if (converted)
			answer_rebuild(response, outcome);
		else
			obs_data_set_string(response, "lastError",
					    outcome.last_error.c_str());
	});
}

void get_filter_status(const remote_module &module, obs_data_t *request,
		       obs_data_t *response)
{
	on_matting_filter(module, request, response, [&](matting_filter *f) {
		const matting_status status = module.filter_status(f);
		obs_data_set_string(response, "lastError",
				    status.last_error.c_str());
		obs_data_set_int(response, "width", status.width);
		obs_data_set_int(response, "height", status.height);
		OBSDataArrayAutoRelease names = obs_data_array_create();
		for (const std::string &name : status.parameters) {
			OBSDataAutoRelease item = obs_data_create();
			obs_data_set_string(item, "name", name.c_str());
			obs_data_array_push_back(names, item);
		}
		obs_data_set_array(response, "parameters", names);
	});
}

void get_camera_status(const remote_module &module, obs_data_t *,
		       obs_data_t *response)
{
	vcam_status status;
	if (!module.camera_status(&status)) {
		set_error(response, "the module has no camera output");
		return;
	}
	obs_data_set_bool(response, "active", status.active);
	obs_data_set_int(response, "width", status.width);
	obs_data_set_int(response, "height", status.height);
	obs_data_set_int(response, "framesReceived",
			 int64_t(status.frames_received));
	obs_data_set_int(response, "framesSent", int64_t(status.frames_sent));
	obs_data_set_int(response, "framesDropped",
			 int64_t(status.frames_dropped));
}

} // namespace

const remote_request REMOTE_REQUESTS[] = {
	{"ReloadEffect", reload_effect},
	{"ConvertShader", convert_shader},
	{"GetFilterStatus", get_filter_status},
	{"GetCameraStatus", get_camera_status},
};
const size_t REMOTE_REQUEST_COUNT =
	sizeof(REMOTE_REQUESTS) / sizeof(REMOTE_REQUESTS[0]);
