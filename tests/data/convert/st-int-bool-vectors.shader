#ifndef OPENGL
#define lessThan(a,b) (a < b)
#define equal(a,b) (a == b)
#else
#define bool2 bvec2
#endif
// Integer cells and boolean vectors.
float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    int2 cell = int2(uv * float2(8.0, 4.0));
    bool2 odd = equal(cell - (cell / 2) * 2, int2(1,1));
    bool2 low = lessThan(uv, float2(0.5,0.5));
    float a = (odd.x != odd.y) ? 1.0 : 0.2;
    float b = any(low) ? 0.8 : 0.1;
    return  float4(a, b, float(cell.x) / 8.0, 1.0);
}
