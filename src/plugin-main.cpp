// Module entry points: the host looks these up by name.
#include "plugin-objects.h"
#include "plugin-support.h"
#include "remote/remote-vendor.h"

namespace {

// The module's own virtual camera output, alive from load to unload.
obs_output_t *vcam_instance = nullptr;

const uint32_t MODULE_API_VERSION = 0x1F010001; // 31.1.1

} // namespace

extern "C" {

MODULE_EXPORT uint32_t obs_module_ver(void)
{
	return MODULE_API_VERSION;
}

MODULE_EXPORT bool obs_module_load(void)
{
	plugin_log(LOG_INFO, "Velmora Plugin start");

	register_gift_filter();
	register_vcam_output();
	vcam_instance = obs_output_create(VCAM_OUTPUT_ID, VCAM_OUTPUT_ID,
					  nullptr, nullptr);
	register_matting_filter();

	plugin_log(LOG_INFO, "Velmora Plugin loaded");
	return true;
}

// After every module has loaded: obs-websocket's requests, when it is there.
MODULE_EXPORT void obs_module_post_load(void)
{
	remote_vendor_register();
}

MODULE_EXPORT void obs_module_unload(void)
{
	remote_vendor_unregister();

	if (obs_output_active(vcam_instance))
		obs_output_stop(vcam_instance);

	// Released here rather than left to the host's shutdown, which would
	// otherwise report the instance as a leaked allocation.
	obs_output_release(vcam_instance);
	vcam_instance = nullptr;
}

} // extern "C"
