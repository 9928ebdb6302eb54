// LOVE with other blanks and names in the effect's parameter list.
vec4 effect( vec4 col, Image img, vec2 uv, vec2 px )
{
    vec2 shifted = uv + vec2(0.02 * sin(uv.y * 30.0), 0.0);
    vec4 c = Texel(img, shifted);
    return vec4(c.rgb * vec3(1.0, 0.8, 0.6), 1.0);
}
