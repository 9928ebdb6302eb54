#ifndef OPENGL
#define mod(x,y) ((x) - (y) * floor((x) / (y)))
#endif
#define elapsed_timeDelta 0.0166667
#define iFrameRate 60.0
// Older and rarer inputs: elapsed_time, the channels' time and size, the
// date, the frame rate and the frame's time step.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = (v_in.uv * uv_size) / float3(uv_size,1.0).xy;
    float t = elapsed_time + elapsed_time * 0.0;
    float seconds = mod(local_time, 60.0) / 60.0;
    float step = elapsed_timeDelta * iFrameRate;
    float3 col = float3(uv, 0.5 + 0.5 * sin(t)) * step;
    col.b = lerp(col.b, seconds, 0.25);
    return  float4(col, 1.0);
}
