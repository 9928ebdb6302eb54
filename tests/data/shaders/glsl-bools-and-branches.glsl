// gl_FragColor set in several branches, with a boolean helper.
uniform vec2 resolution;

bool inBox(vec2 p, vec2 lo, vec2 hi)
{
    return all(greaterThan(p, lo)) && all(lessThan(p, hi));
}

void main()
{
    vec2 p = gl_FragCoord.xy / resolution;
    if (inBox(p, vec2(0.1), vec2(0.45)))
        gl_FragColor = vec4(1.0, 0.5, 0.0, 1.0);
    else if (inBox(p, vec2(0.55), vec2(0.9)))
        gl_FragColor = vec4(0.0, 0.5, 1.0, 1.0);
    else
        gl_FragColor = vec4(p, 0.2, 1.0);
}
