#ifndef OPENGL
#define mat2 float2x2
#define mod(x,y) ((x) - (y) * floor((x) / (y)))
#define glsl_mat2_s(a,b,c,d) float2x2(a,c,b,d)
#else
#define glsl_mat2_s mat2
#endif
// Repeated rounded boxes: mod() of negative coordinates and a rotation.
mat2 rot(float a)
{
    float c = cos(a), s = sin(a);
    return glsl_mat2_s(c, s, -s, c);
}

float sdBox(float3 p, float3 b)
{
    float3 q = abs(p) - b;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - 0.05;
}

float map(float3 p)
{
    p.xz = mul(p.xz, rot(0.3));
    float3 cell = mod(p + 1.0, 2.0) - 1.0;
    return sdBox(cell, float3(0.3,0.3,0.3));
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = (2.0 * (v_in.uv * uv_size) - uv_size) / uv_size.y;
    float3 ro = float3(0.5, 0.5, elapsed_time);
    float3 rd = normalize(float3(uv, 1.5));
    float t = 0.0;
    int steps = 0;
    for (int i = 0; i < 80; i++) {
        float d = map(ro + rd * t);
        if (d < 0.002) break;
        t += d;
        steps = i;
    }
    float glow = float(steps) / 80.0;
    return  float4(float3(1.0 - glow,1.0 - glow,1.0 - glow) * exp(-0.1 * t), 1.0);
}
