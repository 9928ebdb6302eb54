#include "../plugin-objects.h"
#include "vcam-output.h"
#include "vcam-library.h"

static const char *vcam_get_name(void *type_data)
{
	UNUSED_PARAMETER(type_data);
	return "VcamOutput";
}

void register_vcam_output(void)
{
	obs_output_info info = {};
	info.id = VCAM_OUTPUT_ID;
	info.flags = OBS_OUTPUT_VIDEO;
	info.get_name = vcam_get_name;
	info.create = vcam_create;
	info.destroy = vcam_destroy;
	info.start = vcam_start;
	info.stop = vcam_stop;
	info.raw_video = vcam_raw_video;
	obs_register_output(&info);
	// Looked for at load, so that the log says at once when the camera
	// cannot work; the filters do not depend on it.
	vcam_library_get();
}
