// Reads the input at a level of detail that grows to the right.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float4 sharp = image.SampleLevel(textureSampler, uv, 0.0);
    float4 soft = image.SampleLevel(textureSampler, uv, 3.0);
    return  lerp(sharp, soft.gbra, uv.x);
}
