// LOVE: tints the picture by an extern colour and a strength.
uniform float3 tint;
uniform float strength;

float4 mainImage(VertData v_in) : TARGET
{
	float4 color = float4(1.0,1.0,1.0,1.0);
    float4 c = image.Sample(textureSampler, v_in.uv);
    float3 grey = float3(dot(c.rgb, float3(0.299, 0.587, 0.114)),dot(c.rgb, float3(0.299, 0.587, 0.114)),dot(c.rgb, float3(0.299, 0.587, 0.114)));
    return float4(lerp(c.rgb, grey * tint, strength), c.a) * color;
}
