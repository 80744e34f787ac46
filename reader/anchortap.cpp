#include "reader/anchortap.h"

#include "reader/anchorscan.h"

namespace {

// The header's number runs up to " :", its ID from " ID:" to the next blank,
// with the place after it ("[2/5]") counted in.
std::vector<int32_t> header_tap(const ConversationIndex& index, const std::u16string& text, int32_t response,
                                size_t unit)
{
    const size_t numberEnd = text.find(u" :");
    if (numberEnd != std::u16string::npos && unit < numberEnd) return follow(index, response, Follow::Replies);
    const size_t id = text.find(u" ID:");
    if (id == std::u16string::npos || unit <= id) return {};
    size_t end = text.find(u' ', id + 1);
    if (end != std::u16string::npos && text.compare(end, 2, u" [") == 0) end = text.find(u']', end);
    if (end == std::u16string::npos || unit <= end) return follow(index, response, Follow::SameId);
    return {};
}

}  // namespace

std::vector<int32_t> tapped_responses(const ConversationIndex& index, const std::u16string& text, bool header,
                                      int32_t response, size_t unit)
{
    if (header) return header_tap(index, text, response, unit);
    std::vector<int32_t> pieces, tapped;
    scan_anchors(
        text.data(), text.size(), wide_anchor_char,
        [&](int32_t low, int32_t high) { add_anchor_targets(pieces, 0, low, high); },
        [&](size_t begin, size_t end) {
            if (tapped.empty() && unit >= begin && unit < end) tapped = pieces;
            pieces.clear();
        });
    return tapped;
}
