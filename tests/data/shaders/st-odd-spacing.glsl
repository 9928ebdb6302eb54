// The main function written with other blanks and short names.
void mainImage( out vec4 O,
                vec2 U )
{
    vec2 r = iResolution.xy;
    U = U / r;
    O = vec4(U, 0.5 + 0.5 * sin(iTime), 1.0);
}
