// A blur helper that takes the texture it reads as a parameter.
float3 blur_iChannel0( float2 uv, float2 pixel)
{
    float3 sum = float3(0.0,0.0,0.0);
    for (int x = -1; x <= 1; x++)
        for (int y = -1; y <= 1; y++)
            sum += image.Sample(textureSampler, uv + float2(float(x), float(y)) * pixel).rgb;
    return sum / 9.0;
}


float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float3 col = blur_iChannel0( uv, 1.0 / uv_size);
    return  float4(col.bgr, 1.0);
}
