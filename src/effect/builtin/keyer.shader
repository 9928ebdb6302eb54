uniform float4 Key_color <
	string label = "抠像键色";
> = {0.505882, 0.772549, 0.196078, 1.0};
uniform float Prekey_despill <
	string label = "(抠像前)去溢色 默认-1000";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = -1000.0;
uniform float Prekey_saturate <
	string label = "(抠像前)去饱和度 默认-1000";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = -1000.0;
uniform float Matte_white <
	string label = "白切(保留部分） 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Matte_black <
	string label = "黑切(去除部分） 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Matte_highlights <
	string label = "高光遮罩 默认-1000";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = -1000.0;
uniform float Matte_shadows <
	string label = "阴影遮罩 默认-1000";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = -1000.0;
uniform float Shadows <
	string label = "阴影浓度 默认-1000";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = -1000.0;
uniform float Shadow_Gradient_Position <
	string label = "阴影渐变位置 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Shadow_Gradient_Softness <
	string label = "阴影渐变软硬 默认-1000";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = -1000.0;
uniform float Spill_reduction <
	string label = "去除溢色 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Spill_balance <
	string label = "溢色平衡 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Spill_unpremultiply <
	string label = "半透明区域除绿 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Premultiply <
	string label = "预乘 默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Matte_offset_x <
	string label = "x偏移(没事别动)默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Matte_offset_y <
	string label = "y偏移(没事别动)默认0";
	string widget_type = "slider";
	float minimum = -1000.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform bool Use_reference_image <
	string label = "使用参考图(没人的绿幕间)";
> = false;
uniform texture2d Reference_image <
	string label = "参考图像";
	string widget_type = "file";
> = "Reference.png";
uniform bool Use_garbage_matte <
	string label = "使用垃圾遮罩（去除无用区域）";
> = false;
uniform texture2d Garbage_matte <
	string label = "垃圾遮罩";
	string widget_type = "file";
> = "Garbage.png";
uniform bool Use_inside_matte <
	string label = "使用内部遮罩（强制保留区域)";
> = false;
uniform bool Preserve_inside_color <
	string label = "保留内部遮罩区域原始颜色";
> = false;
uniform texture2d Inside_matte <
	string label = "内部遮罩";
	string widget_type = "file";
> = "Inside.png";
uniform bool Use_shadow_matte <
	string label = "使用阴影遮罩";
> = false;
uniform texture2d Shadow_matte <
	string label = "阴影遮罩";
	string widget_type = "file";
> = "Shadow.png";
uniform bool Show_Alpha <
	string label = "显示alpha遮罩";
> = false;
uniform bool Show_PrekeyFG <
	string label = "显示抠像前画面";
> = false;
uniform bool Show_ProcessedFG <
	string label = "最终输出前的图像(强制alpha为1)";
> = false;
uniform bool Use_alternate_key_method <
	string label = "使用YUV抠像算法";
> = true;
uniform bool Matte_antialising <
	string label = "遮罩抗锯齿";
> = true;
uniform float Safe_top <
	string label = "安全区(上） 默认0";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Safe_bottom <
	string label = "安全区(下） 默认0";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Safe_left <
	string label = "安全区(左） 默认0";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;
uniform float Safe_right <
	string label = "安全区(右） 默认0";
	string widget_type = "slider";
	float minimum = 0.0;
	float maximum = 1000.0;
	float step = 1.0;
> = 0.0;

// The matte and reference pictures are stretched over the frame; clamping
// keeps their edge pixels instead of fading them into the transparent
// border that textureSampler gives the input.
sampler_state matteSampler {
	Filter = Linear;
	AddressU = Clamp;
	AddressV = Clamp;
};

