// Concentric rings that breathe with time.
float4 mainImage(VertData v_in) : TARGET
{
    float2 p = (2.0 * (v_in.uv * uv_size) - uv_size) / uv_size.y;
    float d = length(p);
    float rings = frac(d * 6.0 - elapsed_time * 0.5);
    float edge = smoothstep(0.0, 0.1, rings) * smoothstep(1.0, 0.6, rings);
    float3 col = lerp(float3(0.1, 0.2, 0.4), float3(1.0, 0.8, 0.3), edge);
    col *= 1.0 - 0.4 * d;
    return  float4(col, 1.0);
}
