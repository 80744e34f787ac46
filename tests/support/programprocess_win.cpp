#include "tests/support/programprocess_win.h"

#include <cwchar>
#include <vector>

#include "tests/support/winsetup.h"

namespace {

struct Search {
    DWORD process;
    const wchar_t* windowClass;
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND w, LPARAM lp)
{
    Search* s = reinterpret_cast<Search*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner != s->process || !IsWindowVisible(w)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (s->windowClass && std::wcscmp(cls, s->windowClass) != 0) return TRUE;
    if (s->caption && sent_window_text(w) != s->caption) return TRUE;
    s->found.push_back(w);
    return TRUE;
}

std::vector<HWND> find_windows(DWORD process, const wchar_t* windowClass, const wchar_t* caption)
{
    Search s{process, windowClass, caption, {}};
    if (process) EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK collect_static_text(HWND w, LPARAM lp)
{
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    const std::wstring text = sent_window_text(w);
    std::wstring* out = reinterpret_cast<std::wstring*>(lp);
    if (_wcsicmp(cls, L"Static") == 0 && !text.empty()) *out += (out->empty() ? L"" : L" / ") + text;
    return TRUE;
}

}  // namespace

bool ProgramProcess::start(const std::string& program, const std::string& folder)
{
    const std::string copy = folder + "quorvex.exe";
    if (!CopyFileA(program.c_str(), copy.c_str(), FALSE)) return false;
    std::string line = "\"" + copy + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return false;
    process_.reset(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    id_ = pi.dwProcessId;
    return true;
}

void ProgramProcess::end()
{
    if (!running()) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), INFINITE);
}

bool ProgramProcess::wait_exit(DWORD ms) const
{
    return process_.valid() && WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

bool ProgramProcess::running() const { return process_.valid() && !wait_exit(0); }

HWND ProgramProcess::window(const wchar_t* windowClass, const wchar_t* caption) const
{
    const std::vector<HWND> found = find_windows(id_, windowClass, caption);
    return found.empty() ? nullptr : found.front();
}

std::string ProgramProcess::shown_dialogs() const
{
    // A program that ends at once on start found another of its main
    // windows open and brought that one forward instead.
    DWORD code = 0;
    if (!running() && process_.valid() && GetExitCodeProcess(process_.get(), &code))
        return "the program has ended, exit code " + std::to_string(code) + "\n";
    std::string out;
    for (HWND d : find_windows(id_, L"#32770", nullptr))
        out += wide_to_utf8(sent_window_text(d) + L": " + dialog_texts(d)) + "\n";
    return out.empty() ? "no dialog shown\n" : out;
}

std::wstring sent_window_text(HWND window)
{
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    // A window that does not answer within the bound has no text to give.
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &copied))
        return L"";
    return text;
}

std::wstring dialog_texts(HWND dialog)
{
    std::wstring out;
    EnumChildWindows(dialog, collect_static_text, reinterpret_cast<LPARAM>(&out));
    return out;
}

bool handled_within(HWND window, UINT msg, WPARAM wp, LPARAM lp, DWORD ms)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, msg, wp, lp, SMTO_NORMAL, ms, &result) != 0;
}

bool press_key(HWND window, UINT key, DWORD ms)
{
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    return handled_within(window, WM_KEYDOWN, key, scan | 1, ms) &&
           handled_within(window, WM_KEYUP, key, scan | 1 | (1u << 30) | (1u << 31), ms);
}

void press_button(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }
