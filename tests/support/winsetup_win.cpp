#include "tests/support/winsetup.h"

#include <mutex>

#include "base/report.h"
#include "store/libce.h"

namespace {
std::mutex g_lock;
std::vector<ReportedMessage> g_messages;
int g_answer = IDOK;

int capture_hook(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_messages.push_back({owner, text ? text : L"", caption ? caption : L"", type});
    return g_answer;
}

std::wstring to_wide(const std::string& s, UINT cp)
{
    if (s.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string to_bytes(const std::wstring& w, UINT cp)
{
    if (w.empty()) return {};
    int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}
}  // namespace

void win_test_setup()
{
    libce_init();
    // No test may ever wait on a real message box: every report is recorded.
    set_report_hook(capture_hook);
}

ReportCapture::ReportCapture(int answer)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_messages.clear();
    g_answer = answer;
}

ReportCapture::~ReportCapture()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_answer = IDOK;
}

std::vector<ReportedMessage> ReportCapture::messages() const
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_messages;
}

void ReportCapture::set_answer(int answer)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_answer = answer;
}

void ReportCapture::clear()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_messages.clear();
}

std::wstring sjis_to_wide(const std::string& s) { return to_wide(s, 932); }
std::string utf8_to_sjis(const std::string& s) { return to_bytes(to_wide(s, CP_UTF8), 932); }
std::string wide_to_utf8(const std::wstring& s) { return to_bytes(s, CP_UTF8); }
