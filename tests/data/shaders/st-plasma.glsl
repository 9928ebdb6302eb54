// Plasma from a few sine waves, with a helper for the palette.
vec3 palette(float t)
{
    return 0.5 + 0.5 * cos(6.28318 * (t + vec3(0.0, 0.33, 0.67)));
}

void mainImage( out vec4 fragColor, in vec2 fragCoord )
{
    vec2 uv = fragCoord / iResolution.xy;
    float v = sin(uv.x * 10.0 + iTime);
    v += sin((uv.y * 10.0 + iTime) * 0.5);
    v += sin((uv.x * 10.0 + uv.y * 10.0 + iTime) * 0.5);
    vec2 c = uv * 10.0 + vec2(sin(iTime / 3.0), cos(iTime / 2.0)) * 5.0;
    v += sin(sqrt(c.x * c.x + c.y * c.y + 1.0) + iTime);
    fragColor = vec4(palette(v * 0.25), 1.0);
}
