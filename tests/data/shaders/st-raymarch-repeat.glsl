// Repeated rounded boxes: mod() of negative coordinates and a rotation.
mat2 rot(float a)
{
    float c = cos(a), s = sin(a);
    return mat2(c, s, -s, c);
}

float sdBox(vec3 p, vec3 b)
{
    vec3 q = abs(p) - b;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - 0.05;
}

float map(vec3 p)
{
    p.xz *= rot(0.3);
    vec3 cell = mod(p + 1.0, 2.0) - 1.0;
    return sdBox(cell, vec3(0.3));
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    vec3 ro = vec3(0.5, 0.5, iTime);
    vec3 rd = normalize(vec3(uv, 1.5));
    float t = 0.0;
    int steps = 0;
    for (int i = 0; i < 80; i++) {
        float d = map(ro + rd * t);
        if (d < 0.002) break;
        t += d;
        steps = i;
    }
    float glow = float(steps) / 80.0;
    fragColor = vec4(vec3(1.0 - glow) * exp(-0.1 * t), 1.0);
}
