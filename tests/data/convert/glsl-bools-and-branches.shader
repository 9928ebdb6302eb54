#ifndef OPENGL
#define lessThan(a,b) (a < b)
#define greaterThan(a,b) (a > b)
#endif
// gl_FragColor set in several branches, with a boolean helper.


bool inBox(float2 p, float2 lo, float2 hi)
{
    return all(greaterThan(p, lo)) && all(lessThan(p, hi));
}

float4 mainImage(VertData v_in) : TARGET
{
	float4 FragColor_ = float4(0.0,0.0,0.0,1.0);

    float2 p = (v_in.uv * uv_size).xy / uv_size;
    if (inBox(p, float2(0.1,0.1), float2(0.45,0.45)))
        FragColor_ = float4(1.0, 0.5, 0.0, 1.0);
    else if (inBox(p, float2(0.55,0.55), float2(0.9,0.9)))
        FragColor_ = float4(0.0, 0.5, 1.0, 1.0);
    else
        FragColor_ = float4(p, 0.2, 1.0);
	return FragColor_;
}
