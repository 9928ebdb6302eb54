// The main function written with other blanks and short names.
float4 mainImage(VertData v_in) : TARGET
{
	float2 pixelCoord = (v_in.uv * uv_size);
    float2 r = uv_size;
    pixelCoord = pixelCoord / r;
    return  float4(pixelCoord, 0.5 + 0.5 * sin(elapsed_time), 1.0);
}
