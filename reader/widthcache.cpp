#include "reader/widthcache.h"

#include <cstring>

uint8_t BodyWidthCache[kWidthCacheSize];
uint8_t BoldWidthCache[kWidthCacheSize];

void clear_width_caches()
{
    std::memset(BodyWidthCache, 0, sizeof BodyWidthCache);
    std::memset(BoldWidthCache, 0, sizeof BoldWidthCache);
}
