// LOVE: waves through the picture over time.
extern number time;

vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 screen_coords)
{
    vec2 uv = texture_coords;
    uv.x += sin(uv.y * 20.0 + time * 3.0) * 0.03;
    uv.y += cos(uv.x * 15.0 + time * 2.0) * 0.03;
    return Texel(tex, uv) * vec4(1.1, 1.0, 0.9, 1.0);
}
