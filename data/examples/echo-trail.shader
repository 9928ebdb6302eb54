// Echo trail: every frame is blended over the filter's own previous output,
// which fades by "decay" per frame, so moving things leave a trail.
// Declaring previous_output is enough: the filter keeps the last result
// and binds it (nothing on the very first frame).
uniform texture2d previous_output;

uniform float decay <
	string label = "Trail length (fade per frame)";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 0.98;
	float step = 0.01;
> = 0.85;

float4 mainImage(VertData v_in) : TARGET
{
	float4 now = image.Sample(textureSampler, v_in.uv);
	float4 before = previous_output.Sample(textureSampler, v_in.uv) * decay;
	// Straight alpha: keep whichever of the two is more opaque, and mix
	// their colours by opacity.
	float a = max(now.a, before.a);
	float3 rgb = lerp(before.rgb, now.rgb, a > 0.0 ? now.a / a : 1.0);
	return float4(rgb, a);
}
