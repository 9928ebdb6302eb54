// A palette held in a file-level array.

float4 mainImage(VertData v_in) : TARGET
{
	float3 PALETTE[4]; PALETTE[0] = float3(0.95, 0.85, 0.55); PALETTE[1] = float3(0.85, 0.35, 0.25); PALETTE[2] = float3(0.25, 0.45, 0.65); PALETTE[3] = float3(0.15, 0.15, 0.25);
    float2 uv = v_in.uv;
    int band = int(floor(uv.x * 4.0));
    return  float4(PALETTE[band] * (0.6 + 0.4 * uv.y), 1.0);
}
