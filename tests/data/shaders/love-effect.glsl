extern number amount;
extern vec2 offset;

vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 screen_coords)
{
    vec4 c = Texel(tex, texture_coords + offset);
    return vec4(c.rgb * amount, c.a);
}
