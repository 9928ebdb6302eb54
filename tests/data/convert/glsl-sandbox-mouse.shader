// GLSL sandbox style with the mouse in 0..1.
//precision highp float;


uniform float2 mouse;


float4 mainImage(VertData v_in) : TARGET
{
    float2 pos = (v_in.uv * uv_size).xy / uv_size.xy;
    float d = distance(pos, mouse);
    float3 col = float3(0.2, 0.6, 1.0) / (1.0 + d * 20.0);
    col += float3(pos.x * 0.3, 0.0, pos.y * 0.3);
    return  float4(col, 1.0);
}
