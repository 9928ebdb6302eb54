// Precision statements and qualifiers of an ES shader.
precision mediump float;
precision lowp int;

highp float ripple(highp vec2 p)
{
    mediump float d = length(p);
    return sin(d * 30.0 - iTime * 4.0) / (1.0 + d * 8.0);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    lowp vec2 uv = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    highp float r = ripple(uv);
    fragColor = vec4(0.5 + r, 0.5 + 0.5 * r, 0.8, 1.0);
}
