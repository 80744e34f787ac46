// The settings line reader and the written form: any file text must leave
// every text field terminated inside its width and every flag 0 or 1, and the
// written form must read back to itself (what is written is what loads).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/settingsline.h"

namespace {

void check_terminated(const wchar_t* field, size_t units)
{
    for (size_t i = 0; i < units; ++i)
        if (field[i] == L'\0') return;
    abort();
}

void check_flag(int32_t v)
{
    if (v != 0 && v != 1) abort();
}

// Splits at line feeds as the reader does, carriage returns dropped.
void load_text(SettingsRecord& s, const std::wstring& text)
{
    std::wstring line;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == L'\r') continue;
        if (i < text.size()) line += text[i];
        if (i == text.size() || text[i] == L'\n') {
            if (!line.empty()) settings_apply_line(s, line.data(), line.size());
            line.clear();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Bytes as characters; a pair of bytes above 0x80 stands for one wide
    // character so that non-ASCII values come up too.
    std::wstring text;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] >= 0x80 && i + 1 < size) {
            text += static_cast<wchar_t>((data[i] << 8) | data[i + 1]);
            ++i;
        } else {
            text += static_cast<wchar_t>(data[i]);
        }
    }

    SettingsRecord s{};
    settings_defaults(s);
    s.SortNew = 1;
    load_text(s, text);
    check_terminated(s.BBSTable, kSettingsTextUnits);
    check_terminated(s.LogDir, kSettingsTextUnits);
    check_terminated(s.Font, kSettingsTextUnits);
    check_terminated(s.ProxyName, kProxyNameUnits);
    for (int32_t flag : {s.ProxyUse, s.UseThreadMax, s.LogOnlyMode, s.LineOnOff, s.UseServerDir,
                         s.ToolBarVisible, s.DebugMode, static_cast<int32_t>(s.VentCtrl)})
        check_flag(flag);
    if (s.BBSTable[0] == L'\0') abort();

    std::wstring written = settings_written_form(s);
    size_t lines = 0;
    for (wchar_t c : written) lines += c == L'\n';
    if (lines != static_cast<size_t>(kSettingsLineCount) || written.back() != L'\n') abort();

    SettingsRecord back{};
    settings_defaults(back);
    load_text(back, written);
    if (settings_written_form(back) != written) abort();

    settings_logdir_is_absolute(s.LogDir);
    settings_path_stem(text);
    settings_program_directory(text);
    return 0;
}
