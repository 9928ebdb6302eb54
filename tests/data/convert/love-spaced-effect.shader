// LOVE with other blanks and names in the effect's parameter list.
float4 mainImage(VertData v_in) : TARGET
{
    float2 shifted = v_in.uv + float2(0.02 * sin(v_in.uv.y * 30.0), 0.0);
    float4 c = image.Sample(textureSampler, shifted);
    return float4(c.rgb * float3(1.0, 0.8, 0.6), 1.0);
}
