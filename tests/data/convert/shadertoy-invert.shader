// Inverts the filter input: the first channel is the input.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float4 c = image.Sample(textureSampler, uv);
    return  float4(1.0 - c.rgb, c.a);
}
