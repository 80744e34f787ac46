// HTML character references in text from the service, named ("&gt;") and
// numeric ("&#12354;", "&#x3042;"), replaced by their characters only when a
// text is about to be shown. Stores and files keep the references as they
// came. The servers write every character that Shift-JIS lacks (emoji,
// hearts, Hangul) as a numeric reference.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// Replaces every reference found in the NUL-terminated text by its character,
// in place; the text never grows. One level only: a character that came from
// a reference is never looked at again. Names are matched exactly
// (case-sensitive). A numeric reference is "&#", decimal digits and ";" or
// "&#x" (or "&#X"), hexadecimal digits and ";"; a character above U+FFFF
// becomes its UTF-16 surrogate pair. A reference that names no character
// (zero, a surrogate, above U+10FFFF, no digits, a stray character) and a "&"
// without a later ";" stay as written. The result is UTF-16 code units, also
// where wchar_t is 32-bit (natively); on the handset it is 16-bit.
void DecodeEntities(wchar_t* text);
void DecodeEntities(char16_t* text);

// The character of the one reference whose name (what stands between "&" and
// ";": "gt", "#12354", "#x3042") is `name`, read as DecodeEntities reads it;
// 0 when it names none. For a reader that decodes as it converts.
uint32_t entity_code(std::string_view name);
