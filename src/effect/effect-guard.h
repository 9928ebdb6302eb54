// A guard in front of the host's effect compiler. The compiler crashes or
// hangs the whole host process on some malformed texts instead of
// returning an error; every text is checked here before it is compiled.
// Pure text: no host types.
//
// The guard models the host's lexer, preprocessor and effect parser (see
// guard-model.h). It takes the text exactly as it goes to
// gs_effect_create: a text that begins with "#define OPENGL" (the matting
// filter's OpenGL adaptation) is checked as the OpenGL back end sees it
// (_OPENGL defined), any other as Direct3D does (_D3D11 defined).
#pragma once

#include <string>

// True when text may be handed to the host's effect compiler. Otherwise
// false, with a reason a shader author understands (the construct and, where
// it can, the line, counted in text) in *reason.
bool effect_text_is_safe(const std::string &text, std::string *reason);
