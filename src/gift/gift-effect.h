// The alpha-packed video effect of the gift overlay filter: it turns a frame
// that carries the alpha mask in one half and the colour picture in the
// other into one picture with transparency.
#pragma once

#include <graphics/graphics.h>

#ifdef __cplusplus
extern "C" {
#endif

// Effect text in the host's effect language, compiled once per filter: the
// file gift.effect, built into the module byte for byte. Five techniques:
// "Draw" shows the part of the frame that mul_val/add_val select; the four
// others recombine a packed frame. Which half carries what is decided by
// GetStereoScaleOffset: with the defaults (left-right packing) "left eye" is
// the left half and the other eye the right half; with top-bottom packing
// the other eye is the top half.
extern const char *const GIFT_EFFECT_TEXT;

// The technique the filter draws: colour from the right half, alpha from
// the red channel of the left half.
#define GIFT_EFFECT_TECHNIQUE "DrawHorizontalAlphaLeft"

// Compiles GIFT_EFFECT_TEXT. Call inside the graphics context. Null, with
// the compiler's message in the host log, when it does not compile.
gs_effect_t *gift_effect_create(void);

// Sets the packing uniforms to their defaults (left-right packing). The host
// forgets values set on an effect when a technique ends: call it before
// every draw.
void gift_effect_set_packing(gs_effect_t *effect);

#ifdef __cplusplus
}
#endif
