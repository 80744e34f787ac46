#include "store/settingsline.h"

#include <climits>
#include <cstring>

const wchar_t kDefaultBBSTable[] = L"http://menu.2ch.net/bbsmenu.html";

void copy_settings_text(wchar_t* dst, size_t units, const wchar_t* src, size_t chars)
{
    if (units == 0) return;
    size_t n = 0;
    while (n < chars && n + 1 < units && src[n] != L'\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = L'\0';
}

namespace {

void copy_text(wchar_t* field, size_t units, const wchar_t* src)
{
    size_t length = 0;
    while (src[length] != L'\0') ++length;
    copy_settings_text(field, units, src, length);
}

bool is_blank(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

bool key_is(const wchar_t* key, size_t length, const char* name)
{
    size_t n = std::strlen(name);
    if (n != length) return false;
    for (size_t i = 0; i < n; ++i)
        if (key[i] != static_cast<wchar_t>(name[i])) return false;
    return true;
}

int32_t flag(int32_t n) { return n != 0 ? 1 : 0; }

enum class Kind { Text, Number, Flag };

struct KeyLine {
    const char* key;
    Kind kind;
};

// File order of the written form.
const KeyLine kKeys[kSettingsKeyCount] = {
    {"BBSTable", Kind::Text},     {"LogDir", Kind::Text},         {"Font", Kind::Text},
    {"FontSize", Kind::Number},   {"ProxyName", Kind::Text},      {"ProxyPort", Kind::Number},
    {"ProxyUse", Kind::Flag},     {"ThreadMax", Kind::Number},    {"UseThreadMax", Kind::Flag},
    {"LogOnlyMode", Kind::Flag},  {"LineOnOff", Kind::Flag},      {"UseServerDir", Kind::Flag},
    {"ToolBarVisible", Kind::Flag}, {"DebugMode", Kind::Flag},    {"Flag", Kind::Number},
    {"SureLines", Kind::Number},  {"SortNew", Kind::Number},      {"VentCtrl", Kind::Flag},
    {"NgLapseDays", Kind::Number}, {"NgTransparent", Kind::Flag}, {"NgChain", Kind::Flag},
};

// The text field of key line `index`, with its width; null for numbers.
const wchar_t* text_field(const SettingsRecord& s, int index, size_t* units)
{
    switch (index) {
    case 0: *units = kSettingsTextUnits; return s.BBSTable;
    case 1: *units = kSettingsTextUnits; return s.LogDir;
    case 2: *units = kSettingsTextUnits; return s.Font;
    case 4: *units = kProxyNameUnits; return s.ProxyName;
    default: *units = 0; return nullptr;
    }
}

int32_t number_field(const SettingsRecord& s, int index)
{
    switch (index) {
    case 3: return s.FontSize;
    case 5: return s.ProxyPort;
    case 6: return s.ProxyUse;
    case 7: return s.ThreadMax;
    case 8: return s.UseThreadMax;
    case 9: return s.LogOnlyMode;
    case 10: return s.LineOnOff;
    case 11: return s.UseServerDir;
    case 12: return s.ToolBarVisible;
    case 13: return s.DebugMode;
    case 14: return s.Flag;
    case 15: return s.SureLines;
    case 16: return s.SortNew;
    case 17: return s.VentCtrl;
    case 18: return s.NgLapseDays;
    case 19: return s.NgTransparent;
    case 20: return s.NgChain;
    default: return 0;
    }
}

}  // namespace

void settings_defaults(SettingsRecord& s)
{
    copy_text(s.LogDir, kSettingsTextUnits, L"log");
    copy_text(s.Font, kSettingsTextUnits, L"Fixed");
    s.ProxyName[0] = L'\0';
    s.ProxyUse = 0;
    s.ProxyPort = 8080;
    s.ThreadMax = 100;
    s.UseThreadMax = 0;
    s.NgLapseDays = 2;
    s.NgTransparent = 0;
    s.NgChain = 1;
    copy_text(s.BBSTable, kSettingsTextUnits, kDefaultBBSTable);
}

int32_t settings_number(const wchar_t* text, size_t length)
{
    size_t i = 0;
    while (i < length && is_blank(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < length && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(value);
}

bool settings_apply_line(SettingsRecord& s, const wchar_t* line, size_t length)
{
    // The line is text: it ends at a NUL, as the reader's string would.
    for (size_t i = 0; i < length; ++i)
        if (line[i] == L'\0') length = i;
    if (length == 0 || line[0] == L'\n') return false;
    --length;   // the line feed, or the last character of an unterminated last line

    size_t colon = 0;
    while (colon < length && line[colon] != L':') ++colon;
    if (colon == length) return false;   // no key: ignored

    const wchar_t* key = line;
    size_t keyLength = colon;
    size_t v = colon + 1;
    while (v < length && line[v] == L' ') ++v;
    const wchar_t* value = line + v;
    size_t valueLength = length - v;

    if (key_is(key, keyLength, "BBSTable")) {
        if (valueLength == 0)
            copy_text(s.BBSTable, kSettingsTextUnits, kDefaultBBSTable);
        else
            copy_settings_text(s.BBSTable, kSettingsTextUnits, value, valueLength);
        return true;
    }
    if (key_is(key, keyLength, "LogDir")) {
        copy_settings_text(s.LogDir, kSettingsTextUnits, value, valueLength);
        return true;
    }
    if (key_is(key, keyLength, "Font")) {
        copy_settings_text(s.Font, kSettingsTextUnits, value, valueLength);
        return true;
    }
    if (key_is(key, keyLength, "ProxyName")) {
        copy_settings_text(s.ProxyName, kProxyNameUnits, value, valueLength);
        return true;
    }

    int32_t n = settings_number(value, valueLength);
    struct NumberKey { const char* key; int32_t* field; bool isFlag; };
    const NumberKey numbers[] = {
        {"FontSize", &s.FontSize, false},       {"ProxyPort", &s.ProxyPort, false},
        {"ThreadMax", &s.ThreadMax, false},     {"Flag", &s.Flag, false},
        {"SureLines", &s.SureLines, false},     {"SortNew", &s.SortNew, false},
        {"ProxyUse", &s.ProxyUse, true},        {"UseThreadMax", &s.UseThreadMax, true},
        {"LineOnOff", &s.LineOnOff, true},      {"UseServerDir", &s.UseServerDir, true},
        {"LogOnlyMode", &s.LogOnlyMode, true},  {"ToolBarVisible", &s.ToolBarVisible, true},
        {"DebugMode", &s.DebugMode, true},      {"NgLapseDays", &s.NgLapseDays, false},
        {"NgTransparent", &s.NgTransparent, true}, {"NgChain", &s.NgChain, true},
    };
    for (const NumberKey& k : numbers) {
        if (key_is(key, keyLength, k.key)) {
            *k.field = k.isFlag ? flag(n) : n;
            return true;
        }
    }
    if (key_is(key, keyLength, "VentCtrl")) {
        s.VentCtrl = static_cast<uint8_t>(flag(n));
        return true;
    }
    return false;
}

std::wstring settings_written_line(const SettingsRecord& s, int index)
{
    if (index < 0 || index >= kSettingsKeyCount) return L"\n";
    const KeyLine& k = kKeys[index];
    std::wstring line;
    for (const char* p = k.key; *p; ++p) line += static_cast<wchar_t>(*p);
    line += L": ";
    if (k.kind == Kind::Text) {
        size_t units = 0;
        const wchar_t* text = text_field(s, index, &units);
        // A value is one line of the file: it ends at its terminator, at the
        // end of its field, or at a line break that would start a new line.
        for (size_t i = 0; i < units && text[i] != L'\0' && text[i] != L'\n' && text[i] != L'\r'; ++i)
            line += text[i];
    } else {
        int32_t n = number_field(s, index);
        if (k.kind == Kind::Flag) n = flag(n);
        line += std::to_wstring(n);
    }
    line += L'\n';
    return line;
}

std::wstring settings_written_form(const SettingsRecord& s)
{
    std::wstring all;
    for (int i = 0; i < kSettingsLineCount; ++i) all += settings_written_line(s, i);
    return all;
}

bool settings_logdir_is_absolute(const wchar_t* dir)
{
    if (dir[0] == L'\\') return true;
    bool letter = (dir[0] >= L'A' && dir[0] <= L'Z') || (dir[0] >= L'a' && dir[0] <= L'z');
    return letter && dir[1] == L':' && dir[2] == L'\\';
}

std::wstring settings_path_stem(const std::wstring& modulePath)
{
    size_t slash = modulePath.find_last_of(L"\\/");
    size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    size_t dot = modulePath.rfind(L'.');
    if (dot == std::wstring::npos || dot < nameStart) return modulePath + L'.';
    return modulePath.substr(0, dot + 1);
}

std::wstring settings_program_directory(const std::wstring& modulePath)
{
    size_t slash = modulePath.rfind(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    return modulePath.substr(0, slash + 1);
}
