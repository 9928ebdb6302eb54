#include "effect-text.h"

// Pieces shared by the template and the render_output effect.
#define VERTDATA_STRUCT \
	"struct VertData {\n" \
	"\tfloat4 pos : POSITION;\n" \
	"\tfloat2 uv : TEXCOORD0;\n" \
	"};\n"

#define SRGB_DECODE_FUNCTIONS \
	"float srgb_nonlinear_to_linear_channel(float u)\n" \
	"{\n" \
	"\treturn (u <= 0.04045) ? (u / 12.92) : pow((u + 0.055) / 1.055, 2.4);\n" \
	"}\n" \
	"\n" \
	"float3 srgb_nonlinear_to_linear(float3 v)\n" \
	"{\n" \
	"\treturn float3(srgb_nonlinear_to_linear_channel(v.r),\n" \
	"\t\t      srgb_nonlinear_to_linear_channel(v.g),\n" \
	"\t\t      srgb_nonlinear_to_linear_channel(v.b));\n" \
	"}\n"

const char *const EFFECT_TEMPLATE_TEXT =
	"uniform float4x4 ViewProj;\n"
	"uniform texture2d image;\n"
	"\n"
	"uniform float2 uv_offset;\n"
	"uniform float2 uv_scale;\n"
	"uniform float2 uv_pixel_interval;\n"
	"uniform float2 uv_size;\n"
	"uniform float rand_f;\n"
	"uniform float rand_instance_f;\n"
	"uniform float rand_activation_f;\n"
	"uniform float elapsed_time;\n"
	"uniform float elapsed_time_start;\n"
	"uniform float elapsed_time_show;\n"
	"uniform float elapsed_time_active;\n"
	"uniform float elapsed_time_enable;\n"
	"uniform int loops;\n"
	"uniform float loop_second;\n"
	"uniform float local_time;\n"
	"\n"
	"sampler_state textureSampler {\n"
	"\tFilter = Linear;\n"
	"\tAddressU = Border;\n"
	"\tAddressV = Border;\n"
	"\tBorderColor = 00000000;\n"
	"};\n"
	"\n"
	VERTDATA_STRUCT
	"\n"
	"VertData mainTransform(VertData v_in)\n"
	"{\n"
	"\tVertData vert_out;\n"
	"\tvert_out.pos = mul(float4(v_in.pos.xyz, 1.0), ViewProj);\n"
	"\tvert_out.uv = v_in.uv * uv_scale + uv_offset;\n"
	"\treturn vert_out;\n"
	"}\n"
	"\n"
	SRGB_DECODE_FUNCTIONS
	"\n";

const char *const EFFECT_TECHNIQUE_TEXT =
	"\ntechnique Draw\n{\n\tpass\n\t{\n"
	"\t\tvertex_shader = mainTransform(v_in);\n"
	"\t\tpixel_shader = mainImage(v_in);\n\t}\n}\n";

const char *const RENDER_OUTPUT_EFFECT_TEXT =
	"uniform float4x4 ViewProj;\n"
	"uniform texture2d image;\n"
	"uniform texture2d output_image;\n"
	"\n"
	"sampler_state textureSampler {\n"
	"\tFilter = Linear;\n"
	"\tAddressU = Clamp;\n"
	"\tAddressV = Clamp;\n"
	"\tMinLOD = 0;\n"
	"\tMaxLOD = 0;\n"
	"};\n"
	"\n"
	VERTDATA_STRUCT
	"\n"
	"VertData mainTransform(VertData v_in)\n"
	"{\n"
	"\tv_in.pos = mul(float4(v_in.pos.xyz, 1.0), ViewProj);\n"
	"\treturn v_in;\n"
	"}\n"
	"\n"
	SRGB_DECODE_FUNCTIONS
	"\n"
	"float4 mainImage(VertData v_in) : TARGET\n"
	"{\n"
	"\tfloat4 rgba = output_image.Sample(textureSampler, v_in.uv);\n"
	"\trgba.rgb = srgb_nonlinear_to_linear(rgba.rgb);\n"
	"\treturn rgba;\n"
	"}\n"
	"\n"
	"technique Draw\n"
	"{\n"
	"\tpass\n"
	"\t{\n"
	"\t\tvertex_shader = mainTransform(v_in);\n"
	"\t\tpixel_shader = mainImage(v_in);\n"
	"\t}\n"
	"}\n";

std::string compose_effect_text(bool use_template, const std::string &user_text)
{
	std::string text;
	if (use_template)
		text += EFFECT_TEMPLATE_TEXT;
	text += user_text;
	if (use_template)
		text += EFFECT_TECHNIQUE_TEXT;
	return text;
}

void adapt_effect_text_for_opengl(std::string &text)
{
	static const std::string loop_attribute = "[loop]";
	for (size_t at = text.find(loop_attribute); at != std::string::npos;
	     at = text.find(loop_attribute, at))
		text.erase(at, loop_attribute.size());
	text.insert(0, "#define OPENGL 1\n");
}

bool effect_text_uses_pm_alpha(const std::string &text)
{
	return text.find(USE_PM_ALPHA_MARKER) != std::string::npos;
}
