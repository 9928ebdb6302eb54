// Weights of a small filter in a local array.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    float weights[5] = float[5](0.06, 0.24, 0.4, 0.24, 0.06);
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 5; i++) {
        vec2 offset = vec2(float(i - 2) * 3.0 / iResolution.x, 0.0);
        sum += weights[i] * texture(iChannel0, uv + offset).rgb;
    }
    fragColor = vec4(1.0 - sum, 1.0);
}
