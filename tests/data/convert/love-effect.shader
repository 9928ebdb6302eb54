uniform float amount;
uniform float2 offset;

float4 mainImage(VertData v_in) : TARGET
{
    float4 c = image.Sample(textureSampler, v_in.uv + offset);
    return float4(c.rgb * amount, c.a);
}
