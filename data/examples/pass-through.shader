// Pass-through: draws the filter's input unchanged. A starting point for
// your own effect: the template around this text supplies image,
// textureSampler, VertData, uv_size, the timers and the "Draw" technique;
// you write mainImage.
float4 mainImage(VertData v_in) : TARGET
{
	return image.Sample(textureSampler, v_in.uv);
}
