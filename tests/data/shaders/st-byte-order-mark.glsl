// Saved with a byte-order mark, as some editors do.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 col = vec3(step(0.5, fract(uv.x * 5.0)), uv.y, 0.3);
    fragColor = vec4(col, 1.0);
}
