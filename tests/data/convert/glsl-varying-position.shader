// A coordinate handed over by the vertex stage.
//varying float2 v_in.uv;


float4 mainImage(VertData v_in) : TARGET
{
    float2 p = v_in.uv * 2.0 - 1.0;
    float r = length(p);
    float3 col = float3(0.5 + 0.5 * cos(r * 10.0 - elapsed_time), v_in.uv.x, v_in.uv.y);
    return  float4(col, 1.0);
}
