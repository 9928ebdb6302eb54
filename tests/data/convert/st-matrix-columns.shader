#ifndef OPENGL
#define mat2 float2x2
#define mat3 float3x3
#define glsl_mat2_c(a,b) transpose(float2x2(a,b))
#define glsl_mat3_c(a,b,c) transpose(float3x3(a,b,c))
#define glsl_mat3_d(s) float3x3((s),0.0,0.0,0.0,(s),0.0,0.0,0.0,(s))
#else
#define glsl_mat2_c mat2
#define glsl_mat3_c mat3
#define glsl_mat3_d mat3
#endif
// Matrices from columns, a 3x3 rotation and a row vector times a matrix.
mat3 rotateY(float a)
{
    float c = cos(a), s = sin(a);
    return glsl_mat3_c(float3(c, 0.0, -s), float3(0.0, 1.0, 0.0), float3(s, 0.0, c));
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv - 0.5;
    mat2 shear = glsl_mat2_c(float2(1.0, 0.0), float2(0.5, 1.0));
    float2 q = mul(shear , uv);
    float3 dir = mul(rotateY(elapsed_time * 0.3) , float3(q, 1.0));
    float3 tinted = mul(float3(0.2, 0.5, 0.8) , glsl_mat3_d(1.0));
    return  float4(abs(dir) * 0.8 + tinted * 0.2, 1.0);
}
