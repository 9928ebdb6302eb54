// Value noise summed over octaves; constants at file level.
//const int OCTAVES = 5;
#define OCTAVES int(5)
//const float GAIN = 0.5;
#define GAIN float(0.5)
//const float LACUNARITY = 2.0 * 1.0;
#define LACUNARITY float(2.0 * 1.0)

float hash(float2 p)
{
    p = frac(p * float2(127.1, 311.7));
    p += dot(p, p + 19.19);
    return frac(p.x * p.y);
}

float noise(float2 p)
{
    float2 i = floor(p);
    float2 f = frac(p);
    float2 u = f * f * (3.0 - 2.0 * f);
    float a = hash(i);
    float b = hash(i + float2(1.0, 0.0));
    float c = hash(i + float2(0.0, 1.0));
    float d = hash(i + float2(1.0, 1.0));
    return lerp(lerp(a, b, u.x), lerp(c, d, u.x), u.y);
}

float fbm(float2 p)
{
    float sum = 0.0;
    float amp = 0.5;
    for (int i = 0; i < OCTAVES; i++) {
        sum += amp * noise(p);
        p *= LACUNARITY;
        amp *= GAIN;
    }
    return sum;
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = v_in.uv;
    float n = fbm(uv * 6.0 + elapsed_time * 0.1);
    return  float4(float3(n,n,n), 1.0);
}
