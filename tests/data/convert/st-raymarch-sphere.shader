// A lit sphere on a plane, found by sphere tracing.
float sdSphere(float3 p, float r) { return length(p) - r; }

float scene(float3 p)
{
    float sphere = sdSphere(p - float3(0.0, 1.0, 0.0), 1.0);
    float ground = p.y;
    return min(sphere, ground);
}

float3 normalAt(float3 p)
{
    float2 e = float2(0.001, 0.0);
    return normalize(float3(scene(p + e.xyy) - scene(p - e.xyy),
                          scene(p + e.yxy) - scene(p - e.yxy),
                          scene(p + e.yyx) - scene(p - e.yyx)));
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = ((v_in.uv * uv_size) - 0.5 * uv_size) / uv_size.y;
    float3 ro = float3(0.0, 1.0, -4.0);
    float3 rd = normalize(float3(uv, 1.0));
    float t = 0.0;
    for (int i = 0; i < 64; i++) {
        float d = scene(ro + rd * t);
        if (d < 0.001 || t > 20.0) break;
        t += d;
    }
    float3 col = float3(0.6, 0.7, 0.9);
    if (t < 20.0) {
        float3 p = ro + rd * t;
        float3 n = normalAt(p);
        float3 light = normalize(float3(cos(elapsed_time), 2.0, sin(elapsed_time) - 1.0));
        float diffuse = clamp(dot(n, light), 0.0, 1.0);
        col = float3(0.9, 0.5, 0.3) * diffuse + 0.1;
    }
    return  float4(col, 1.0);
}
