#include "app/dialogtexts.h"

#include "store/settingsline.h"

std::wstring free_memory_text(uint64_t availableBytes)
{
    return L"使用可能メモリ:" + std::to_wstring(availableBytes / 1024) + L"KB";
}

int32_t dialog_number(const wchar_t* text)
{
    size_t length = 0;
    while (length < kDialogTextChars && text[length] != L'\0') ++length;
    return settings_number(text, length);
}
