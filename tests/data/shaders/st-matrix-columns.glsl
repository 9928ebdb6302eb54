// Matrices from columns, a 3x3 rotation and a row vector times a matrix.
mat3 rotateY(float a)
{
    float c = cos(a), s = sin(a);
    return mat3(vec3(c, 0.0, -s), vec3(0.0, 1.0, 0.0), vec3(s, 0.0, c));
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy - 0.5;
    mat2 shear = mat2(vec2(1.0, 0.0), vec2(0.5, 1.0));
    vec2 q = shear * uv;
    vec3 dir = rotateY(iTime * 0.3) * vec3(q, 1.0);
    vec3 tinted = vec3(0.2, 0.5, 0.8) * mat3(1.0);
    fragColor = vec4(abs(dir) * 0.8 + tinted * 0.2, 1.0);
}
