// A guard in front of the host's effect compiler. The compiler crashes or
// hangs the whole host process on some malformed texts instead of
// returning an error; every text is checked here before it is compiled.
// Pure text: no host types.
#pragma once

#include <string>

// True when text may be handed to the host's effect compiler. Otherwise
// false, with a reason a shader author understands (the construct and, where
// it can, the line) in *reason.
bool effect_text_is_safe(const std::string &text, std::string *reason);
