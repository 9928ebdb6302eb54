// Parameters of every kind of panel control (tests/host/test-matting-panel.cpp).
uniform float Matte_offset_x;
uniform float ranged <string widget_type = "slider"; float minimum = 0.0; float maximum = 2.0; float step = 0.5;> = 1.0;
uniform int float_ranged_int <float minimum = 2.0; float maximum = 8.0; float step = 2.0;>;
uniform int choice <string widget_type = "select"; int option_0 = 10; string option_0_label = "ten"; int option_1 = 20; int option_2 = 30;>;
uniform string note <string widget_type = "info";> = "hi";
uniform bool flag <string label = "A flag"; string group = "Look";>;
uniform float a <string group = "Look";>;
uniform float b <string group = "Other";>;
// A group text that names another property cannot be a box.
uniform float d <string group = "shader_text";>;
uniform float2 offset <string option_0 = "Across"; string option_1 = "Down";>;
uniform float2 scale;
uniform float3 tint3;
uniform float4 tint4 <string widget_type = "slider";>;
float4 mainImage(VertData v_in) : TARGET
{
	return image.Sample(textureSampler, v_in.uv);
}
