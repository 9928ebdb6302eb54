// Helpers returning through out and inout parameters.
void polar(in float2 p, out float radius, out float angle)
{
    radius = length(p);
    angle = atan2(p.y, p.x);
}

void shade(inout float3 col, float amount)
{
    col = lerp(col, float3(1.0,1.0,1.0), amount);
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 p = (2.0 * (v_in.uv * uv_size) - uv_size) / uv_size.y;
    float r, a;
    polar(p, r, a);
    float3 col = 0.5 + 0.5 * cos(a * 3.0 + float3(0.0, 2.0, 4.0) + elapsed_time);
    shade(col, smoothstep(0.6, 1.0, r));
    return  float4(col, 1.0);
}
