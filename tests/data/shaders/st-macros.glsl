// Macros for constants, the resolution and a smooth band.
#define PI 3.14159265
#define R iResolution
#define S(a, b, t) smoothstep(a, b, t)
#define BAND(x, c, w) (S(c - w, c, x) - S(c, c + w, x))

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / R.xy;
    float wave = 0.5 + 0.25 * sin(uv.x * 2.0 * PI + iTime);
    float line = BAND(uv.y, wave, 0.05);
    vec3 col = mix(vec3(0.05, 0.05, 0.2), vec3(0.2, 1.0, 0.6), line);
    fragColor = vec4(col, 1.0);
}
