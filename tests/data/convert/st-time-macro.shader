// Uses a macro named time, and no elapsed_time at all.
#define time 2.5
#define SPEED 0.5

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float stripes = step(0.5, frac(uv.x * 6.0 + time * SPEED));
    return  float4(stripes, uv.y, 1.0 - stripes, 1.0);
}
