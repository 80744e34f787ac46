#include "base/charrefs.h"

#include <cstdint>

std::u16string encode_references(std::u16string_view shown, FitsCodePage fits, ControlChars controls)
{
    std::u16string out;
    out.reserve(shown.size());
    for (size_t i = 0; i < shown.size();) {
        const char16_t* at = shown.data() + i;
        const bool pair = i + 1 < shown.size() && at[0] >= 0xD800 && at[0] <= 0xDBFF && at[1] >= 0xDC00 &&
                          at[1] <= 0xDFFF;
        const size_t count = pair ? 2 : 1;
        const bool control = at[0] < 0x20 || at[0] == 0x7F;
        const bool keptControl = control && controls == ControlChars::Keep;
        if (keptControl || (!control && fits && fits(at, count))) {
            out.append(at, count);
        } else {
            const uint32_t code = pair ? 0x10000 + ((at[0] - 0xD800u) << 10) + (at[1] - 0xDC00u) : at[0];
            out += u"&#";
            for (char digit : std::to_string(code)) out += static_cast<char16_t>(digit);
            out += u';';
        }
        i += count;
    }
    return out;
}
