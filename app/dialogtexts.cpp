#include "app/dialogtexts.h"

#include "app/settingsline.h"

std::wstring free_memory_text(uint64_t availableBytes)
{
    uint64_t kb = availableBytes / 1024;
    wchar_t digits[24];
    size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + kb % 10);
        kb /= 10;
    } while (kb != 0);
    std::wstring text = L"使用可能メモリ:";
    while (n > 0) text.push_back(digits[--n]);
    text += L"KB";
    return text;
}

int32_t dialog_number(const wchar_t* text)
{
    size_t length = 0;
    while (length < kDialogTextChars && text[length] != L'\0') ++length;
    return settings_number(text, length);
}

void copy_dialog_text(wchar_t* dst, size_t units, const wchar_t* src, size_t chars)
{
    if (units == 0) return;
    size_t n = 0;
    while (n < chars && n + 1 < units && src[n] != L'\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = L'\0';
}
