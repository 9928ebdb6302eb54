#ifndef OPENGL
#endif
uniform texture2d pattern;
// LOVE: a second picture given as an extern Image.

uniform float mixAmount;

float4 mainImage(VertData v_in) : TARGET
{
    float4 base = image.Sample(textureSampler, v_in.uv);
    float4 over = pattern.Sample(textureSampler, v_in.uv * 3.0);
    return float4(lerp(base.rgb, over.rgb, 0.5 + 0.0 * mixAmount) + float3(v_in.uv.x * 0.2), 1.0);
}
