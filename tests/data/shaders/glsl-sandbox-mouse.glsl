// GLSL sandbox style with the mouse in 0..1.
precision highp float;

uniform float time;
uniform vec2 mouse;
uniform vec2 resolution;

void main( void )
{
    vec2 pos = gl_FragCoord.xy / resolution.xy;
    float d = distance(pos, mouse);
    vec3 col = vec3(0.2, 0.6, 1.0) / (1.0 + d * 20.0);
    col += vec3(pos.x * 0.3, 0.0, pos.y * 0.3);
    gl_FragColor = vec4(col, 1.0);
}
