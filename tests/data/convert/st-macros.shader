// Macros for constants, the resolution and a smooth band.
#define PI 3.14159265
#define R float4(uv_size,uv_pixel_interval)
#define S(a, b, t) smoothstep(a, b, t)
#define BAND(x, c, w) (S(c - w, c, x) - S(c, c + w, x))

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = (v_in.uv * uv_size) / R.xy;
    float wave = 0.5 + 0.25 * sin(uv.x * 2.0 * PI + elapsed_time);
    float line = BAND(uv.y, wave, 0.05);
    float3 col = lerp(float3(0.05, 0.05, 0.2), float3(0.2, 1.0, 0.6), line);
    return  float4(col, 1.0);
}
