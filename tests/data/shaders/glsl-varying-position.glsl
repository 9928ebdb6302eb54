// A coordinate handed over by the vertex stage.
varying vec2 position;
uniform float time;

void main()
{
    vec2 p = position * 2.0 - 1.0;
    float r = length(p);
    vec3 col = vec3(0.5 + 0.5 * cos(r * 10.0 - time), position.x, position.y);
    gl_FragColor = vec4(col, 1.0);
}
