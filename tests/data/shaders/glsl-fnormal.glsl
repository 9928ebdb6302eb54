varying vec3 fNormal;

void main()
{
    vec3 n = normalize(fNormal);
    vec2 st = fNormal.xy;
    gl_FragColor = vec4(st, n.z, 1.0);
}
