// Registration of the module's three plugin objects. Each subsystem fills
// and registers its own callback table; the module frame decides the order.
#pragma once

#include "plugin-ids.h"

#include <obs-module.h>

// Registers "velmora-gift" (src/gift).
void register_gift_filter(void);

// Registers "velmora-rgb-cam" (src/vcam).
void register_vcam_output(void);

// Registers "velmora-matting" (src/matting).
void register_matting_filter(void);

// The module's own output instance is named like its type: VCAM_OUTPUT_ID.
