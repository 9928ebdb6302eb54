// Precision statements and qualifiers of an ES shader.
//precision mediump float;
//precision lowp int;

float ripple(float2 p)
{
    float d = length(p);
    return sin(d * 30.0 - elapsed_time * 4.0) / (1.0 + d * 8.0);
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = ((v_in.uv * uv_size) - 0.5 * uv_size) / uv_size.y;
    float r = ripple(uv);
    return  float4(0.5 + r, 0.5 + 0.5 * r, 0.8, 1.0);
}
