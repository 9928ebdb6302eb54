// Petals from the angle around the centre.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    float angle = atan(p.y, p.x);
    float radius = length(p);
    float petals = 0.3 + 0.15 * cos(angle * 6.0 + iTime);
    float inside = smoothstep(petals + 0.01, petals - 0.01, radius);
    fragColor = vec4(mix(vec3(0.1, 0.2, 0.1), vec3(1.0, 0.4, 0.6), inside), 1.0);
}
