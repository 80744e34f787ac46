#include "reader/resdetail_win.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/appstate.h"
#include "base/ticks.h"
#include "platform/softkeybar.h"
#include "res/resource.h"
#include "store/ngfile.h"
#include "store/settings.h"
#include "tests/support/dialogdriver_win.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

const wchar_t kCaption[] = L"レス表示";

std::wstring clipboard_text()
{
    std::wstring out;
    if (!OpenClipboard(nullptr)) return L"<no clipboard>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            out = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return out;
}

void set_clipboard(const std::wstring& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(h), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(h);
    SetClipboardData(CF_UNICODETEXT, h);
    CloseClipboard();
}

struct Shown {
    std::wstring number, name, mail, date, id, body;
    DWORD selStart = 99, selEnd = 99;
    std::wstring clipboard;
};

Shown shown_in(HWND dlg)
{
    Shown s;
    s.number = control_text(dlg, IDC_DETAIL_NUMBER);
    s.name = control_text(dlg, IDC_DETAIL_NAME);
    s.mail = control_text(dlg, IDC_DETAIL_MAIL);
    s.date = control_text(dlg, IDC_DETAIL_DATE);
    s.id = control_text(dlg, IDC_DETAIL_ID);
    s.body = control_text(dlg, IDC_DETAIL_BODY);
    SendDlgItemMessageW(dlg, IDC_DETAIL_BODY, EM_GETSEL, reinterpret_cast<WPARAM>(&s.selStart),
                        reinterpret_cast<LPARAM>(&s.selEnd));
    s.clipboard = clipboard_text();
    return s;
}

void command(HWND dlg, WORD id) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// A thread of three responses built as the parser lays it out: each response
// is its header line (the name), its body lines and the blank line " ".
class ResponseDetailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedApp_ = AppState;
        savedTable_ = OpenThreadTable;
        main_ = CreateWindowW(L"STATIC", L"quorvex", WS_OVERLAPPEDWINDOW, 0, 0, 240, 320, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main_, nullptr);
        AppState.hwndMain = main_;
        AppState.DeviceKind = DevicePocketPC;

        add("名無しさん", "sage", "2003/10/02(木) 13:31:18 ID:abcdefgh", {"1 get", "見て ttp://example.com/a "});
        add("太郎◆trip", " ", "2003/10/02(木) 13:40:00 &#9829;",
            {"&gt;&gt;1 ok 2", "http://example.org/", "&#128512; ttps://example.net/"});
        add("三番", "", "2003/10/03(金) 01:02:03 ID:Xy0", {"last"});
        for (size_t i = 0; i < lines_.size(); ++i) lines_[i].text = &texts_[i][0];
        thread_.lines = lines_.data();
        thread_.responses = responses_.data();
        thread_.lineCount = static_cast<int32_t>(lines_.size());
        thread_.responseCount = static_cast<int32_t>(responses_.size());
        pump_messages();
    }

    void TearDown() override
    {
        DestroyWindow(main_);
        pump_messages();
        OpenThreadTable = savedTable_;
        AppState = savedApp_;
    }

    void add(const char* name, const char* mail, const char* date, const std::vector<const char*>& body)
    {
        Response r{};
        r.firstLine = static_cast<uint32_t>(texts_.size());
        std::strncpy(r.mail, utf8_to_sjis(mail).c_str(), sizeof r.mail - 1);
        std::strncpy(r.date, utf8_to_sjis(date).c_str(), sizeof r.date - 1);
        responses_.push_back(r);
        const int32_t number = static_cast<int32_t>(responses_.size());
        texts_.push_back(utf8_to_sjis(name));
        lines_.push_back({number, HeaderLine, 0, nullptr});
        for (const char* b : body) {
            texts_.push_back(utf8_to_sjis(b));
            lines_.push_back({number, BodyLine, 0, nullptr});
        }
        texts_.push_back(" ");
        lines_.push_back({number, BodyLine, 0, nullptr});
    }

    INT_PTR run(DialogDriver& driver, int32_t top)
    {
        driver.start();
        INT_PTR r = ResponseDetail_open_thread(main_, &thread_, top);
        driver.stop();
        EXPECT_TRUE(driver.all_steps_ran());
        EXPECT_FALSE(driver.timed_out());
        return r;
    }

    AppStateRecord savedApp_;
    OpenThreadTableRecord savedTable_;
    HWND main_ = nullptr;
    std::vector<std::string> texts_;
    std::vector<ResponseLine> lines_;
    std::vector<Response> responses_;
    ResponseBuffer thread_{};
};

}  // namespace

