#include "reader/entities_win.h"

#include <windows.h>

#include "base/codepage.h"
#include "reader/entities.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 window text");

namespace {

// Without best fit, a character the code page lacks is reported rather than
// written as a look-alike ("é" as "e").
bool fits_code_page(const char16_t* units, size_t count)
{
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(units),
                                      static_cast<int>(count), bytes, sizeof bytes, nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

}  // namespace

std::wstring title_for_file(const std::wstring& shown)
{
    const std::u16string encoded = encode_references(
        std::u16string_view(reinterpret_cast<const char16_t*>(shown.data()), shown.size()), fits_code_page);
    return std::wstring(reinterpret_cast<const wchar_t*>(encoded.data()), encoded.size());
}
