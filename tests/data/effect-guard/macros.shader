/* Macros, structures and a function-like helper. */
#define SQR(x) ((x) * (x))
#define MIX3(a, b, t) lerp(a, b, t)
#define EDGE 0.25
#ifndef EDGE
#define EDGE garbage(
#endif

struct Sample3 {
	float3 rgb;
	float weight;
};

Sample3 take(float2 uv, float w)
{
	Sample3 s;
	s.rgb = image.Sample(textureSampler, uv).rgb;
	s.weight = w;
	return s;
}

float4 mainImage(VertData v_in) : TARGET
{
	Sample3 a = take(v_in.uv, 1.0);
	Sample3 b = take(v_in.uv + uv_pixel_interval, SQR(0.5));
	float3 rgb = MIX3(a.rgb, b.rgb, b.weight);
	float d = distance(v_in.uv, float2(0.5, 0.5));
	float alpha = smoothstep(EDGE, EDGE + 0.1, 0.75 - d);
	return float4(srgb_nonlinear_to_linear(rgb), alpha * (elapsed_time >= 0.0 ? 1.0 : 0.0));
}
