// An engine-style fragment shader: an "out" colour and "void main ()".
#version 330
uniform vec2 resolution;
uniform float time;
out vec4 fragment;

vec3 stripes(vec2 p)
{
    return vec3(0.5 + 0.5 * sin(p.x * 40.0 + time), p.y, 0.4);
}

void main ()
{
    vec2 p = gl_FragCoord.xy / resolution;
    fragment = vec4(stripes(p), 1.0);
}
