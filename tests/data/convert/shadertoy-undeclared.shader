// Converts, but does not build: "glow" is declared nowhere.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    return  float4(uv, glow, 1.0);
}
