// LOVE: waves through the picture over elapsed_time.


float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    uv.x += sin(uv.y * 20.0 + elapsed_time * 3.0) * 0.03;
    uv.y += cos(uv.x * 15.0 + elapsed_time * 2.0) * 0.03;
    return image.Sample(textureSampler, uv) * float4(1.1, 1.0, 0.9, 1.0);
}
