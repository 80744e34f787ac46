#include "reader/anchorscan.h"

#include <cstring>

namespace {

constexpr AnchorChar kEnd{AnchorUnit::Other, 0, 0};

bool sjis_lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

AnchorChar ascii_char(unsigned c)
{
    if (c == '>') return {AnchorUnit::Lead, 0, 1};
    if (c >= '0' && c <= '9') return {AnchorUnit::Digit, static_cast<int>(c - '0'), 1};
    if (c == '-') return {AnchorUnit::Dash, 0, 1};
    if (c == ',') return {AnchorUnit::Comma, 0, 1};
    return {AnchorUnit::Other, 0, 1};
}

}  // namespace

AnchorChar sjis_anchor_char(const char* text, size_t length, size_t at)
{
    if (at >= length) return kEnd;
    const unsigned char b = static_cast<unsigned char>(text[at]);
    if (b == '&' && length - at >= 4 && std::memcmp(text + at, "&gt;", 4) == 0) return {AnchorUnit::Lead, 0, 4};
    if (!sjis_lead_byte(b) || length - at < 2) return ascii_char(b);
    const unsigned char t = static_cast<unsigned char>(text[at + 1]);
    if (b == 0x82 && t >= 0x4F && t <= 0x58) return {AnchorUnit::Digit, t - 0x4F, 2};   // ０..９
    if (b == 0x81) {
        if (t == 0x84) return {AnchorUnit::Lead, 0, 2};                   // ＞
        if (t == 0x7C || t == 0x60) return {AnchorUnit::Dash, 0, 2};      // － 〜
        if (t == 0x43) return {AnchorUnit::Comma, 0, 2};                  // ，
    }
    return {AnchorUnit::Other, 0, 2};
}

AnchorChar wide_anchor_char(const char16_t* text, size_t length, size_t at)
{
    if (at >= length) return kEnd;
    const char16_t c = text[at];
    if (c < 0x80) return ascii_char(c);
    if (c == u'＞') return {AnchorUnit::Lead, 0, 1};
    if (c >= u'０' && c <= u'９') return {AnchorUnit::Digit, c - u'０', 1};
    if (c == u'－' || c == u'〜' || c == u'～' || c == u'−') return {AnchorUnit::Dash, 0, 1};
    if (c == u'，') return {AnchorUnit::Comma, 0, 1};
    return {AnchorUnit::Other, 0, 1};
}
