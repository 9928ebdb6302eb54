//varying float3 float3(v_in.uv,0.0);

float4 mainImage(VertData v_in) : TARGET
{
    float3 n = normalize(float3(v_in.uv,0.0));
    float2 st = v_in.uv;
    return  float4(st, n.z, 1.0);
}
