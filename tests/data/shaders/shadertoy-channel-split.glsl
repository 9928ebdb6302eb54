// The left half shows the first channel (the filter input), the right half
// the second (a texture parameter bound to another source).
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    fragColor = uv.x < 0.5 ? texture(iChannel0, uv) : texture(iChannel1, uv);
}
