#ifdef GL_ES
precision highp float;
#endif
uniform float time;
varying vec2 pos;

void main()
{
    vec3 col = vec3(pos.x, pos.y, 0.5 + 0.5 * sin(time));
    gl_FragColor = vec4(col, 1.0);
}
