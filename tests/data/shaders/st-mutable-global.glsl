// A random generator whose state lives in a file-level variable.
float seed = 0.0;

float random()
{
    seed = fract(sin(seed * 91.3458 + 47.123) * 43758.5453);
    return seed;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    seed = fragCoord.x * 0.013 + fragCoord.y * 0.071;
    vec3 col = vec3(random(), random(), random());
    fragColor = vec4(col, 1.0);
}
