// Weights of a small filter in a local array.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float weights[5]; weights[0] = 0.06; weights[1] = 0.24; weights[2] = 0.4; weights[3] = 0.24; weights[4] = 0.06;
    float3 sum = float3(0.0,0.0,0.0);
    for (int i = 0; i < 5; i++) {
        float2 offset = float2(float(i - 2) * 3.0 / uv_size.x, 0.0);
        sum += weights[i] * image.Sample(textureSampler, uv + offset).rgb;
    }
    return  float4(1.0 - sum, 1.0);
}