float3 rgb2hsv(float3 c)
{
	float4 k = float4(0.0, -1.0 / 3.0, 2.0 / 3.0, -1.0);
	float4 p = lerp(float4(c.b, c.g, k.w, k.z), float4(c.g, c.b, k.x, k.y), step(c.b, c.g));
	float4 q = lerp(float4(p.x, p.y, p.w, c.r), float4(c.r, p.y, p.z, p.x), step(p.x, c.r));
	float d = q.x - min(q.w, q.y);
	float e = 1.0e-10;
	return float3(abs(q.z + (q.w - q.y) / (6.0 * d + e)), d / (q.x + e), q.x);
}

float3 hsv2rgb(float3 c)
{
	float4 k = float4(1.0, 2.0 / 3.0, 1.0 / 3.0, 3.0);
	float3 p = abs(frac(c.xxx + k.xyz) * 6.0 - k.www);
	return c.z * lerp(k.xxx, clamp(p - k.xxx, 0.0, 1.0), c.y);
}

float max3(float3 c)
{
	return max(c.r, max(c.g, c.b));
}

// Sum of how much darker than the key colour c is, over r, g and b.
float shadow_sum(float3 c)
{
	return ((1.0 - c.r) - (1.0 - Key_color.r)) + ((1.0 - c.g) - (1.0 - Key_color.g)) +
	       ((1.0 - c.b) - (1.0 - Key_color.b));
}

