// LOVE: a second picture given as an extern Image.
extern Image pattern;
extern number mixAmount;

vec4 effect(vec4 color, Image tex, vec2 texture_coords, vec2 screen_coords)
{
    vec4 base = Texel(tex, texture_coords);
    vec4 over = Texel(pattern, texture_coords * 3.0);
    return vec4(mix(base.rgb, over.rgb, 0.5 + 0.0 * mixAmount) + vec3(texture_coords.x * 0.2), 1.0);
}
