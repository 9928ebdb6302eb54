// The host's file system as the matting filter's effect loader reaches it.
#pragma once

#include "effect-loader.h"

// Reads regular files only, never waiting on one (read_text_file), resolves
// with the host's absolute paths, and logs warnings with the filter's
// prefix.
const effect_file_access &matting_file_access();
