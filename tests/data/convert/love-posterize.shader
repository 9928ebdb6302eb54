// LOVE: fewer colour levels, with a helper function.
uniform float levels;

float3 posterize(float3 c, float n)
{
    return floor(c * n + 0.5) / n;
}

float4 mainImage(VertData v_in) : TARGET
{
    float4 c = image.Sample(textureSampler, v_in.uv);
    float n = max(levels, 3.0);
    return float4(posterize(c.rgb * (0.5 + v_in.uv.x), n), c.a);
}
