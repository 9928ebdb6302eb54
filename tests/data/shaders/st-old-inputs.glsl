// Older and rarer inputs: iGlobalTime, the channels' time and size, the
// date, the frame rate and the frame's time step.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iChannelResolution[0].xy;
    float t = iGlobalTime + iChannelTime[1] * 0.0;
    float seconds = mod(iDate.w, 60.0) / 60.0;
    float step = iTimeDelta * iFrameRate;
    vec3 col = vec3(uv, 0.5 + 0.5 * sin(t)) * step;
    col.b = mix(col.b, seconds, 0.25);
    fragColor = vec4(col, 1.0);
}
