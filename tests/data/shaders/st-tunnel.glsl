// A tunnel: the input picture mapped on its walls.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float a = atan(p.y, p.x) / 3.14159;
    float r = length(p);
    vec2 tuv = vec2(0.3 / r + iTime * 0.2, a);
    vec3 col = texture(iChannel0, fract(tuv)).rgb;
    fragColor = vec4(col * r, 1.0);
}
