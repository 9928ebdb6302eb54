// LOVE: tints the picture by an extern colour and a strength.
extern vec3 tint;
extern number strength;

vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 screen_coords)
{
    vec4 c = Texel(tex, texture_coords);
    vec3 grey = vec3(dot(c.rgb, vec3(0.299, 0.587, 0.114)));
    return vec4(mix(c.rgb, grey * tint, strength), c.a) * color;
}
