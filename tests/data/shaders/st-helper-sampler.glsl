// A blur helper that takes the texture it reads as a parameter.
vec3 blur(sampler2D tex, vec2 uv, vec2 pixel)
{
    vec3 sum = vec3(0.0);
    for (int x = -1; x <= 1; x++)
        for (int y = -1; y <= 1; y++)
            sum += texture(tex, uv + vec2(float(x), float(y)) * pixel).rgb;
    return sum / 9.0;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 col = blur(iChannel0, uv, 1.0 / iResolution.xy);
    fragColor = vec4(col.bgr, 1.0);
}
