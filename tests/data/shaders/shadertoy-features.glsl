// Time, mouse, one-argument constructors, a matrix product, atan and mod.
const float PI = 3.14159;
float scale = 2.0;

mat2 rotate(float a)
{
    float c = cos(a), s = sin(a);
    return mat2(c, -s, s, c);
}

void mainImage( out vec4 fragColor, in vec2 fragCoord )
{
    vec2 uv = fragCoord/iResolution.xy;
    vec2 p = uv - vec2(0.5);
    mat2 m = rotate(iTime);
    p = m * p;
    float angle = atan(p.y, p.x);
    float ring = mod(length(p) * scale * 10.0, 1.0);
    vec3 col = vec3(0.5) + 0.5 * cos(angle + vec3(0.0, 2.0, 4.0));
    col *= step(0.5, ring);
    if (iMouse.z > 0.0)
        col = vec3(1.0);
    fragColor = vec4(col, 1.0);
}
