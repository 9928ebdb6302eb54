//#version 330




float4 mainImage(VertData v_in) : TARGET
{
    float2 st = (v_in.uv * uv_size).xy/uv_size;
    return  float4(st.x, st.y, abs(sin(elapsed_time)), 1.0);
}
