// Display text with character references: the one-pass decoder against the
// plain form (replace, move the rest up, go on after the new character), in
// both the 16-bit and the native wide form; and the way back for the files,
// which must give the same text when decoded again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/charrefs.h"
#include "reader/entities.h"

namespace {

// A numeric reference's name ("#" digits or "#x" hex digits) as the UTF-16
// units of its character; empty when it names none.
std::u16string numeric_units(const std::u16string& name)
{
    if (name.size() < 2 || name[0] != u'#') return {};
    const bool hex = name[1] == u'x' || name[1] == u'X';
    std::u16string digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return {};
    unsigned long long code = 0;
    for (char16_t c : digits) {
        int d = c >= u'0' && c <= u'9' ? c - u'0'
                : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
                : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10
                : -1;
        if (d < 0) return {};
        code = code * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (code > 0x10FFFF) return {};
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return {};
    if (code < 0x10000) return std::u16string(1, static_cast<char16_t>(code));
    code -= 0x10000;
    return {static_cast<char16_t>(0xD800 + (code >> 10)), static_cast<char16_t>(0xDC00 + (code & 0x3FF))};
}

// What the files' code page is taken to hold here: ASCII, as code page 932
// does, and every even unit beyond it that is not a surrogate; never a pair.
bool ascii_or_even(const char16_t* units, size_t count)
{
    const char16_t u = units[0];
    return count == 1 && (u < 0x80 || (u % 2 == 0 && (u < 0xD800 || u > 0xDFFF)));
}

// Whether half of a surrogate pair stands alone (no log or reference gives one).
bool has_lone_surrogate(const std::u16string& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] < 0xD800 || s[i] > 0xDFFF) continue;
        if (s[i] > 0xDBFF || i + 1 == s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return true;
        ++i;
    }
    return false;
}

std::u16string decoded(std::u16string s)
{
    DecodeEntities(s.data());
    return std::u16string(s.c_str());
}

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
        std::u16string numeric = numeric_units(name);
        if (!numeric.empty()) {
            s.replace(amp, semi - amp + 1, numeric);
            pos = amp + numeric.size();
            continue;
        }
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

    // Shown, written back to a file and shown again: nothing in the file
    // that the code page lacks or that would end its line, and the same text
    // when it is decoded.
    std::u16string stored = encode_references(got, ascii_or_even);
    for (size_t i = 0; i < stored.size(); ++i)
        if (stored[i] < 0x20 || stored[i] == 0x7F || !ascii_or_even(&stored[i], 1)) std::abort();
    if (!has_lone_surrogate(got) && decoded(stored) != decoded(got)) std::abort();
    return 0;
}
