// Display text with character references: the one-pass decoder against the
// plain form (replace, move the rest up, go on after the new character), in
// both the 16-bit and the native wide form.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/entities.h"

namespace {

std::u16string reference_decode(std::u16string s)
{
    size_t pos = 0;
    for (;;) {
        size_t amp = s.find(u'&', pos);
        if (amp == std::u16string::npos) return s;
        size_t semi = s.find(u';', amp + 1);
        if (semi == std::u16string::npos) {
            pos = amp + 1;
            continue;
        }
        std::u16string name = s.substr(amp + 1, semi - amp - 1);
        const EntityRow* hit = nullptr;
        for (const EntityRow* row = EntityTable; row->name; ++row) {
            std::u16string rowName;
            for (const wchar_t* p = row->name; *p; ++p) rowName += static_cast<char16_t>(*p);
            if (rowName == name) {
                hit = row;
                break;
            }
        }
        if (!hit) {
            pos = amp + 1;
            continue;
        }
        s.replace(amp, semi - amp + 1, 1, static_cast<char16_t>(hit->code));
        pos = amp + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // UTF-16LE units; a zero unit ends the text as it would on screen.
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t u = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (u == 0) break;
        text += u;
    }
    std::u16string narrow = text;
    DecodeEntities(narrow.data());
    std::u16string got(narrow.c_str());

    std::wstring wide(text.begin(), text.end());
    DecodeEntities(wide.data());
    std::u16string gotWide;
    for (const wchar_t* p = wide.c_str(); *p; ++p) gotWide += static_cast<char16_t>(*p);

    std::u16string want = reference_decode(text);
    if (got != want || gotWide != want || got.size() > text.size()) std::abort();
    return 0;
}
