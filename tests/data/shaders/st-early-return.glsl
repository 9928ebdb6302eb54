// Leaves main early outside a disc.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
    if (length(p) > 0.8)
        return;
    float shade = 1.0 - length(p) / 0.8;
    fragColor = vec4(shade, shade * 0.5, 1.0 - shade, 1.0);
}
