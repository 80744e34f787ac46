// HTML named character references in text from the service, replaced by their
// characters only when a text is about to be drawn. Stores and files keep the
// references as they came.
#pragma once
#include <cstdint>

struct EntityRow {
    const wchar_t* name;   // without "&" and ";", case as in HTML
    uint32_t code;         // one UTF-16 code unit (every code point is below 0x10000)
};

// The 252 references of HTML 4.01 in a fixed order (quot amp lt gt, the
// Latin-1 set, the symbol set, the rest of the special set), ended by a row
// whose name is null. The search is linear from the top, so the order matters
// only for speed, but it is kept as the system has always had it.
constexpr int kEntityCount = 252;
extern const EntityRow EntityTable[kEntityCount + 1];

// Replaces every named reference found in the NUL-terminated text by its
// character, in place; the text never grows. One level only: a character that
// came from a reference is never looked at again. Names are matched exactly
// (case-sensitive); numeric references and a "&" without a later ";" stay.
// wchar_t is 16-bit on the handset and 32-bit natively; both work.
void DecodeEntities(wchar_t* text);
void DecodeEntities(char16_t* text);
