#include "../plugin-objects.h"
#include "matting-filter.h"

void register_matting_filter(void)
{
	static const obs_source_info info = [] {
		obs_source_info matting = {};
		matting.id = MATTING_FILTER_ID;
		matting.type = OBS_SOURCE_TYPE_FILTER;
		matting.output_flags = OBS_SOURCE_VIDEO | OBS_SOURCE_SRGB;
		matting.get_name = matting_get_name;
		matting.create = matting_create;
		matting.destroy = matting_destroy;
		matting.get_width = matting_get_width;
		matting.get_height = matting_get_height;
		matting.activate = matting_activate;
		matting.deactivate = matting_deactivate;
		matting.show = matting_show;
		matting.hide = matting_hide;
		matting.video_tick = matting_video_tick;
		matting.video_render = matting_video_render;
		matting.video_get_color_space = matting_get_color_space;
		matting.get_defaults = matting_get_defaults;
		matting.get_properties = matting_get_properties;
		matting.update = matting_update;
		matting.load = matting_update;
		return matting;
	}();
	obs_register_source(&info);
}
