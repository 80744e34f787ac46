// Win32 test process set-up: the file library and the message capture.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

void win_test_setup();

// Under test every message the program reports is recorded instead of shown.
// A ReportCapture starts a fresh record and answers with `answer` (IDOK by
// default) while it lives.
struct ReportedMessage {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class ReportCapture {
public:
    explicit ReportCapture(int answer = IDOK);
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    std::vector<ReportedMessage> messages() const;
    void set_answer(int answer);
    void clear();
};

// The text of `s` (Shift-JIS bytes) as UTF-16, for comparing with messages.
std::wstring sjis_to_wide(const std::string& s);
// UTF-8 source text to Shift-JIS bytes, for writing test files.
std::string utf8_to_sjis(const std::string& s);
std::string wide_to_utf8(const std::wstring& s);

// The board server's sample data, as Wine sees the source tree.
inline std::wstring sample_dir()
{
    std::string src = QUORVEX_SOURCE_DIR;
    if (!src.empty() && src[0] == '/') src = "Z:" + src;   // Wine's drive for the host's root
    std::wstring dir;
    for (char c : src + "/tools/boardserver/sample") dir.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return dir;
}
