// The per-frame arithmetic of the tick, kept apart from the host so that it
// is tested on a bare record.
#pragma once

#include "matting-filter.h"

// loops runs up to this count and then on from its negation.
#define LOOPS_WRAP 4194304

// total_width/total_height (base size plus margins) and the texture-
// coordinate mapping that puts the target's own area at 0..1 inside the
// expanded output. A base width or height of 0 leaves nothing to map along
// that axis: scale 1, offset 0 and pixel interval 0, never a division by 0.
void tick_mapping(matting_filter *filter, uint32_t base_width,
		  uint32_t base_height);

// Marks start_time on the first tick after a build, then advances
// elapsed_time and loop_second, counting one loop per tick at most when
// loop_second passes 1.
void tick_clocks(matting_filter *filter, float seconds);

// The enable edge (enable_time) and the parent's active and showing timers,
// which restart from 0 whenever their condition breaks.
void tick_enable_state(matting_filter *filter, float seconds, bool enabled,
		       bool parent_active, bool parent_showing);
