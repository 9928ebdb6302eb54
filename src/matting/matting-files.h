// The host's file system as the matting filter's effect loader reaches it.
#pragma once

#include "effect-loader.h"

// Reads with the host's UTF-8 reader, resolves with the host's absolute
// paths, and logs warnings with the filter's prefix.
const effect_file_access &matting_file_access();
