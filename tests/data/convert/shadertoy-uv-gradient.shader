// Red rises from left to right, green along the vertical texture coordinate.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    return  float4(uv.x, uv.y, 0.0, 1.0);
}
