// obs-websocket's vendor interface through procedure handlers: the global
// handler's "obs_websocket_api_get_ph" hands out obs-websocket's own
// handler, which offers vendor_register, vendor_request_register and
// vendor_request_unregister. Requests arrive on obs-websocket's threads.
#include "remote-vendor.h"
#include "remote-requests.h"
#include "../plugin-ids.h"
#include "../plugin-support.h"

#include <obs.hpp>

#include <cstring>
#include <vector>

namespace {

const char WEBSOCKET_MODULE[] = "obs-websocket";

// What obs-websocket reads behind the "callback" pointer; it must stay
// valid while the request is registered.
struct vendor_request_callback {
	void (*callback)(obs_data_t *request, obs_data_t *response, void *priv);
	void *priv_data;
};

proc_handler_t *websocket = nullptr;
void *vendor = nullptr;
std::vector<vendor_request_callback> callbacks; // one per REMOTE_REQUESTS

remote_lookup find_matting_filter(const std::string &source_name,
				  const std::string &filter_name,
				  std::string *kind,
				  const std::function<void(matting_filter *)> &use)
{
	// Strong references: neither the source nor the filter can be
	// destroyed while the request works on them.
	OBSSourceAutoRelease source = obs_get_source_by_name(source_name.c_str());
	if (!source)
		return remote_lookup::no_source;
	OBSSourceAutoRelease filter =
		obs_source_get_filter_by_name(source, filter_name.c_str());
	if (!filter)
		return remote_lookup::no_filter;
	const char *id = obs_source_get_unversioned_id(filter);
	auto *data = static_cast<matting_filter *>(obs_obj_get_data(filter));
	if (!id || strcmp(id, MATTING_FILTER_ID) != 0 || !data) {
		*kind = id ? id : "";
		return remote_lookup::other_kind;
	}
	use(data);
	return remote_lookup::found;
}

const remote_module &host_module()
{
	static const remote_module module = {
		find_matting_filter, matting_reload_and_wait,
		matting_convert_and_wait, matting_get_status, vcam_get_status};
	return module;
}

void handle_request(obs_data_t *request, obs_data_t *response, void *priv)
{
	static_cast<const remote_request *>(priv)->handle(host_module(),
							  request, response);
}

proc_handler_t *websocket_handler()
{
	calldata_t data = {};
	proc_handler_t *handler = nullptr;
	if (proc_handler_call(obs_get_proc_handler(), "obs_websocket_api_get_ph",
			      &data))
		handler = static_cast<proc_handler_t *>(calldata_ptr(&data, "ph"));
	calldata_free(&data);
	return handler;
}

void *register_vendor(proc_handler_t *handler)
{
	calldata_t data = {};
	calldata_set_string(&data, "name", REMOTE_VENDOR_NAME);
	void *result = nullptr;
	if (proc_handler_call(handler, "vendor_register", &data))
		result = calldata_ptr(&data, "vendor");
	calldata_free(&data);
	return result;
}

bool register_request(const remote_request &request,
		      vendor_request_callback *callback)
{
	calldata_t data = {};
	calldata_set_ptr(&data, "vendor", vendor);
	calldata_set_string(&data, "type", request.type);
	calldata_set_ptr(&data, "callback", callback);
	const bool success =
		proc_handler_call(websocket, "vendor_request_register", &data) &&
		calldata_bool(&data, "success");
	calldata_free(&data);
	return success;
}

long long api_version()
{
	calldata_t data = {};
	long long version = 0;
	if (proc_handler_call(websocket, "get_api_version", &data))
		version = calldata_int(&data, "version");
	calldata_free(&data);
	return version;
}

void unregister_request(const remote_request &request)
{
	calldata_t data = {};
	calldata_set_ptr(&data, "vendor", vendor);
	calldata_set_string(&data, "type", request.type);
	proc_handler_call(websocket, "vendor_request_unregister", &data);
	calldata_free(&data);
}

} // namespace

void remote_vendor_register(void)
{
	if (vendor)
		return;
	websocket = websocket_handler();
	if (!websocket) {
		plugin_log(LOG_DEBUG,
			   "obs-websocket is not loaded: no remote requests");
		return;
	}
	vendor = register_vendor(websocket);
	if (!vendor) {
		plugin_log(LOG_WARNING, "obs-websocket refused the vendor %s",
			   REMOTE_VENDOR_NAME);
		websocket = nullptr;
		return;
	}
	callbacks.assign(REMOTE_REQUEST_COUNT, {handle_request, nullptr});
	for (size_t i = 0; i < REMOTE_REQUEST_COUNT; i++) {
		callbacks[i].priv_data = const_cast<remote_request *>(
			&REMOTE_REQUESTS[i]);
		if (!register_request(REMOTE_REQUESTS[i], &callbacks[i]))
			plugin_log(LOG_WARNING,
				   "obs-websocket refused the request %s",
				   REMOTE_REQUESTS[i].type);
	}
	plugin_log(LOG_INFO,
		   "remote requests registered with obs-websocket (API "
		   "version %lld) as vendor %s",
		   api_version(), REMOTE_VENDOR_NAME);
}

void remote_vendor_unregister(void)
{
	// obs-websocket frees its handler and vendors in its own unload; the
	// host unlinks a module once it is unloaded, so a module still found
	// by name has not been unloaded yet.
	if (vendor && obs_get_module(WEBSOCKET_MODULE)) {
		for (size_t i = 0; i < REMOTE_REQUEST_COUNT; i++)
			unregister_request(REMOTE_REQUESTS[i]);
	}
	vendor = nullptr;
	websocket = nullptr;
}
