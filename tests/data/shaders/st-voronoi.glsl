// Voronoi cells with moving points.
vec2 hash2(vec2 p)
{
    p = vec2(dot(p, vec2(127.1, 311.7)), dot(p, vec2(269.5, 183.3)));
    return fract(sin(p) * 43758.5453);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.y * 5.0;
    vec2 cell = floor(uv);
    vec2 f = fract(uv);
    float best = 8.0;
    vec2 bestId = vec2(0.0);
    for (int j = -1; j <= 1; j++) {
        for (int i = -1; i <= 1; i++) {
            vec2 g = vec2(float(i), float(j));
            vec2 o = hash2(cell + g);
            o = 0.5 + 0.5 * sin(iTime + 6.2831 * o);
            float d = length(g + o - f);
            if (d < best) {
                best = d;
                bestId = cell + g;
            }
        }
    }
    vec3 col = 0.5 + 0.5 * cos(hash2(bestId).x * 6.2831 + vec3(0.0, 2.0, 4.0));
    fragColor = vec4(col * (1.0 - 0.6 * best), 1.0);
}