TEST_F(ResponseDetailTest, OpeningFillsTheFieldsAndCopiesTheWholeBody)
{
    set_clipboard(L"before");
    Shown s;
    int lower = 0, upper = 0;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
         s = shown_in(dlg);
         SendDlgItemMessageW(dlg, IDC_DETAIL_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                             reinterpret_cast<LPARAM>(&upper));
     }).then([](HWND dlg) { command(dlg, IDOK); });
    EXPECT_EQ(run(d, 1), IDCANCEL);
    EXPECT_EQ(s.number, L"1");
    EXPECT_EQ(s.name, L"名無しさん");
    EXPECT_EQ(s.mail, L"sage");
    EXPECT_EQ(s.date, L"2003/10/02(木) 13:31:18");
    EXPECT_EQ(s.id, L"abcdefgh");
    const std::wstring body = L"1 get\r\n見て ttp://example.com/a \r\n \r\n";
    EXPECT_EQ(s.body, body);
    EXPECT_EQ(s.selStart, 0u);
    EXPECT_EQ(s.selEnd, body.size());
    // The whole body, with the "h" of its address put back.
    EXPECT_EQ(s.clipboard, L"1 get\r\n見て http://example.com/a \r\n \r\n");
    EXPECT_EQ(clipboard_text(), s.clipboard);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 3);
}

TEST_F(ResponseDetailTest, ReferencesAreDecodedAndADateWithoutIdFillsTheDateAlone)
{
    Shown s;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) { s = shown_in(dlg); }).then([](HWND dlg) { command(dlg, IDCANCEL); });
    EXPECT_EQ(run(d, 2), IDCANCEL);
    EXPECT_EQ(s.name, L"太郎◆trip");
    EXPECT_EQ(s.mail, L" ");
    EXPECT_EQ(s.date, L"2003/10/02(木) 13:40:00 \u2665");
    EXPECT_EQ(s.id, L"");
    // As the view shows them: named and numeric, above U+FFFF as a pair.
    EXPECT_EQ(s.body, L">>1 ok 2\r\nhttp://example.org/\r\n\U0001F600 ttps://example.net/\r\n \r\n");
    // The copy at opening puts the "h" back before "ttps:" as before "ttp:".
    EXPECT_EQ(s.clipboard, L">>1 ok 2\r\nhttp://example.org/\r\n\U0001F600 https://example.net/\r\n \r\n");
}

TEST_F(ResponseDetailTest, GetRereadsTheNumberAndKeepsWithinTheThread)
{
    std::vector<Shown> seen;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
         SetDlgItemTextW(dlg, IDC_DETAIL_NUMBER, L"3");
         command(dlg, IDM_DETAIL_GET);
     })
        .then([&](HWND dlg) {
            seen.push_back(shown_in(dlg));
            SetDlgItemTextW(dlg, IDC_DETAIL_NUMBER, L"99");
            command(dlg, IDM_DETAIL_GET);
        })
        .then([&](HWND dlg) {
            seen.push_back(shown_in(dlg));
            SetDlgItemTextW(dlg, IDC_DETAIL_NUMBER, L"0");
            command(dlg, IDM_DETAIL_GET);
        })
        .then([&](HWND dlg) {
            seen.push_back(shown_in(dlg));
            command(dlg, IDOK);
        });
    EXPECT_EQ(run(d, 1), IDCANCEL);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].name, L"三番");
    EXPECT_EQ(seen[0].id, L"Xy0");
    EXPECT_EQ(seen[0].body, L"last\r\n \r\n");
    // Get alone does not copy.
    EXPECT_EQ(seen[0].clipboard, L"1 get\r\n見て http://example.com/a \r\n \r\n");
    EXPECT_EQ(seen[1].number, L"3");
    EXPECT_EQ(seen[1].name, L"三番");
    EXPECT_EQ(seen[2].number, L"1");
    EXPECT_EQ(seen[2].name, L"名無しさん");
}

TEST_F(ResponseDetailTest, CopyTakesTheSelection)
{
    // Each step records what the step before it copied, then selects and copies.
    std::vector<std::wstring> copies;
    bool first = true;
    auto select_and_copy = [&](const wchar_t* what, int extra) {
        return [&, what, extra](HWND dlg) {
            if (!first) copies.push_back(clipboard_text());
            first = false;
            std::wstring body = control_text(dlg, IDC_DETAIL_BODY);
            size_t at = body.find(what);
            SendDlgItemMessageW(dlg, IDC_DETAIL_BODY, EM_SETSEL, at, at + wcslen(what) + extra);
            command(dlg, IDM_DETAIL_COPY);
        };
    };
    DialogDriver d(kCaption);
    d.then(select_and_copy(L"ttp://example.com/a", 0))
        .then(select_and_copy(L"ttp://example.com/a", 1))   // with the space after it
        .then(select_and_copy(L"1 get", 0))
        .then([&](HWND dlg) {
            copies.push_back(clipboard_text());
            set_clipboard(L"kept");
            SendDlgItemMessageW(dlg, IDC_DETAIL_BODY, EM_SETSEL, 3, 3);
            command(dlg, IDM_DETAIL_COPY);
        })
        .then([&](HWND dlg) {
            copies.push_back(clipboard_text());
            command(dlg, IDOK);
        });
    EXPECT_EQ(run(d, 1), IDCANCEL);
    EXPECT_EQ(copies, (std::vector<std::wstring>{L"http://example.com/a", L"http://example.com/a", L"1 get",
                                                 L"kept"}));
}

