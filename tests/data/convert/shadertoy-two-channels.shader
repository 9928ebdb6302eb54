#ifndef OPENGL
#endif
uniform texture2d iChannel1;
// The first channel becomes the filter input, the second a texture parameter.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float4 a = image.Sample(textureSampler, uv);
    float4 b = iChannel1.Sample(textureSampler, uv);
    return  lerp(a, b, 0.5);
}
