// Character widths of the two display fonts, measured once each and kept for
// drawing the response view: one byte per UTF-16 code unit, the width in
// pixels, 0 while not yet measured. Cleared whenever the fonts are made anew.
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/wrap.h"

constexpr size_t kWidthCacheSize = kWidthCacheUnits;

extern uint8_t BodyWidthCache[kWidthCacheSize];   // BodyFont
extern uint8_t BoldWidthCache[kWidthCacheSize];   // BoldFont

void clear_width_caches();
