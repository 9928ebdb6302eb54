// Voronoi cells with moving points.
float2 hash2(float2 p)
{
    p = float2(dot(p, float2(127.1, 311.7)), dot(p, float2(269.5, 183.3)));
    return frac(sin(p) * 43758.5453);
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = (v_in.uv * uv_size) / uv_size.y * 5.0;
    float2 cell = floor(uv);
    float2 f = frac(uv);
    float best = 8.0;
    float2 bestId = float2(0.0,0.0);
    for (int j = -1; j <= 1; j++) {
        for (int i = -1; i <= 1; i++) {
            float2 g = float2(float(i), float(j));
            float2 o = hash2(cell + g);
            o = 0.5 + 0.5 * sin(elapsed_time + 6.2831 * o);
            float d = length(g + o - f);
            if (d < best) {
                best = d;
                bestId = cell + g;
            }
        }
    }
    float3 col = 0.5 + 0.5 * cos(hash2(bestId).x * 6.2831 + float3(0.0, 2.0, 4.0));
    return  float4(col * (1.0 - 0.6 * best), 1.0);
}
