// Two channels: the input and a second picture, blended by a moving edge.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 a = texture(iChannel0, uv).rgb;
    vec3 b = texture(iChannel1, uv * 2.0).rgb;
    float edge = smoothstep(0.45, 0.55, uv.x + 0.1 * sin(uv.y * 10.0 + iTime));
    fragColor = vec4(mix(a, b, edge), 1.0);
}
