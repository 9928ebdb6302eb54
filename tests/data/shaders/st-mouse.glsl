// A spot that follows the mouse.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 mouse = iMouse.xy;
    if (iMouse.z <= 0.0)
        mouse = iResolution.xy * vec2(0.3, 0.6);
    float d = distance(fragCoord, mouse) / iResolution.y;
    vec3 col = vec3(1.0, 0.9, 0.6) * smoothstep(0.4, 0.0, d);
    col += vec3(0.1, 0.1, 0.2) * (fragCoord.x / iResolution.x);
    fragColor = vec4(col, 1.0);
}
