// Rendering: the input is captured once per frame, the effect runs over the
// capture once per frame, and every view of the frame draws the result.
#include "matting-filter.h"
#include "matting-clock.h"
#include "matting-texture-param.h"
#include "../filter-color-space.h"

#include <util/bmem.h>

#include <utility>

namespace {

const char DRAW_TECHNIQUE[] = "Draw";
const char ALPHA_DIVIDE_TECHNIQUE[] = "DrawAlphaDivide";

// Makes *render on first need, otherwise readies it for a new frame.
void ready_render(gs_texrender_t **render)
{
	if (*render)
		gs_texrender_reset(*render);
	else
		*render = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
}

gs_texture_t *render_texture(gs_texrender_t *render)
{
	return render ? gs_texrender_get_texture(render) : nullptr;
}

void begin_opaque_blend(void)
{
	gs_blend_state_push();
	gs_reset_blend_state();
	gs_enable_blending(false);
	gs_blend_function(GS_BLEND_ONE, GS_BLEND_ZERO);
}

void ortho_for(uint32_t width, uint32_t height)
{
	gs_ortho(0.0f, float(width), 0.0f, float(height), -100.0f, 100.0f);
}

/* --- capture ----------------------------------------------------------- */

// Has the host ready the filter's input in the target's colour space for a
// following process_filter_end: drawn into the host's filter texture, or,
// with direct rendering allowed and possible, drawn by that end itself.
bool begin_filter_processing(matting_filter *filter,
			     enum obs_allow_direct_render direct)
{
	const enum gs_color_space space = filter_target_color_space(
		obs_filter_get_target(filter->source));
	return obs_source_process_filter_begin_with_color_space(
		filter->source, filter_texture_format(space), space, direct);
}

// Whether the host can draw the input straight into input_render (one
// full-frame pass instead of its filter texture and a copy of it), asked
// as the host asks before its direct rendering: the filter is the first on
// a source that draws itself through the effect it is handed (neither
// custom-drawn nor asynchronous) and is as sRGB-aware as the filter, in
// the space being drawn (plain sRGB here, where input_render has the
// host's format). And input_render must hold the input as it is: no
// margins, over which the capture stretches the input.
bool host_may_draw_input_directly(matting_filter *filter)
{
	obs_source_t *target = obs_filter_get_target(filter->source);
	if (!target || target != obs_filter_get_parent(filter->source))
		return false;
	if (uint32_t(filter->total_width) != obs_source_get_base_width(target) ||
	    uint32_t(filter->total_height) != obs_source_get_base_height(target))
		return false;
	const uint32_t flags = obs_source_get_output_flags(target);
	return (flags & (OBS_SOURCE_CUSTOM_DRAW | OBS_SOURCE_ASYNC)) == 0 &&
	       (flags & OBS_SOURCE_SRGB) != 0 &&
	       filter_target_color_space(target) == GS_CS_SRGB &&
	       gs_get_color_space() == GS_CS_SRGB;
}

// The state the host draws a filter's input in: a cleared target, blending
// on, colour weighted by alpha, alpha added over. The capture technique's
// alpha divide comes before the blend, so the stored values equal those of
// the host's filter texture copied through the same technique.
void begin_input_blend(void)
{
	gs_blend_state_push();
	gs_reset_blend_state();
	gs_blend_function_separate(GS_BLEND_SRCALPHA, GS_BLEND_INVSRCALPHA,
				   GS_BLEND_ONE, GS_BLEND_INVSRCALPHA);
	vec4 clear;
	vec4_zero(&clear);
	gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
}

void capture_input(matting_filter *filter)
{
	const uint32_t width = uint32_t(filter->total_width);
	const uint32_t height = uint32_t(filter->total_height);
	gs_effect_t *default_effect = obs_get_base_effect(OBS_EFFECT_DEFAULT);
	const bool direct = host_may_draw_input_directly(filter);

	if (filter->param_previous_image)
		std::swap(filter->input_render, filter->previous_input_render);
	ready_render(&filter->input_render);

	if (!begin_filter_processing(filter, direct ? OBS_ALLOW_DIRECT_RENDERING
						    : OBS_NO_DIRECT_RENDERING))
		return;

	if (gs_texrender_begin(filter->input_render, width, height)) {
		if (direct)
			begin_input_blend();
		else
			begin_opaque_blend();
		ortho_for(width, height);
		obs_source_process_filter_tech_end(
			filter->source, default_effect, width, height,
			filter->use_pm_alpha ? DRAW_TECHNIQUE
					     : ALPHA_DIVIDE_TECHNIQUE);
		gs_texrender_end(filter->input_render);
		gs_blend_state_pop();
		filter->input_rendered = true;
	}
}

/* --- uniforms ---------------------------------------------------------- */

void set_float(gs_eparam_t *param, float value)
{
	if (param)
		gs_effect_set_float(param, value);
}

void set_int(gs_eparam_t *param, int value)
{
	if (param)
		gs_effect_set_int(param, value);
}

void set_vec2(gs_eparam_t *param, const vec2 &value)
{
	if (param)
		gs_effect_set_vec2(param, &value);
}

void set_texture(gs_eparam_t *param, gs_texture_t *texture)
{
	if (param)
		gs_effect_set_texture(param, texture);
}

bool declares_local_clock(const matting_filter *filter)
{
	return filter->param_current_time_sec ||
	       filter->param_current_time_min ||
	       filter->param_current_time_hour ||
	       filter->param_current_time_day_of_week ||
	       filter->param_current_time_day_of_month ||
	       filter->param_current_time_month ||
	       filter->param_current_time_day_of_year ||
	       filter->param_current_time_year;
}

void upload_clock(matting_filter *filter)
{
	if (filter->param_current_time_ms)
		set_int(filter->param_current_time_ms,
			clock_utc_milliseconds());
	if (!declares_local_clock(filter))
		return;
	local_clock now;
	clock_local_now(&now);
	set_int(filter->param_current_time_sec, now.sec);
	set_int(filter->param_current_time_min, now.min);
	set_int(filter->param_current_time_hour, now.hour);
	set_int(filter->param_current_time_day_of_week, now.day_of_week);
	set_int(filter->param_current_time_day_of_month, now.day_of_month);
	set_int(filter->param_current_time_month, now.month);
	set_int(filter->param_current_time_day_of_year, now.day_of_year);
	set_int(filter->param_current_time_year, now.year);
}

void upload_reserved(matting_filter *filter)
{
	set_vec2(filter->param_uv_scale, filter->uv_scale);
	set_vec2(filter->param_uv_offset, filter->uv_offset);
	set_vec2(filter->param_uv_pixel_interval, filter->uv_pixel_interval);
	upload_clock(filter);
	set_float(filter->param_elapsed_time, filter->elapsed_time);
	set_float(filter->param_elapsed_time_start,
		  filter->elapsed_time - filter->start_time);
	set_float(filter->param_elapsed_time_show, filter->shown_time);
	set_float(filter->param_elapsed_time_active, filter->active_time);
	set_float(filter->param_elapsed_time_enable,
		  filter->elapsed_time - filter->enable_time);
	set_vec2(filter->param_uv_size, filter->uv_size);
	set_float(filter->param_local_time, filter->local_time);
	set_int(filter->param_loops, filter->loops);
	set_float(filter->param_loop_second, filter->loop_second);
	set_float(filter->param_rand_f, filter->rand_f);
	set_float(filter->param_rand_activation_f, filter->rand_activation_f);
	set_float(filter->param_rand_instance_f, filter->rand_instance_f);
}

void upload_param(matting_param &param)
{
	switch (param.type) {
	case GS_SHADER_PARAM_BOOL:
		gs_effect_set_bool(param.param, param.value.integer != 0);
		break;
	case GS_SHADER_PARAM_FLOAT:
		gs_effect_set_float(param.param, float(param.value.number));
		break;
	case GS_SHADER_PARAM_INT:
		gs_effect_set_int(param.param, int(int32_t(param.value.integer)));
		break;
	case GS_SHADER_PARAM_STRING:
		// The text with its terminating zero, never the size the
		// effect reports (which does not follow the text's length).
		gs_effect_set_val(param.param, param.string_value.c_str(),
				  param.string_value.size() + 1);
		break;
	case GS_SHADER_PARAM_VEC2: {
		vec2 value;
		vec2_set(&value, param.value.floats[0], param.value.floats[1]);
		gs_effect_set_vec2(param.param, &value);
		break;
	}
	case GS_SHADER_PARAM_VEC3: {
		vec3 value;
		vec3_set(&value, param.value.floats[0], param.value.floats[1],
			 param.value.floats[2]);
		gs_effect_set_vec3(param.param, &value);
		break;
	}
	case GS_SHADER_PARAM_VEC4: {
		vec4 value;
		vec4_set(&value, param.value.floats[0], param.value.floats[1],
			 param.value.floats[2], param.value.floats[3]);
		gs_effect_set_vec4(param.param, &value);
		break;
	}
	case GS_SHADER_PARAM_TEXTURE:
		gs_effect_set_texture(param.param, texture_param_texture(param));
		break;
	default:
		break;
	}
}

/* --- effect pass ------------------------------------------------------- */

void draw_full_quad(matting_filter *filter, float width, float height)
{
	if (!filter->quad_vertices) {
		gs_vb_data *data = gs_vbdata_create();
		data->num = 4;
		data->points = static_cast<vec3 *>(bzalloc(sizeof(vec3) * 4));
		data->num_tex = 1;
		data->tvarray = static_cast<gs_tvertarray *>(
			bzalloc(sizeof(gs_tvertarray)));
		data->tvarray[0].width = 2;
		data->tvarray[0].array = bzalloc(sizeof(vec2) * 4);
		filter->quad_vertices = gs_vertexbuffer_create(data, GS_DYNAMIC);
		if (!filter->quad_vertices)
			return;
	}

	gs_vb_data *data = gs_vertexbuffer_get_data(filter->quad_vertices);
	vec2 *uv = static_cast<vec2 *>(data->tvarray[0].array);
	vec3_set(&data->points[0], 0.0f, 0.0f, 0.0f);
	vec3_set(&data->points[1], width, 0.0f, 0.0f);
	vec3_set(&data->points[2], 0.0f, height, 0.0f);
	vec3_set(&data->points[3], width, height, 0.0f);
	vec2_set(&uv[0], 0.0f, 0.0f);
	vec2_set(&uv[1], 1.0f, 0.0f);
	vec2_set(&uv[2], 0.0f, 1.0f);
	vec2_set(&uv[3], 1.0f, 1.0f);
	gs_vertexbuffer_flush(filter->quad_vertices);

	gs_load_vertexbuffer(filter->quad_vertices);
	gs_load_indexbuffer(nullptr);
	gs_draw(GS_TRISTRIP, 0, 0);
}

// Runs the effect over this frame's capture into output_render; false when
// nothing could be drawn (no capture, or a size the device cannot make).
bool run_effect(matting_filter *filter)
{
	gs_texture_t *input = render_texture(filter->input_render);
	if (!input)
		return false;

	if (filter->param_previous_output)
		std::swap(filter->output_render,
			  filter->previous_output_render);
	ready_render(&filter->output_render);

	set_texture(filter->param_image, input);
	set_texture(filter->param_previous_image,
		    render_texture(filter->previous_input_render));
	set_texture(filter->param_previous_output,
		    render_texture(filter->previous_output_render));
	upload_reserved(filter);
	for (matting_param &param : filter->params)
		upload_param(param);

	const uint32_t width = uint32_t(filter->total_width);
	const uint32_t height = uint32_t(filter->total_height);
	bool drawn = false;
	// The effect writes sRGB-encoded values as they are, whatever the
	// caller's framebuffer state.
	const bool previous_srgb = gs_framebuffer_srgb_enabled();
	gs_enable_framebuffer_srgb(false);
	begin_opaque_blend();
	if (gs_texrender_begin(filter->output_render, width, height)) {
		ortho_for(width, height);
		while (gs_effect_loop(filter->effect, DRAW_TECHNIQUE)) {
			if (filter->use_template)
				gs_draw_sprite(input, 0, width, height);
			else
				draw_full_quad(filter, float(width),
					       float(height));
		}
		gs_texrender_end(filter->output_render);
		drawn = true;
	}
	gs_blend_state_pop();
	gs_enable_framebuffer_srgb(previous_srgb);
	return drawn;
}

/* --- output pass ------------------------------------------------------- */

// Without its own output effect the filter shows its input, through the
// host's filter processing and default effect.
void draw_input_instead(matting_filter *filter)
{
	if (begin_filter_processing(filter, OBS_NO_DIRECT_RENDERING))
		obs_source_process_filter_end(
			filter->source, obs_get_base_effect(OBS_EFFECT_DEFAULT),
			uint32_t(filter->total_width),
			uint32_t(filter->total_height));
}

// Draws this frame's result the way the host draws a filter's texture:
// when the caller renders in linear sRGB, sampled through the texture's
// sRGB view (decoded) into a framebuffer that encodes again; otherwise (a
// bare render: screenshots, projectors, thumbnails) the stored values as
// they are. The result is drawn directly, so further views of the frame
// cost one draw and never render the input again.
void output_pass(matting_filter *filter)
{
	if (!filter->output_effect) {
		draw_input_instead(filter);
		return;
	}
	gs_texture_t *result = render_texture(filter->output_render);
	if (!result)
		return;

	gs_effect_t *effect = obs_get_base_effect(OBS_EFFECT_DEFAULT);
	gs_eparam_t *image = gs_effect_get_param_by_name(effect, "image");
	const bool linear = gs_get_linear_srgb();
	const bool previous_srgb = gs_framebuffer_srgb_enabled();
	gs_enable_framebuffer_srgb(linear);
	if (linear)
		gs_effect_set_texture_srgb(image, result);
	else
		gs_effect_set_texture(image, result);
	while (gs_effect_loop(effect, DRAW_TECHNIQUE))
		gs_draw_sprite(result, 0, uint32_t(filter->total_width),
			       uint32_t(filter->total_height));
	gs_enable_framebuffer_srgb(previous_srgb);
}

} // namespace

void matting_video_render(void *data, gs_effect_t *)
{
	auto *filter = static_cast<matting_filter *>(data);
	if (filter->frame_rendered) {
		output_pass(filter);
		return;
	}
	if (!filter->effect || filter->rendering) {
		obs_source_skip_video_filter(filter->source);
		return;
	}

	if (!filter->input_rendered)
		capture_input(filter);

	filter->rendering = true;
	if (run_effect(filter)) {
		output_pass(filter);
		filter->frame_rendered = true;
	} else {
		// Nothing to show (no capture, or a size the device cannot
		// make): the input passes through.
		obs_source_skip_video_filter(filter->source);
	}
	filter->rendering = false;
}
