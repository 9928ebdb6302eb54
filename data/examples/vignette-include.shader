// Vignette that also drains colour towards the edges, written with helpers
// from an included file: "#include" lines at the start of a line are
// replaced by the named file, found relative to this one.
#include "lib/colour-helpers.hlsl"

uniform float strength <
	string label = "Strength";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 1.0;
	float step = 0.01;
> = 0.6;

float4 mainImage(VertData v_in) : TARGET
{
	float4 c = image.Sample(textureSampler, v_in.uv);
	float2 d = v_in.uv - float2(0.5, 0.5);
	float edge = saturate(dot(d, d) * 2.0 * strength);
	float3 rgb = lerp(c.rgb, grey(c.rgb), edge) * (1.0 - edge);
	return float4(rgb, c.a);
}
