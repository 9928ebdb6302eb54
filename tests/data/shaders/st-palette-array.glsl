// A palette held in a file-level array.
const vec3 PALETTE[4] = vec3[4](
    vec3(0.95, 0.85, 0.55),
    vec3(0.85, 0.35, 0.25),
    vec3(0.25, 0.45, 0.65),
    vec3(0.15, 0.15, 0.25));

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    int band = int(floor(uv.x * 4.0));
    fragColor = vec4(PALETTE[band] * (0.6 + 0.4 * uv.y), 1.0);
}
