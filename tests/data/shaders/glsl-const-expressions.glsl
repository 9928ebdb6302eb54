// File-level constants made from other constants.
precision mediump float;
uniform vec2 resolution;
uniform float time;

const float PI = 3.14159265;
const float TAU = 2.0 * PI;
const vec3 WARM = vec3(1.0, 0.6, 0.2);
const vec3 COOL = WARM.bgr * 0.8;

void main()
{
    vec2 uv = gl_FragCoord.xy / resolution;
    float t = 0.5 + 0.5 * sin(uv.x * TAU + time);
    gl_FragColor = vec4(mix(COOL, WARM, t) * (0.5 + 0.5 * uv.y), 1.0);
}
