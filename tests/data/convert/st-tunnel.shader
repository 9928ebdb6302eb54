// A tunnel: the input picture mapped on its walls.
float4 mainImage(VertData v_in) : TARGET
{
    float2 p = (2.0 * (v_in.uv * uv_size) - uv_size) / uv_size.y;
    float a = atan2(p.y, p.x) / 3.14159;
    float r = length(p);
    float2 tuv = float2(0.3 / r + elapsed_time * 0.2, a);
    float3 col = image.Sample(textureSampler, frac(tuv)).rgb;
    return  float4(col * r, 1.0);
}
