#ifndef OPENGL
#define mat2 float2x2
#define mod(x,y) ((x) - (y) * floor((x) / (y)))
#define glsl_mat2_s(a,b,c,d) float2x2(a,c,b,d)
#else
#define glsl_mat2_s mat2
#endif
uniform float4 iMouse<
string widget_type = "slider";
float minimum=0.0;
float maximum=1000.0;
float step=1.0;
>;
// Time, mouse, one-argument constructors, a matrix product, atan and mod.
//const float PI = 3.14159;
#define PI float(3.14159)
uniform float scale = 2.0;

mat2 rotate(float a)
{
    float c = cos(a), s = sin(a);
    return glsl_mat2_s(c, -s, s, c);
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float2 p = uv - float2(0.5,0.5);
    mat2 m = rotate(elapsed_time);
    p = mul(m , p);
    float angle = atan2(p.y, p.x);
    float ring = mod(length(p) * scale * 10.0, 1.0);
    float3 col = float3(0.5,0.5,0.5) + 0.5 * cos(angle + float3(0.0, 2.0, 4.0));
    col *= step(0.5, ring);
    if (iMouse.z > 0.0)
        col = float3(1.0,1.0,1.0);
    return  float4(col, 1.0);
}
