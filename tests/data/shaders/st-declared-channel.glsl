// Declares its channel itself and reads single texels.
uniform sampler2D iChannel0;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    ivec2 texel = ivec2(fragCoord);
    vec4 here = texelFetch(iChannel0, texel, 0);
    vec4 left = texelFetch(iChannel0, max(texel - ivec2(4, 0), ivec2(0)), 0);
    fragColor = vec4(abs(here.rgb - left.rgb) * 4.0 + here.rgb * 0.25, 1.0);
}