float4 mainImage(VertData v_in) : TARGET
{
	float Prekey_despill2 = (1000.0 + Prekey_despill) * 0.0002;
	float Prekey_saturate2 = (1000.0 + Prekey_saturate) * 0.002;
	float Matte_white2 = (1000.0 + Matte_white) * 0.001;
	float Matte_black2 = (1000.0 + Matte_black) * 0.005;
	float Matte_highlights2 = (1000.0 + Matte_highlights) * 0.0005;
	float Matte_shadows2 = (1000.0 + Matte_shadows) * 0.002;
	float Matte_black_shadows2 = (1000.0 + Shadows) * 0.002;
	float Shadow_Gradient_Position2 = Shadow_Gradient_Position + 1000.0 - 0.5 * (Shadow_Gradient_Softness + 1000.0);
	float Shadow_Gradient_Position3 = Shadow_Gradient_Position + 1000.0 + 0.5 * (Shadow_Gradient_Softness + 1000.0);
	float Spill_reduction2 = (1000.0 + Spill_reduction) * 0.0005;
	float Spill_balance2 = (1000.0 + Spill_balance) * 0.0005;
	float Spill_unpremultiply2 = (1000.0 + Spill_unpremultiply) * 0.001;
	float Premultiply2 = (1000.0 + Premultiply) * 0.001;
	float dx = 1.0 / uv_size.x;
	float dy = 1.0 / uv_size.y;
	float dx2 = 0.000002 * Matte_offset_x;
	float dy2 = 0.000002 * Matte_offset_y;
	float safe_left = Safe_left / 1000.0;
	float safe_right = Safe_right / 1000.0;
	float safe_top = Safe_top / 1000.0;
	float safe_bottom = Safe_bottom / 1000.0;

	float2 uv = v_in.uv;
	float4 unkeyed = image.Sample(textureSampler, uv);
	float4 raw = unkeyed;
	float2 o = uv + float2(dx2, dy2);
	float4 color = image.Sample(textureSampler, o);

	// Safe area: passed through unkeyed.
	if (uv.x >= safe_left && uv.x <= safe_right && uv.y >= safe_top && uv.y <= safe_bottom)
		return unkeyed;

	// Edge smoothing: 3x3 kernel, 1 at the centre and the edges, 0.5 at the corners.
	if (Matte_antialising) {
		float4 edges = color + image.Sample(textureSampler, o + float2(0.0, -dy)) +
			       image.Sample(textureSampler, o + float2(-dx, 0.0)) +
			       image.Sample(textureSampler, o + float2(dx, 0.0)) +
			       image.Sample(textureSampler, o + float2(0.0, dy));
		float4 corners = image.Sample(textureSampler, o + float2(-dx, -dy)) +
				 image.Sample(textureSampler, o + float2(dx, -dy)) +
				 image.Sample(textureSampler, o + float2(-dx, dy)) +
				 image.Sample(textureSampler, o + float2(dx, dy));
		color = (edges + 0.5 * corners) / 7.0;
		color.g = lerp(color.g, raw.g, 0.5);
	}

	// Key colour, from the uniform or from the reference picture.
	float4 key2 = Key_color;
	if (Use_reference_image) {
		key2 = Reference_image.Sample(matteSampler, uv);
		color.rgb = lerp(color.rgb, float3(1.0, 1.0, 1.0) - key2.rgb, 0.5);
		color.rgb = color.rgb + 0.5 * Key_color.rgb;
		color.rgb = color.rgb * 2.0;
		color.rgb = color.rgb - 1.0;
	}

	// Rotate hues so that the key lands on green.
	float3 color_hsv = rgb2hsv(color.rgb);
	float3 key_hsv = rgb2hsv(key2.rgb);
	float3 raw_hsv = rgb2hsv(raw.rgb);
	float hueOffset = 0.33333 - key_hsv.x;
	color_hsv.x += hueOffset;
	key_hsv.x += hueOffset;
	raw_hsv.x += hueOffset;
	color_hsv.y *= 1.0 + Prekey_saturate2;
	key_hsv.y *= 1.0 + Prekey_saturate2;
	color.rgb = hsv2rgb(color_hsv);
	key2.rgb = hsv2rgb(key_hsv);
	raw.rgb = hsv2rgb(raw_hsv);

	float4 PrekeyFG = color;
	PrekeyFG.r += Prekey_despill2;
	PrekeyFG.b += Prekey_despill2;
	color.r += Prekey_despill2;
	color.b += Prekey_despill2;

	// Key value: high where the pixel matches the key.
	if (Use_alternate_key_method) {
		float Y = 0.299 * color.r + 0.587 * color.g + 0.114 * color.b;
		float U = (color.b - Y) * 0.565 + 0.5;
		float V = (color.r - Y) * 0.713 + 0.5;
		float Y2 = 0.299 * key2.r + 0.587 * key2.g + 0.114 * key2.b;
		float U2 = (key2.b - Y2) * 0.565 + 0.5;
		float V2 = (key2.r - Y2) * 0.713 + 0.5;
		color.a = 1.0 - 2.0 * max(abs(U / U2 - 1.0), abs(V / V2 - 1.0));
	} else {
		color.a = color.g - max(color.r + Prekey_despill2, color.b + Prekey_despill2);
	}
	if (Matte_highlights2 > 0.0)
		color.a -= Matte_highlights2 * saturate((color.r - Key_color.r) + (color.g - Key_color.g) +
							(color.b - Key_color.b));
	if (Matte_shadows2 > 0.0)
		color.a -= Matte_shadows2 * saturate(shadow_sum(color.rgb));
	float BlackShadows_a = 1.0;
	if (Matte_black_shadows2 > 0.0)
		BlackShadows_a = Matte_black_shadows2 * saturate(shadow_sum(color.rgb));

	// Black and white points turn the key value into opacity.
	float a = color.a * Matte_black2;
	a = 1.0 - a;
	a = saturate(a * Matte_white2);

	// Colour recovery.
	if (a == 1.0)
		color.rgb = raw.rgb;
	else if (a != 0.0) {
		if (Premultiply2 < 1.0)
			color.rgb = lerp(raw.rgb / a, raw.rgb, Premultiply2);
		else
			color.rgb = lerp(raw.rgb, raw.rgb * a, Premultiply2 - 1.0);
	}

	// Spill un-premultiply: takes the key's share out of what the key shows
	// through, so it is weighted by the transparency (an opaque pixel holds
	// no key colour to take out). A channel the key does not have is left
	// as it is: dividing by its 0 would turn every pixel into NaN.
	float rb = lerp(color.r, color.b, Spill_balance2);
	float s3 = color.g > rb ? color.g - rb : 0.0;
	float3 key_divisor = Key_color.rgb + step(Key_color.rgb, float3(0.0, 0.0, 0.0));
	color.rgb = lerp(color.rgb, color.rgb / key_divisor, Spill_unpremultiply2 * s3 * (1.0 - a));

	// Kept shadows.
	if (Matte_black_shadows2 > 0.0) {
		BlackShadows_a = saturate(BlackShadows_a);
		if (Use_shadow_matte) {
			float4 m = Shadow_matte.Sample(matteSampler, uv);
			BlackShadows_a = clamp(BlackShadows_a - (1.0 - max3(m.rgb)), 0.0, 1.0);
			color.rgb = lerp(color.rgb, lerp(float3(0.0, 0.0, 0.0), a * raw.rgb, a), BlackShadows_a);
		} else {
			// Vertical ramp over a screen height of 2000; a ramp of zero
			// width is a hard edge (nothing at or above it, all below).
			float ramp_y = uv.y * 2000.0;
			float ramp_width = Shadow_Gradient_Position3 - Shadow_Gradient_Position2;
			float t = ramp_width != 0.0
					  ? clamp((ramp_y - Shadow_Gradient_Position2) / ramp_width, 0.0, 1.0)
					  : (ramp_y > Shadow_Gradient_Position2 ? 1.0 : 0.0);
			BlackShadows_a = BlackShadows_a * t;
			color.rgb = lerp(color.rgb, lerp(float3(0.0, 0.0, 0.0), color.rgb, a), BlackShadows_a);
		}
		a = saturate(a + BlackShadows_a);
	}

	// Spill reduction.
	if (Spill_reduction2 < 0.25) {
		rb = max(color.r, color.b);
		if (color.g > rb)
			color.g = lerp(color.g, rb, Spill_reduction2 * 4.0);
	} else if (Spill_reduction2 < 0.5) {
		rb = lerp(max(color.r, color.b), lerp(color.r, color.b, Spill_balance2), (Spill_reduction2 - 0.25) * 4.0);
		if (color.g > rb)
			color.g = rb;
	} else {
		rb = lerp(lerp(color.r, color.b, Spill_balance2), min(color.r, color.b), (Spill_reduction2 - 0.5) * 2.0);
		if (color.g > rb)
			color.g = rb;
	}

	// Garbage and inside mattes; the alpha is not clamped after them.
	if (Use_garbage_matte) {
		float4 m = Garbage_matte.Sample(matteSampler, uv);
		a = a - (1.0 - max3(m.rgb));
	}
	if (Use_inside_matte) {
		float4 m = Inside_matte.Sample(matteSampler, uv);
		a = a + max3(m.rgb);
		if (Preserve_inside_color)
			color.rgb = lerp(color.rgb, raw.rgb, max3(m.rgb));
	}

	// Keying only ever removes opacity: what the input does not cover (a
	// transparent source, the filter's margins) stays transparent.
	a = a * unkeyed.a;

	// Views.
	if (Show_Alpha) {
		color = float4(a, a, a, 1.0);
		a = 1.0;
	}
	if (Show_PrekeyFG) {
		color = float4(PrekeyFG.rgb, 1.0);
		a = 1.0;
	}
	if (Show_ProcessedFG)
		a = 1.0;

	if (a == 0.0)
		color.rgb = float3(0.0, 0.0, 0.0);

	// Undo the hue rotation.
	float3 out_hsv = rgb2hsv(color.rgb);
	out_hsv.x -= hueOffset;
	color.rgb = hsv2rgb(out_hsv);

	// A key colour (or reference pixel) with alpha 0 switches keying off.
	if (key2.a == 0.0)
		return unkeyed;

	return float4(color.r, color.g, color.b, a);
}
