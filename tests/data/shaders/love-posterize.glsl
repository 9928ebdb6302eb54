// LOVE: fewer colour levels, with a helper function.
extern number levels;

vec3 posterize(vec3 c, float n)
{
    return floor(c * n + 0.5) / n;
}

vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 screen_coords)
{
    vec4 c = Texel(tex, texture_coords);
    float n = max(levels, 3.0);
    return vec4(posterize(c.rgb * (0.5 + texture_coords.x), n), c.a);
}
