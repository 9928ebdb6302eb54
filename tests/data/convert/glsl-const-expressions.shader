// File-level constants made from other constants.
//precision mediump float;



//const float PI = 3.14159265;
#define PI float(3.14159265)
//const float TAU = 2.0 * PI;
#define TAU float(2.0 * PI)
//const float3 WARM = {1.0, 0.6, 0.2};
#define WARM float3(1.0, 0.6, 0.2)
//const float3 COOL = WARM.bgr * 0.8;
#define COOL float3(WARM.bgr * 0.8)

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = (v_in.uv * uv_size).xy / uv_size;
    float t = 0.5 + 0.5 * sin(uv.x * TAU + elapsed_time);
    return  float4(lerp(COOL, WARM, t) * (0.5 + 0.5 * uv.y), 1.0);
}
