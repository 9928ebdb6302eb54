#ifdef GL_ES
//precision highp float;
#endif

//varying float2 v_in.uv;

float4 mainImage(VertData v_in) : TARGET
{
    float3 col = float3(v_in.uv.x, v_in.uv.y, 0.5 + 0.5 * sin(elapsed_time));
    return  float4(col, 1.0);
}
