// Grid lines with fwidth-free anti-aliasing and dFdx of the coordinate.
uniform vec2 u_resolution;

void main()
{
    vec2 st = gl_FragCoord.xy / u_resolution.xy * 8.0;
    vec2 grid = abs(fract(st - 0.5) - 0.5) / vec2(length(vec2(dFdx(st.x), dFdy(st.x))) + 0.05);
    float line = min(grid.x, grid.y);
    vec3 col = vec3(1.0 - min(line, 1.0));
    gl_FragColor = vec4(col * vec3(0.3, 0.9, 0.5) + vec3(0.05), 1.0);
}
