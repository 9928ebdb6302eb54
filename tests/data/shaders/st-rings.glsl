// Concentric rings that breathe with time.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float d = length(p);
    float rings = fract(d * 6.0 - iTime * 0.5);
    float edge = smoothstep(0.0, 0.1, rings) * smoothstep(1.0, 0.6, rings);
    vec3 col = mix(vec3(0.1, 0.2, 0.4), vec3(1.0, 0.8, 0.3), edge);
    col *= 1.0 - 0.4 * d;
    fragColor = vec4(col, 1.0);
}
