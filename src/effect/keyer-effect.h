// The built-in keying effect (builtin/keyer.shader, built into the module
// byte for byte): the text a new matting filter compiles. It is
// an effect body for the standard template (it uses image, textureSampler,
// uv_size and VertData from there, and supplies mainImage for the "Draw"
// technique). Its 34 uniforms, with their annotations, are the keyer's
// settings.
#pragma once

// UTF-8 text of the effect body.
extern const char *const keyer_effect_text;
