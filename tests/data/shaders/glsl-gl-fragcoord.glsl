#version 330
uniform vec2 u_resolution;
uniform float u_time;
out vec4 outColor;

void main()
{
    vec2 st = gl_FragCoord.xy/u_resolution;
    outColor = vec4(st.x, st.y, abs(sin(u_time)), 1.0);
}
