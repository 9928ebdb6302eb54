#ifndef OPENGL
#endif
uniform texture2d iChannel1;
// Two channels: the input and a second picture, blended by a moving edge.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float3 a = image.Sample(textureSampler, uv).rgb;
    float3 b = iChannel1.Sample(textureSampler, uv * 2.0).rgb;
    float edge = smoothstep(0.45, 0.55, uv.x + 0.1 * sin(uv.y * 10.0 + elapsed_time));
    return  float4(lerp(a, b, edge), 1.0);
}
