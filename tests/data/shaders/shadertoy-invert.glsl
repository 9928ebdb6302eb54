// Inverts the filter input: the first channel is the input.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord.xy / iResolution.xy;
    vec4 c = texture(iChannel0, uv);
    fragColor = vec4(1.0 - c.rgb, c.a);
}
