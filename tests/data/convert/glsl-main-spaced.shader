// An engine-style fragment shader: an "out" colour and "void main ()".
//#version 330




float3 stripes(float2 p)
{
    return float3(0.5 + 0.5 * sin(p.x * 40.0 + elapsed_time), p.y, 0.4);
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 p = (v_in.uv * uv_size).xy / uv_size;
    return  float4(stripes(p), 1.0);
}
