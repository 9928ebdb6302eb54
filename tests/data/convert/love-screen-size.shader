// LOVE: a vignette from the screen coordinate and uv_size.
float4 mainImage(VertData v_in) : TARGET
{
    float2 centred = v_in.uv - 0.5;
    float vignette = 1.0 - dot(centred, centred) * 2.5;
    float4 c = image.Sample(textureSampler, v_in.uv);
    float scan = 0.9 + 0.1 * sin(v_in.uv.y * uv_size.y * 0.5);
    return float4(c.rgb * vignette * scan, c.a);
}
