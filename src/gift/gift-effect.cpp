#include "gift-effect.h"

#include <util/base.h>
#include <util/bmem.h>

// Five techniques: "Draw" shows the part of the frame that mul_val/add_val
// select; the four others recombine a packed frame. Which half carries what
// is decided by GetStereoScaleOffset: with the defaults (left-right packing)
// "left eye" is the left half and the other eye the right half; with
// top-bottom packing the other eye is the top half.
extern "C" const char *const GIFT_EFFECT_TEXT = R"EFFECT(
uniform float4x4 ViewProj;
uniform texture2d image;

uniform float2 mul_val = {0.5, 1.0};
uniform float2 add_val = {0.5, 0.0};
// Packing: left-right (true) and top-bottom (false) by default. The host's
// shader parser drops boolean initialisers (it logs a size error and leaves
// the uniform at false), and the host clears every value set on an effect
// when a technique ends, so these two are set before every draw: see
// gift_effect_set_packing.
uniform bool stereo_top_bottom;
uniform bool stereo_left_right;

// Outside the frame samples transparent black.
sampler_state textureSampler {
	Filter      = Linear;
	AddressU    = Border;
	AddressV    = Border;
	BorderColor = 00000000;
};

struct VertDataIn {
	float4 pos : POSITION;
	float2 uv  : TEXCOORD0;
};

struct VertDataOut {
	float4 pos : POSITION;
	float2 uv  : TEXCOORD0;
	float2 uv2 : TEXCOORD1;
	float2 uv3 : TEXCOORD2;
};

// (scale.x, scale.y, offset.x, offset.y) of one half of a packed frame.
float4 GetStereoScaleOffset(bool isLeftEye, bool isYFlipped)
{
	float2 scale = float2(1.0, 1.0);
	float2 offset = float2(0.0, 0.0);

	if (stereo_top_bottom) {
		scale.y = 0.5;
		offset.y = 0.0;
		if (!isLeftEye)
			offset.y = 0.5;
		if (!isYFlipped)
			offset.y = 0.5 - offset.y;
	}
	if (stereo_left_right) {
		scale.x = 0.5;
		offset.x = 0.0;
		if (!isLeftEye)
			offset.x = 0.5;
	}
	return float4(scale.x, scale.y, offset.x, offset.y);
}

float2 HalfCoord(float2 uv, bool isLeftEye)
{
	float4 so = GetStereoScaleOffset(isLeftEye, false);
	return uv * so.xy + so.zw;
}

// colourEye selects the half read for colour (uv2), alphaEye the half read
// for alpha (uv3).
VertDataOut PackedVertex(VertDataIn v_in, bool colourEye, bool alphaEye)
{
	VertDataOut vert_out;
	vert_out.pos = mul(float4(v_in.pos.xyz, 1.0), ViewProj);
	vert_out.uv = v_in.uv;
	vert_out.uv2 = HalfCoord(v_in.uv, colourEye);
	vert_out.uv3 = HalfCoord(v_in.uv, alphaEye);
	return vert_out;
}

VertDataOut VSHorizontalLeft(VertDataIn v_in)
{
	return PackedVertex(v_in, false, true);
}

VertDataOut VSHorizontalRight(VertDataIn v_in)
{
	return PackedVertex(v_in, true, false);
}

VertDataOut VSVerticalTop(VertDataIn v_in)
{
	return PackedVertex(v_in, false, true);
}

VertDataOut VSVerticalBottom(VertDataIn v_in)
{
	return PackedVertex(v_in, true, false);
}

// Colour as stored (the colour half is premultiplied: black where it is
// transparent); alpha from the mask's red channel.
float4 MP4AlphaEffectRGBA(VertDataOut v_in) : TARGET
{
	float3 rgb = image.Sample(textureSampler, v_in.uv2).rgb;
	float alpha = image.Sample(textureSampler, v_in.uv3).r;
	return float4(rgb, alpha);
}

VertDataOut VSDefault(VertDataIn v_in)
{
	VertDataOut vert_out;
	vert_out.pos = mul(float4(v_in.pos.xyz, 1.0), ViewProj);
	vert_out.uv = v_in.uv * mul_val + add_val;
	// Unused by PSDefault; written because Direct3D's compiler rejects
	// a partly initialised output.
	vert_out.uv2 = vert_out.uv;
	vert_out.uv3 = vert_out.uv;
	return vert_out;
}

float4 PSDefault(VertDataOut v_in) : TARGET
{
	return image.Sample(textureSampler, v_in.uv);
}

technique Draw
{
	pass
	{
		vertex_shader = VSDefault(v_in);
		pixel_shader  = PSDefault(v_in);
	}
}

technique DrawHorizontalAlphaLeft
{
	pass
	{
		vertex_shader = VSHorizontalLeft(v_in);
		pixel_shader  = MP4AlphaEffectRGBA(v_in);
	}
}

technique DrawHorizontalAlphaRight
{
	pass
	{
		vertex_shader = VSHorizontalRight(v_in);
		pixel_shader  = MP4AlphaEffectRGBA(v_in);
	}
}

technique DrawVerticalAlphaTop
{
	pass
	{
		vertex_shader = VSVerticalTop(v_in);
		pixel_shader  = MP4AlphaEffectRGBA(v_in);
	}
}

technique DrawVerticalAlphaBottom
{
	pass
	{
		vertex_shader = VSVerticalBottom(v_in);
		pixel_shader  = MP4AlphaEffectRGBA(v_in);
	}
}
)EFFECT";

namespace {

void set_bool_uniform(gs_effect_t *effect, const char *name, bool value)
{
	gs_eparam_t *param = gs_effect_get_param_by_name(effect, name);
	if (param)
		gs_effect_set_bool(param, value);
}

} // namespace

gs_effect_t *gift_effect_create(void)
{
	char *error = nullptr;
	gs_effect_t *effect = gs_effect_create(GIFT_EFFECT_TEXT, nullptr, &error);
	if (!effect) {
		blog(LOG_ERROR,
		     "[velmora-gift] the effect does not compile: %s",
		     error ? error : "(no message; see the lines above)");
		bfree(error);
		return nullptr;
	}
	return effect;
}

void gift_effect_set_packing(gs_effect_t *effect)
{
	set_bool_uniform(effect, "stereo_top_bottom", false);
	set_bool_uniform(effect, "stereo_left_right", true);
}
