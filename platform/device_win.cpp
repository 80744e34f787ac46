#include "platform/device.h"

#include <cwchar>
#include <cwctype>

namespace {
bool g_smartphone = false;
bool g_vga = false;

bool same_word(const wchar_t* word, size_t length, const wchar_t* name)
{
    size_t n = wcslen(name);
    if (length != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (towlower(word[i]) != towlower(name[i])) return false;
    return true;
}
}  // namespace

void platform_parse_command_line(const wchar_t* commandLine)
{
    g_smartphone = false;
    g_vga = false;
    if (!commandLine) return;
    const wchar_t* p = commandLine;
    while (*p) {
        while (*p == L' ' || *p == L'\t') ++p;
        const wchar_t* start = p;
        bool quoted = false;
        while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
            if (*p == L'"') quoted = !quoted;
            ++p;
        }
        size_t length = static_cast<size_t>(p - start);
        if (same_word(start, length, L"/smartphone")) g_smartphone = true;
        else if (same_word(start, length, L"/vga")) g_vga = true;
    }
}


bool platform_get_type(wchar_t* out, UINT units)
{
    const wchar_t* type = g_smartphone ? L"Smartphone" : L"PocketPC";
    size_t n = wcslen(type);
    if (!out || units == 0) return false;
    if (n + 1 > units) {
        out[0] = L'\0';
        return false;
    }
    wmemcpy(out, type, n + 1);
    return true;
}

int platform_scale() { return g_vga ? 2 : 1; }

SIZE platform_client_size()
{
    SIZE s;
    s.cx = kQvgaClientWidth * platform_scale();
    s.cy = kQvgaClientHeight * platform_scale();
    return s;
}

RECT platform_default_window_rect(DWORD style, DWORD exStyle)
{
    SIZE client = platform_client_size();
    RECT r = {0, 0, client.cx, client.cy};
    // A top-level window without WS_POPUP always gets a caption.
    if (!(style & WS_POPUP)) style |= WS_CAPTION;
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    OffsetRect(&r, -r.left, -r.top);
    return r;
}
