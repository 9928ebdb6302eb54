#ifndef OPENGL
#define mod(x,y) ((x) - (y) * floor((x) / (y)))
#endif
// The colour is written in both branches of an if.
float4 mainImage(VertData v_in) : TARGET
{
	float4 fragColor = float4(0.0,0.0,0.0,1.0);

    float2 uv = v_in.uv;
    float checker = mod(floor(uv.x * 8.0) + floor(uv.y * 4.0), 2.0);
    if (checker > 0.5) {
        fragColor = float4(0.9, 0.3, 0.2, 1.0);
    } else {
        fragColor = float4(0.2, 0.3, 0.9, 1.0);
    }
	return fragColor;
}
