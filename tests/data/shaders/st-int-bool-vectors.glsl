// Integer cells and boolean vectors.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    ivec2 cell = ivec2(uv * vec2(8.0, 4.0));
    bvec2 odd = equal(cell - (cell / 2) * 2, ivec2(1));
    bvec2 low = lessThan(uv, vec2(0.5));
    float a = (odd.x != odd.y) ? 1.0 : 0.2;
    float b = any(low) ? 0.8 : 0.1;
    fragColor = vec4(a, b, float(cell.x) / 8.0, 1.0);
}
