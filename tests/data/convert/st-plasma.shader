// Plasma from a few sine waves, with a helper for the palette.
float3 palette(float t)
{
    return 0.5 + 0.5 * cos(6.28318 * (t + float3(0.0, 0.33, 0.67)));
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float v = sin(uv.x * 10.0 + elapsed_time);
    v += sin((uv.y * 10.0 + elapsed_time) * 0.5);
    v += sin((uv.x * 10.0 + uv.y * 10.0 + elapsed_time) * 0.5);
    float2 c = uv * 10.0 + float2(sin(elapsed_time / 3.0), cos(elapsed_time / 2.0)) * 5.0;
    v += sin(sqrt(c.x * c.x + c.y * c.y + 1.0) + elapsed_time);
    return  float4(palette(v * 0.25), 1.0);
}
