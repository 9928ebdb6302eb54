// Colour correction with sliders: brightness, contrast, saturation, gamma
// and a tint. Every uniform becomes a setting; its annotations give the
// control's text, range and group.
uniform float brightness <
	string label = "Brightness";
	string widget_type = "slider";
	string group = "Tone";
	float minimum = -1.0;
	float maximum = 1.0;
	float step = 0.01;
> = 0.0;
uniform float contrast <
	string label = "Contrast";
	string widget_type = "slider";
	string group = "Tone";
	float minimum = 0.0;
	float maximum = 4.0;
	float step = 0.01;
> = 1.0;
uniform float gamma <
	string label = "Gamma";
	string widget_type = "slider";
	string group = "Tone";
	float minimum = 0.1;
	float maximum = 4.0;
	float step = 0.01;
> = 1.0;
uniform float saturation <
	string label = "Saturation";
	string widget_type = "slider";
	string group = "Colour";
	float minimum = 0.0;
	float maximum = 4.0;
	float step = 0.01;
> = 1.0;
uniform float4 tint <
	string label = "Tint (multiplied in)";
	string group = "Colour";
> = {1.0, 1.0, 1.0, 1.0};

float4 mainImage(VertData v_in) : TARGET
{
	float4 c = image.Sample(textureSampler, v_in.uv);
	float3 rgb = pow(max(c.rgb, float3(0.0, 0.0, 0.0)), float3(gamma, gamma, gamma));
	rgb = (rgb - 0.5) * contrast + 0.5 + brightness;
	float luma = dot(rgb, float3(0.2126, 0.7152, 0.0722));
	rgb = lerp(float3(luma, luma, luma), rgb, saturation);
	rgb *= tint.rgb;
	return float4(saturate(rgb), c.a);
}
