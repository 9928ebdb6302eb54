// "Book" style uniforms: uv_size, elapsed_time, u_mouse.
#ifdef GL_ES
//precision mediump float;
#endif


uniform float2 u_mouse;


float plot(float2 st, float pct)
{
    return smoothstep(pct - 0.02, pct, st.y) - smoothstep(pct, pct + 0.02, st.y);
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 st = (v_in.uv * uv_size).xy / uv_size;
    float y = pow(st.x, 2.0 + sin(elapsed_time));
    float3 color = float3(y,y,y);
    float pct = plot(st, y);
    color = (1.0 - pct) * color + pct * float3(0.0, 1.0, 0.0);
    return  float4(color, 1.0);
}
