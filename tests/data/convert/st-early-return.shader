// Leaves main early outside a disc.
float4 mainImage(VertData v_in) : TARGET
{
	float4 fragColor = float4(0.0,0.0,0.0,1.0);

    float2 p = (2.0 * (v_in.uv * uv_size) - uv_size) / uv_size.y;
    fragColor = float4(0.0, 0.0, 0.0, 1.0);
    if (length(p) > 0.8)
        return fragColor;
    float shade = 1.0 - length(p) / 0.8;
    fragColor = float4(shade, shade * 0.5, 1.0 - shade, 1.0);
	return fragColor;
}
