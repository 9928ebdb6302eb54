// Saved with a byte-order mark, as some editors do.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float3 col = float3(step(0.5, frac(uv.x * 5.0)), uv.y, 0.3);
    return  float4(col, 1.0);
}
