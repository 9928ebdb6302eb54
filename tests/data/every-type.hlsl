// Parameters of every type (tests/host/test-matting-params.cpp).
uniform bool flag = true;
uniform float amount<string widget_type = "slider"; float minimum = 0.0; float maximum = 2.0;> = 0.25;
uniform int count = -3;
uniform string notes<string widget_type = "info";> = "hello";
uniform float2 offset = {0.5, 0.25};
uniform float3 tint_slider<string widget_type = "slider";> = {0.1, 0.2, 0.3};
uniform float3 tint = {0.505882, 0.772549, 0.196078};
uniform float4 key_color = {0.505882, 0.772549, 0.196078, 1.0};
uniform float4 no_default;
uniform float4 tint_capital<string widget_type = "Slider";> = {0.0, 0.0, 1.0, 1.0};
uniform int mode<string widget_type = "select"; int option_0 = 10; int option_1 = 20; int option_0 = 5;> = 10;
uniform int2 pair;
uniform float4x4 matrix_param;
uniform texture2d image_a;
