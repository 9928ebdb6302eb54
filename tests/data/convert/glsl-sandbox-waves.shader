// GLSL sandbox style: elapsed_time, uv_size and (v_in.uv * uv_size).
#ifdef GL_ES
//precision mediump float;
#endif




float4 mainImage(VertData v_in) : TARGET
{
    float2 p = (v_in.uv * uv_size).xy / uv_size.xy;
    float wave = sin(p.x * 12.0 + elapsed_time * 2.0) * 0.1 + 0.5;
    float line = smoothstep(0.02, 0.0, abs(p.y - wave));
    return  float4(float3(line,line,line) + float3(0.1, 0.0, p.y * 0.4), 1.0);
}
