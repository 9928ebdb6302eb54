// A random generator whose state lives in a file-level variable.
float seed;

float random()
{
    seed = frac(sin(seed * 91.3458 + 47.123) * 43758.5453);
    return seed;
}

float4 mainImage(VertData v_in) : TARGET
{
	seed = 0.0;

    seed = (v_in.uv * uv_size).x * 0.013 + (v_in.uv * uv_size).y * 0.071;
    float3 col = float3(random(), random(), random());
    return  float4(col, 1.0);
}
