// Grid lines with fwidth-free anti-aliasing and dFdx of the coordinate.


float4 mainImage(VertData v_in) : TARGET
{
    float2 st = (v_in.uv * uv_size).xy / uv_size.xy * 8.0;
    float2 grid = abs(frac(st - 0.5) - 0.5) / float2(length(float2(ddx(st.x), ddy(st.x))) + 0.05,length(float2(ddx(st.x), ddy(st.x))) + 0.05);
    float line = min(grid.x, grid.y);
    float3 col = float3(1.0 - min(line, 1.0),1.0 - min(line, 1.0),1.0 - min(line, 1.0));
    return  float4(col * float3(0.3, 0.9, 0.5) + float3(0.05,0.05,0.05), 1.0);
}
