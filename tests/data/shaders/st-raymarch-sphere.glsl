// A lit sphere on a plane, found by sphere tracing.
float sdSphere(vec3 p, float r) { return length(p) - r; }

float scene(vec3 p)
{
    float sphere = sdSphere(p - vec3(0.0, 1.0, 0.0), 1.0);
    float ground = p.y;
    return min(sphere, ground);
}

vec3 normalAt(vec3 p)
{
    vec2 e = vec2(0.001, 0.0);
    return normalize(vec3(scene(p + e.xyy) - scene(p - e.xyy),
                          scene(p + e.yxy) - scene(p - e.yxy),
                          scene(p + e.yyx) - scene(p - e.yyx)));
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    vec3 ro = vec3(0.0, 1.0, -4.0);
    vec3 rd = normalize(vec3(uv, 1.0));
    float t = 0.0;
    for (int i = 0; i < 64; i++) {
        float d = scene(ro + rd * t);
        if (d < 0.001 || t > 20.0) break;
        t += d;
    }
    vec3 col = vec3(0.6, 0.7, 0.9);
    if (t < 20.0) {
        vec3 p = ro + rd * t;
        vec3 n = normalAt(p);
        vec3 light = normalize(vec3(cos(iTime), 2.0, sin(iTime) - 1.0));
        float diffuse = clamp(dot(n, light), 0.0, 1.0);
        col = vec3(0.9, 0.5, 0.3) * diffuse + 0.1;
    }
    fragColor = vec4(col, 1.0);
}
