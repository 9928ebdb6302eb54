// Matrix products on known vectors; the picture is (0.15, 0.3, 0.6). The
// alpha reads the coordinate: OpenGL cannot draw a pixel function that
// reads none.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    mat2 m = mat2(0.1, 0.2, 0.3, 0.4);
    mat2 k = mat2(vec2(0.5, 0.0), vec2(0.0, 1.0));
    mat3 r = mat3(vec3(0.0, 1.0, 0.0), vec3(-1.0, 0.0, 0.0), vec3(0.0, 0.0, 1.0));
    vec2 a = m * vec2(1.0, 0.0);
    vec2 b = vec2(0.0, 1.0) * m;
    vec2 d = (k * m) * vec2(1.0, 0.0);
    vec3 v = r * vec3(1.0, 0.0, 0.0);
    fragColor = vec4(a.x + d.x, a.y + 0.1 * v.y, b.x + b.y, step(-1.0, fragCoord.x));
}
