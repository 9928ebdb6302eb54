#ifndef OPENGL
#endif
uniform texture2d iChannel1;
// The left half shows the first channel (the filter input), the right half
// the second (a texture parameter bound to another source).
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    return  uv.x < 0.5 ? image.Sample(textureSampler, uv) : iChannel1.Sample(textureSampler, uv);
}
