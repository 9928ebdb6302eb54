// Petals from the angle around the centre.
float4 mainImage(VertData v_in) : TARGET
{
    float2 p = ((v_in.uv * uv_size) - 0.5 * uv_size) / uv_size.y;
    float angle = atan2(p.y, p.x);
    float radius = length(p);
    float petals = 0.3 + 0.15 * cos(angle * 6.0 + elapsed_time);
    float inside = smoothstep(petals + 0.01, petals - 0.01, radius);
    return  float4(lerp(float3(0.1, 0.2, 0.1), float3(1.0, 0.4, 0.6), inside), 1.0);
}
