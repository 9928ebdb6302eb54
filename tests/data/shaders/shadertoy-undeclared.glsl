// Converts, but does not build: "glow" is declared nowhere.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    fragColor = vec4(uv, glow, 1.0);
}
