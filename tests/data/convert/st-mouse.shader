#ifndef OPENGL
#endif
uniform float4 iMouse<
string widget_type = "slider";
float minimum=0.0;
float maximum=1000.0;
float step=1.0;
>;
// A spot that follows the mouse.
float4 mainImage(VertData v_in) : TARGET
{
    float2 mouse = iMouse.xy;
    if (iMouse.z <= 0.0)
        mouse = uv_size * float2(0.3, 0.6);
    float d = distance((v_in.uv * uv_size), mouse) / uv_size.y;
    float3 col = float3(1.0, 0.9, 0.6) * smoothstep(0.4, 0.0, d);
    col += float3(0.1, 0.1, 0.2) * ((v_in.uv * uv_size).x / uv_size.x);
    return  float4(col, 1.0);
}
