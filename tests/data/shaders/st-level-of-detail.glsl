// Reads the input at a level of detail that grows to the right.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec4 sharp = textureLod(iChannel0, uv, 0.0);
    vec4 soft = textureLod(iChannel0, uv, 3.0);
    fragColor = mix(sharp, soft.gbra, uv.x);
}
