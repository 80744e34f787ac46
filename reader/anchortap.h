// What a tap on a drawn line follows: on a header, its number gives the
// answers and its ID the same-ID responses; on a body line, an anchor gives
// the responses it names. Byte-level, over the UTF-16 text as drawn.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/anchorindex.h"

// The responses a tap on unit `unit` of `text` opens; empty when it names
// none. `header`: the line is response `response`'s header line.
std::vector<int32_t> tapped_responses(const ConversationIndex& index, const std::u16string& text, bool header,
                                      int32_t response, size_t unit);
