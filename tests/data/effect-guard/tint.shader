// A tint with a few parameters, a helper and a loop.
#define USE_PM_ALPHA 1
#define TAPS 4

uniform float4 Tint_color<
	string label = "Tint colour";
> = {1.0, 0.5, 0.25, 1.0};
uniform float Strength<
	string label = "Strength";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 1.0;
	float step = 0.01;
> = 0.5;
uniform bool Blur_enabled = false;
uniform int Mode<
	string label = "Mode";
	string widget_type = "select";
	int option_0_value = 0;
	string option_0_label = "Multiply";
	int option_1_value = 1;
	string option_1_label = "Screen";
> = 0;

float luma(float3 c)
{
	return dot(c, float3(0.2126, 0.7152, 0.0722));
}

float4 sample_blurred(float2 uv)
{
	float4 sum = float4(0.0, 0.0, 0.0, 0.0);
	[loop] for (int i = 0; i < TAPS; i++) {
		float2 offset = uv_pixel_interval * float(i - TAPS / 2);
		sum += image.Sample(textureSampler, uv + offset);
	}
	return sum / float(TAPS);
}

float4 mainImage(VertData v_in) : TARGET
{
	float4 c = Blur_enabled ? sample_blurred(v_in.uv)
				: image.Sample(textureSampler, v_in.uv);
#ifdef OPENGL
	float k = Strength;
#else
	float k = Strength * 1.0;
#endif
	float3 tinted = Mode == 0 ? c.rgb * Tint_color.rgb
				  : 1.0 - (1.0 - c.rgb) * (1.0 - Tint_color.rgb);
	c.rgb = lerp(c.rgb, tinted, k * luma(Tint_color.rgb));
	return float4(c.rgb * c.a, c.a);
}
