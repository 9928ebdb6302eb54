// Helpers shared by effects through an #include line. The file is pasted
// in place of that line before the effect is compiled.
float luminance(float3 rgb)
{
	return dot(rgb, float3(0.2126, 0.7152, 0.0722));
}

float3 grey(float3 rgb)
{
	float l = luminance(rgb);
	return float3(l, l, l);
}
