// Helpers returning through out and inout parameters.
void polar(in vec2 p, out float radius, out float angle)
{
    radius = length(p);
    angle = atan(p.y, p.x);
}

void shade(inout vec3 col, float amount)
{
    col = mix(col, vec3(1.0), amount);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float r, a;
    polar(p, r, a);
    vec3 col = 0.5 + 0.5 * cos(a * 3.0 + vec3(0.0, 2.0, 4.0) + iTime);
    shade(col, smoothstep(0.6, 1.0, r));
    fragColor = vec4(col, 1.0);
}
