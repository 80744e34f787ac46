#include "base/codepage.h"

#include <cstring>
#include <cwchar>

int mb_to_wide(wchar_t* dst, const char* src, int wsize)
{
    if (dst == nullptr || wsize < 1) return 0;
    if (src == nullptr) {
        dst[0] = L'\0';
        return 0;
    }
    int n = MultiByteToWideChar(kCodePage, MB_PRECOMPOSED, src, -1, dst, wsize);
    if (n > 0) return n;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        dst[0] = L'\0';
        return 0;
    }
    // Too long: keep the whole characters that fit before the terminator.
    int room = wsize - 1;
    int units = 0;
    size_t cut = 0;
    size_t length = strlen(src);
    for (size_t i = 0; i < length;) {
        bool lead = IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(src[i])) && i + 1 < length;
        int chunk = lead ? 2 : 1;
        int need = MultiByteToWideChar(kCodePage, MB_PRECOMPOSED, src + i, chunk, nullptr, 0);
        if (need <= 0 || units + need > room) break;
        units += need;
        i += chunk;
        cut = i;
    }
    n = cut == 0 ? 0
                 : MultiByteToWideChar(kCodePage, MB_PRECOMPOSED, src, static_cast<int>(cut), dst,
                                       room);
    if (n < 0 || n > room) n = 0;
    dst[n] = L'\0';
    return n + 1;
}

int wide_to_mb(char* dst, const wchar_t* src, int size)
{
    if (dst == nullptr || size < 1) return 0;
    if (src == nullptr) {
        dst[0] = '\0';
        return 0;
    }
    int n = WideCharToMultiByte(kCodePage, 0, src, -1, dst, size, nullptr, nullptr);
    if (n > 0) return n;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        dst[0] = '\0';
        return 0;
    }
    int room = size - 1;
    int bytes = 0;
    size_t cut = 0;
    size_t length = wcslen(src);
    for (size_t i = 0; i < length;) {
        // A surrogate pair is one character and is never split.
        bool pair = src[i] >= 0xD800 && src[i] <= 0xDBFF && i + 1 < length &&
                    src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF;
        int chunk = pair ? 2 : 1;
        int need = WideCharToMultiByte(kCodePage, 0, src + i, chunk, nullptr, 0, nullptr, nullptr);
        if (need <= 0 || bytes + need > room) break;
        bytes += need;
        i += chunk;
        cut = i;
    }
    n = cut == 0 ? 0
                 : WideCharToMultiByte(kCodePage, 0, src, static_cast<int>(cut), dst, room, nullptr,
                                       nullptr);
    if (n < 0 || n > room) n = 0;
    dst[n] = '\0';
    return n + 1;
}

bool wide_to_mb_whole(char* dst, const wchar_t* src, size_t size)
{
    if (dst == nullptr || size < 1) return false;
    if (src == nullptr) {
        dst[0] = '\0';
        return true;
    }
    if (wcslen(src) >= size) return false;   // every character takes a byte at least
    int need = WideCharToMultiByte(kCodePage, 0, src, -1, nullptr, 0, nullptr, nullptr);
    if (need <= 0 || static_cast<size_t>(need) > size) return false;
    return WideCharToMultiByte(kCodePage, 0, src, -1, dst, need, nullptr, nullptr) == need;
}

std::wstring mb_to_wstring(const char* src)
{
    if (src == nullptr) return std::wstring();
    // A byte never becomes more than one unit, so nothing is cut.
    std::wstring out(strlen(src) + 1, L'\0');
    if (mb_to_wide(&out[0], src, static_cast<int>(out.size())) == 0) return std::wstring();
    out.resize(wcslen(out.c_str()));
    return out;
}

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 window text");

bool fits_code_page(const char16_t* units, size_t count)
{
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(units),
                                      static_cast<int>(count), bytes, sizeof bytes, nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

std::wstring with_references_for_unheld(std::wstring_view text, ControlChars controls)
{
    const std::u16string encoded = encode_references(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()), fits_code_page, controls);
    return std::wstring(reinterpret_cast<const wchar_t*>(encoded.data()), encoded.size());
}
