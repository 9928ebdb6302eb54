// Declares its channel itself and reads single texels.


float4 mainImage(VertData v_in) : TARGET
{
    int2 texel = int2((v_in.uv * uv_size));
    float4 here = image.Load( int3( texel, 0));
    float4 left = image.Load( int3( max(texel - int2(4, 0), int2(0,0)), 0));
    return  float4(abs(here.rgb - left.rgb) * 4.0 + here.rgb * 0.25, 1.0);
}