TEST_F(ResponseDetailTest, AnAddressWithItsHIsCopiedUnchanged)
{
    std::wstring copied;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
         std::wstring body = control_text(dlg, IDC_DETAIL_BODY);
         size_t at = body.find(L"http://");
         SendDlgItemMessageW(dlg, IDC_DETAIL_BODY, EM_SETSEL, at, at + 19);
         command(dlg, IDM_DETAIL_COPY);
     }).then([&](HWND dlg) {
        copied = clipboard_text();
        command(dlg, IDOK);
    });
    EXPECT_EQ(run(d, 2), IDCANCEL);
    EXPECT_EQ(copied, L"http://example.org/");
}

TEST_F(ResponseDetailTest, SoftKeysGetCopyAndClose)
{
    UINT get = 0, copy = 0, close = 0;
    HWND bar = nullptr;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
        bar = AppState.dialogMenuBar;
        HMENU popup = softkey_bar_popup(bar, 0);
        get = popup ? GetMenuItemID(popup, 0) : 0;
        copy = popup ? GetMenuItemID(popup, 1) : 0;
        close = softkey_bar_command(bar, 1);
        command(dlg, static_cast<WORD>(close));
    });
    EXPECT_EQ(run(d, 1), IDCANCEL);
    EXPECT_NE(bar, nullptr);
    EXPECT_EQ(get, static_cast<UINT>(IDM_DETAIL_GET));
    EXPECT_EQ(copy, static_cast<UINT>(IDM_DETAIL_COPY));
    EXPECT_EQ(close, static_cast<UINT>(IDOK));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
}

TEST_F(ResponseDetailTest, OpensOnTheResponseAtTheTopOfTheView)
{
    ScrollRecord scroll[1] = {};
    scroll[0].nPos = 7;   // a body line of response 2
    ASSERT_EQ(lines_[7].response, 2);
    OpenThreadTable = OpenThreadTableRecord{&thread_, scroll, 1, 0, 1, 1};
    std::wstring number, name;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
        number = control_text(dlg, IDC_DETAIL_NUMBER);
        name = control_text(dlg, IDC_DETAIL_NAME);
        command(dlg, IDOK);
    });
    d.start();
    EXPECT_EQ(ResponseDetail_open(main_), IDCANCEL);
    d.stop();
    EXPECT_EQ(number, L"2");
    EXPECT_EQ(name, L"太郎◆trip");
    // Without an open thread nothing is shown.
    OpenThreadTable.current = -1;
    EXPECT_EQ(ResponseDetail_open(main_), 0);
}

namespace {
int32_t detail_today() { return 20261209; }
}  // namespace

TEST_F(ResponseDetailTest, TheIdTheNameAndTheSelectedWordGoToTheNgLists)
{
    TempDir dir;
    char savedDirectory[sizeof Settings.ProgramDirectory];
    std::memcpy(savedDirectory, Settings.ProgramDirectory, sizeof savedDirectory);
    std::strcpy(Settings.ProgramDirectory, dir.path().c_str());
    set_day_source(detail_today);
    ProcessNgLists = NgLists{};
    ReportCapture reports;

    DialogDriver d(kCaption);
    d.then([](HWND dlg) { command(dlg, IDM_NG_ADD_ID); })
        .then([](HWND dlg) {
            SetDlgItemTextW(dlg, IDC_DETAIL_NUMBER, L"2");
            command(dlg, IDM_DETAIL_GET);
        })
        .then([](HWND dlg) {
            command(dlg, IDM_NG_ADD_NAME);
            command(dlg, IDM_NG_ADD_ID);   // response 2 has no ID: refused
        })
        .then([](HWND dlg) {
            const std::wstring body = control_text(dlg, IDC_DETAIL_BODY);
            const size_t at = body.find(L">>1 ok");
            SendDlgItemMessageW(dlg, IDC_DETAIL_BODY, EM_SETSEL, at, at + 6);
            command(dlg, IDM_NG_ADD_WORD);
        })
        .then([](HWND dlg) {
            SendDlgItemMessageW(dlg, IDC_DETAIL_BODY, EM_SETSEL, 2, 2);   // nothing selected: refused
            command(dlg, IDM_NG_ADD_WORD);
        })
        .then([](HWND dlg) { command(dlg, IDOK); });
    EXPECT_EQ(run(d, 1), IDCANCEL);
    EXPECT_EQ(read_file_bytes(dir.file("ng.txt")),
              "id\tabcdefgh\t20261209\r\nname\t" + utf8_to_sjis("太郎◆trip") + "\r\nword\t>>1 ok\r\n");
    ASSERT_EQ(reports.messages().size(), 2u);
    EXPECT_EQ(reports.messages()[0].text, kTextNgEntryRefused);

    set_day_source(nullptr);
    ProcessNgLists = NgLists{};
    std::memcpy(Settings.ProgramDirectory, savedDirectory, sizeof savedDirectory);
}
