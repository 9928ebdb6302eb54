// LOVE: a vignette from the screen coordinate and love_ScreenSize.
vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 screen_coords)
{
    vec2 centred = texture_coords - 0.5;
    float vignette = 1.0 - dot(centred, centred) * 2.5;
    vec4 c = Texel(tex, texture_coords);
    float scan = 0.9 + 0.1 * sin(texture_coords.y * love_ScreenSize.y * 0.5);
    return vec4(c.rgb * vignette * scan, c.a);
}
