// Registration of the gift overlay filter. Capability-disabled: the host
// keeps it out of the filters a user can add by hand; it is created by id.
#include "gift-filter.h"

#include "../plugin-objects.h"

void register_gift_filter(void)
{
	struct obs_source_info info = {};
	info.id = GIFT_FILTER_ID;
	info.type = OBS_SOURCE_TYPE_FILTER;
	info.output_flags = OBS_SOURCE_VIDEO | OBS_SOURCE_CAP_DISABLED |
			    OBS_SOURCE_SRGB;
	info.get_name = gift_filter_get_name;
	info.create = gift_filter_create;
	info.destroy = gift_filter_destroy;
	info.get_width = gift_filter_get_width;
	info.get_height = gift_filter_get_height;
	info.get_defaults = gift_filter_get_defaults;
	info.get_properties = gift_filter_get_properties;
	info.update = gift_filter_update;
	info.video_tick = gift_filter_video_tick;
	info.video_render = gift_filter_video_render;
	info.video_get_color_space = gift_filter_video_get_color_space;
	obs_register_source_s(&info, sizeof(info));
}
