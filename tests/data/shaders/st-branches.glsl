// The colour is written in both branches of an if.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    float checker = mod(floor(uv.x * 8.0) + floor(uv.y * 4.0), 2.0);
    if (checker > 0.5) {
        fragColor = vec4(0.9, 0.3, 0.2, 1.0);
    } else {
        fragColor = vec4(0.2, 0.3, 0.9, 1.0);
    }
}
