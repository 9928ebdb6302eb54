// Uses a macro named time, and no iTime at all.
#define time 2.5
#define SPEED 0.5

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    float stripes = step(0.5, fract(uv.x * 6.0 + time * SPEED));
    fragColor = vec4(stripes, uv.y, 1.0 - stripes, 1.0);
}
