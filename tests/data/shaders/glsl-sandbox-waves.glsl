// GLSL sandbox style: time, resolution and gl_FragCoord.
#ifdef GL_ES
precision mediump float;
#endif

uniform float time;
uniform vec2 resolution;

void main(void)
{
    vec2 p = gl_FragCoord.xy / resolution.xy;
    float wave = sin(p.x * 12.0 + time * 2.0) * 0.1 + 0.5;
    float line = smoothstep(0.02, 0.0, abs(p.y - wave));
    gl_FragColor = vec4(vec3(line) + vec3(0.1, 0.0, p.y * 0.4), 1.0);
}
