#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/appstate.h"
#include "net/post_win.h"
#include "net/replyeditor_win.h"
#include "platform/softkeybar.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"
#include "store/responses.h"
#include "store/settings.h"
#include "tests/support/dialogdriver_win.h"
#include "tests/net/loopbackfixture_win.h"

using boardserver::PostMode;
using boardserver::PostSettings;

namespace {

const wchar_t kCaption[] = L"メッセージの編集";

std::vector<WORD>& main_commands()
{
    static std::vector<WORD> ids;
    return ids;
}

LRESULT CALLBACK main_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND) main_commands().push_back(LOWORD(wp));
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int g_backKeyInputs = 0;
UINT WINAPI count_inputs(UINT count, INPUT*, int)
{
    g_backKeyInputs += static_cast<int>(count);
    return count;
}

struct Fields {
    std::wstring name, mail, message;
};

Fields fields_of(HWND dialog)
{
    return {control_text(dialog, IDC_REPLY_NAME), control_text(dialog, IDC_REPLY_MAIL),
            control_text(dialog, IDC_REPLY_MESSAGE)};
}

void type_texts(HWND dialog, const wchar_t* name, const wchar_t* mail, const wchar_t* message)
{
    SetDlgItemTextW(dialog, IDC_REPLY_NAME, name);
    SetDlgItemTextW(dialog, IDC_REPLY_MAIL, mail);
    SetDlgItemTextW(dialog, IDC_REPLY_MESSAGE, message);
}

void press(HWND dialog, WORD id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// A main window of the program's handset size, online through the loopback
// board server as its proxy, with one open thread.
class ReplyEditorTest : public net_test::LoopbackProxyFixture {
protected:
    void SetUp() override
    {
        savedApp_ = AppState;
        savedTable_ = OpenThreadTable;
        ASSERT_NO_FATAL_FAILURE(LoopbackProxyFixture::SetUp());
        Settings.LineOnOff = 1;
        Settings.VentCtrl = 0;
        Settings.Flag = 0;

        std::memset(&thread_, 0, sizeof thread_);
        wcscpy(thread_.board.host, L"pc.2ch.net");
        wcscpy(thread_.board.dir, L"mobile");
        wcscpy(thread_.fileName, L"1065069078.dat");
        OpenThreadTable = OpenThreadTableRecord{&thread_, nullptr, 1, 0, 1, 0};
        server_.put_dat("mobile", "1065069078", "a<><>d<> b <>t\n");
        set_mode(PostMode::Success);

        WNDCLASSW wc{};
        wc.lpfnWndProc = main_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ReplyEditorTestMain";
        RegisterClassW(&wc);
        main_ = CreateWindowW(L"ReplyEditorTestMain", L"quorvex", WS_OVERLAPPEDWINDOW, 0, 0, 240, 320,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main_, nullptr);
        AppState.hwndMain = main_;
        AppState.DeviceKind = DevicePocketPC;
        main_commands().clear();
        ReplyDraft = ReplyDraftRecord{};
        pump_messages();
    }

    void TearDown() override
    {
        if (HWND m = ReplyEditor_modeless()) DestroyWindow(m);
        DestroyWindow(main_);
        pump_messages();
        OpenThreadTable = savedTable_;
        AppState = savedApp_;
        ReplyDraft = ReplyDraftRecord{};
        set_back_key_input_sender(nullptr);
        LoopbackProxyFixture::TearDown();
    }

    void set_mode(PostMode mode)
    {
        PostSettings ps;
        ps.mode = mode;
        ps.date = "2003/10/03 00:00:00 ID:Qv0Test0";
        server_.set_post_settings(ps);
    }

    // Runs the modal editor (the reply's unless `open` says another) with
    // `driver`'s steps.
    INT_PTR run_modal(DialogDriver& driver, const std::function<INT_PTR()>& open = nullptr)
    {
        driver.start();
        INT_PTR r = open ? open() : ReplyEditor_open(main_);
        driver.stop();
        EXPECT_TRUE(driver.all_steps_ran());
        EXPECT_FALSE(driver.timed_out());
        pump_messages();
        return r;
    }

    // Opens the modeless editor and lets it settle.
    HWND open_modeless()
    {
        Settings.Flag = 1;
        EXPECT_EQ(ReplyEditor_open(main_), 0);
        HWND editor = ReplyEditor_modeless();
        pump_messages(editor);
        return editor;
    }

    bool reload_posted() const
    {
        for (WORD id : main_commands())
            if (id == IDM_RELOAD_THREAD) return true;
        return false;
    }

    std::vector<std::wstring> message_texts() const
    {
        std::vector<std::wstring> out;
        for (const ReportedMessage& m : reports_.messages()) out.push_back(m.caption + L": " + m.text);
        return out;
    }

    AppStateRecord savedApp_;
    OpenThreadTableRecord savedTable_;
    ResponseBuffer thread_;
    HWND main_ = nullptr;
};

}  // namespace

TEST_F(ReplyEditorTest, ModalOpensWithSageOverTheDraftMailAndKeepsTheDraftOnCancel)
{
    wcscpy(ReplyDraft.name, L"名無し");
    wcscpy(ReplyDraft.mail, L"age");
    wcscpy(ReplyDraft.message, L"本文\r\n二行目");
    Fields shown;
    bool draftEmptied = false;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
         shown = fields_of(dlg);
         draftEmptied = ReplyDraft.name[0] == 0 && ReplyDraft.mail[0] == 0 && ReplyDraft.message[0] == 0;
     }).then([](HWND dlg) { press(dlg, IDCANCEL); });
    EXPECT_EQ(run_modal(d), IDCANCEL);
    EXPECT_EQ(shown.name, L"名無し");
    EXPECT_EQ(shown.mail, L"sage");
    EXPECT_EQ(shown.message, L"本文\r\n二行目");
    EXPECT_TRUE(draftEmptied);
    EXPECT_STREQ(ReplyDraft.name, L"名無し");
    EXPECT_STREQ(ReplyDraft.mail, L"sage");
    EXPECT_STREQ(ReplyDraft.message, L"本文\r\n二行目");
    EXPECT_FALSE(reload_posted());
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(ReplyEditorTest, ModalDraftComesBackUntilAPostGoesThrough)
{
    {
        DialogDriver d(kCaption);
        d.then([](HWND dlg) { type_texts(dlg, L"太郎", L"age", L"こんにちは"); }).then([](HWND dlg) {
            press(dlg, IDCANCEL);
        });
        EXPECT_EQ(run_modal(d), IDCANCEL);
    }
    for (int opening = 0; opening < 2; ++opening) {
        Fields shown;
        DialogDriver d(kCaption);
        d.then([&](HWND dlg) { shown = fields_of(dlg); }).then([](HWND dlg) { press(dlg, IDCANCEL); });
        EXPECT_EQ(run_modal(d), IDCANCEL);
        EXPECT_EQ(shown.name, L"太郎") << opening;
        EXPECT_EQ(shown.mail, L"sage") << opening;
        EXPECT_EQ(shown.message, L"こんにちは") << opening;
    }
    {
        DialogDriver d(kCaption);
        d.then([](HWND dlg) { press(dlg, IDOK); });
        EXPECT_EQ(run_modal(d), IDOK);
    }
    EXPECT_TRUE(reload_posted());
    EXPECT_EQ(message_texts(), (std::vector<std::wstring>{L"post_res: 書きこみが終わりました"}));
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].from, utf8_to_sjis("太郎"));
    EXPECT_EQ(posts[0].mail, "sage");
    EXPECT_EQ(posts[0].message, utf8_to_sjis("こんにちは"));
    EXPECT_EQ(ReplyDraft.name[0], 0);
    EXPECT_EQ(ReplyDraft.message[0], 0);

    // After the post the editor opens empty but for the mail.
    Fields shown;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) { shown = fields_of(dlg); }).then([](HWND dlg) { press(dlg, IDCANCEL); });
    EXPECT_EQ(run_modal(d), IDCANCEL);
    EXPECT_EQ(shown.name, L"");
    EXPECT_EQ(shown.mail, L"sage");
    EXPECT_EQ(shown.message, L"");
}

TEST_F(ReplyEditorTest, ModalFailedPostClosesAndKeepsTheTexts)
{
    set_mode(PostMode::Error);
    DialogDriver d(kCaption);
    d.then([](HWND dlg) { type_texts(dlg, L"名", L"sage", L"本文"); }).then([](HWND dlg) { press(dlg, IDOK); });
    EXPECT_EQ(run_modal(d), IDCANCEL);
    EXPECT_FALSE(reload_posted());
    EXPECT_EQ(message_texts(), (std::vector<std::wstring>{L"post_res: ＥＲＲＯＲ",
                                                          L"post_res: なんか書きこめなかったみたい"}));
    EXPECT_STREQ(ReplyDraft.name, L"名");
    EXPECT_STREQ(ReplyDraft.mail, L"sage");
    EXPECT_STREQ(ReplyDraft.message, L"本文");
    EXPECT_EQ(server_.posts().size(), 1u);
}

TEST_F(ReplyEditorTest, ModalLimitsSoftKeysAndSageButton)
{
    LRESULT limits[3] = {};
    bool buttonsShown = false, barShown = false;
    std::wstring mailAfterSage;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
         limits[0] = SendDlgItemMessageW(dlg, IDC_REPLY_NAME, EM_GETLIMITTEXT, 0, 0);
         limits[1] = SendDlgItemMessageW(dlg, IDC_REPLY_MAIL, EM_GETLIMITTEXT, 0, 0);
         limits[2] = SendDlgItemMessageW(dlg, IDC_REPLY_MESSAGE, EM_GETLIMITTEXT, 0, 0);
         buttonsShown = IsWindowVisible(GetDlgItem(dlg, IDOK)) && IsWindowVisible(GetDlgItem(dlg, IDC_REPLY_SAGE));
         barShown = AppState.dialogMenuBar != nullptr && GetParent(AppState.dialogMenuBar) == dlg;
         SetDlgItemTextW(dlg, IDC_REPLY_MAIL, L"age");
         press(dlg, IDC_REPLY_SAGE);
     })
        .then([&](HWND dlg) {
            mailAfterSage = control_text(dlg, IDC_REPLY_MAIL);
            press(dlg, IDCANCEL);
        });
    EXPECT_EQ(run_modal(d), IDCANCEL);
    EXPECT_EQ(limits[0], 133);
    EXPECT_EQ(limits[1], 133);
    EXPECT_EQ(limits[2], 2047);
    EXPECT_TRUE(buttonsShown);
    EXPECT_TRUE(barShown);
    EXPECT_EQ(mailAfterSage, L"sage");
    // The soft-key bar goes with the dialog.
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
}

TEST_F(ReplyEditorTest, SmartphoneHidesTheButtonsAndPostsThroughItsSoftKey)
{
    AppState.DeviceKind = DeviceSmartphone;
    set_back_key_input_sender(count_inputs);
    g_backKeyInputs = 0;
    bool postHidden = false, sageHidden = false;
    UINT softKey = 0;
    DialogDriver d(kCaption);
    d.then([&](HWND dlg) {
         postHidden = !IsWindowVisible(GetDlgItem(dlg, IDOK));
         sageHidden = !IsWindowVisible(GetDlgItem(dlg, IDC_REPLY_SAGE));
         softKey = softkey_bar_command(AppState.dialogMenuBar, 0);
         // The Back key deletes a character from a box with text.
         SetDlgItemTextW(dlg, IDC_REPLY_MESSAGE, L"from the soft key");
         SetFocus(GetDlgItem(dlg, IDC_REPLY_MESSAGE));
         SendMessageW(dlg, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
     }).then([&](HWND dlg) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(softKey, 0), 0); });
    EXPECT_EQ(run_modal(d), IDOK);
    EXPECT_TRUE(postHidden);
    EXPECT_TRUE(sageHidden);
    EXPECT_EQ(softKey, static_cast<UINT>(IDOK));
    EXPECT_EQ(g_backKeyInputs, 2);
    ASSERT_EQ(server_.posts().size(), 1u);
    EXPECT_EQ(server_.posts()[0].message, "from the soft key");
    EXPECT_TRUE(reload_posted());
}

TEST_F(ReplyEditorTest, ModelessOpensAtTheTopWithSageAndIsDestroyedAfterAPost)
{
    wcscpy(ReplyDraft.name, L"draft");
    HWND editor = open_modeless();
    ASSERT_NE(editor, nullptr);
    RECT r;
    ASSERT_TRUE(GetWindowRect(editor, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 20);
    EXPECT_TRUE(IsWindowVisible(editor));
    Fields shown = fields_of(editor);
    EXPECT_EQ(shown.name, L"");   // the draft belongs to the modal kind
    EXPECT_EQ(shown.mail, L"sage");
    EXPECT_EQ(SendDlgItemMessageW(editor, IDC_REPLY_MESSAGE, EM_GETLIMITTEXT, 0, 0), 2047);
    // A second opening brings the same editor forward.
    EXPECT_EQ(ReplyEditor_open(main_), 0);
    EXPECT_EQ(ReplyEditor_modeless(), editor);

    type_texts(editor, L"", L"sage", L"modeless");
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    pump_messages();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(ReplyEditor_modeless(), nullptr);
    ASSERT_EQ(server_.posts().size(), 1u);
    EXPECT_EQ(server_.posts()[0].message, "modeless");
    // The modeless kind reloads nothing and keeps no draft.
    EXPECT_FALSE(reload_posted());
    EXPECT_STREQ(ReplyDraft.name, L"draft");
}

TEST_F(ReplyEditorTest, ModelessFailedPostStaysOpenWithItsTexts)
{
    set_mode(PostMode::Error);
    HWND editor = open_modeless();
    ASSERT_NE(editor, nullptr);
    type_texts(editor, L"名", L"sage", L"本文");
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    pump_messages(editor);
    ASSERT_TRUE(IsWindow(editor));
    Fields shown = fields_of(editor);
    EXPECT_EQ(shown.name, L"名");
    EXPECT_EQ(shown.message, L"本文");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, IDOK)));
    EXPECT_EQ(message_texts(), (std::vector<std::wstring>{L"post_res: ＥＲＲＯＲ",
                                                          L"post_res: なんか書きこめなかったみたい"}));
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(ReplyEditor_modeless(), nullptr);
    EXPECT_EQ(ReplyDraft.message[0], 0);
}

TEST_F(ReplyEditorTest, ModelessOnASmartphonePostsWithEnterInANameField)
{
    AppState.DeviceKind = DeviceSmartphone;
    HWND editor = open_modeless();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(editor, IDOK)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(editor, IDC_REPLY_SAGE)));
    type_texts(editor, L"", L"sage", L"enter");

    // Enter in the message field is a new line, not a post.
    HWND message = GetDlgItem(editor, IDC_REPLY_MESSAGE);
    SetFocus(message);
    MSG enter{message, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    IsDialogMessageW(editor, &enter);
    pump_messages(editor);
    EXPECT_TRUE(IsWindow(editor));
    EXPECT_TRUE(server_.posts().empty());
    EXPECT_EQ(control_text(editor, IDC_REPLY_MESSAGE), L"\r\nenter");

    HWND mail = GetDlgItem(editor, IDC_REPLY_MAIL);
    SetFocus(mail);
    ASSERT_EQ(GetFocus(), mail);
    enter.hwnd = mail;
    EXPECT_TRUE(IsDialogMessageW(editor, &enter));
    pump_messages();
    EXPECT_FALSE(IsWindow(editor));
    ASSERT_EQ(server_.posts().size(), 1u);
    EXPECT_EQ(server_.posts()[0].message, "\r\nenter");
}

// ---- the new-thread editor ----

namespace {

const wchar_t kNewThreadCaption[] = L"新規スレッド作成";

class NewThreadEditorTest : public ReplyEditorTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ReplyEditorTest::SetUp());
        NewThreadDraft = NewThreadDraftRecord{};
        std::memset(&board_, 0, sizeof board_);
        wcscpy(board_.host, L"pc.2ch.net");
        wcscpy(board_.dir, L"mobile");
    }
    void TearDown() override
    {
        NewThreadDraft = NewThreadDraftRecord{};
        ReplyEditorTest::TearDown();
    }

    INT_PTR run_new_thread(DialogDriver& driver)
    {
        return run_modal(driver, [this] { return NewThreadEditor_open(main_, board_, posted_); });
    }

    BoardEntry board_;
    wchar_t posted_[kNewThreadTitleUnits];
};

void type_new_thread(HWND dialog, const wchar_t* title)
{
    SetDlgItemTextW(dialog, IDC_NEW_THREAD_TITLE, title);
    type_texts(dialog, L"名", L"", L"本文");
}

}  // namespace

TEST_F(NewThreadEditorTest, FailedPostKeepsTheTitleWithTheTextsAndTheMailIsNotSunk)
{
    set_mode(PostMode::Error);
    {
        DialogDriver d(kNewThreadCaption);
        d.then([](HWND dlg) { type_new_thread(dlg, L"新スレ"); }).then([](HWND dlg) { press(dlg, IDOK); });
        EXPECT_EQ(run_new_thread(d), IDCANCEL);
    }
    EXPECT_STREQ(NewThreadDraft.title, L"新スレ");
    EXPECT_STREQ(NewThreadDraft.texts.name, L"名");
    EXPECT_STREQ(NewThreadDraft.texts.message, L"本文");
    EXPECT_STREQ(posted_, L"");
    EXPECT_EQ(server_.posts().size(), 1u);
    // The reply editor's draft is its own.
    EXPECT_EQ(ReplyDraft.message[0], 0);

    // The next opening shows the draft, the mail as it was left.
    std::wstring title, mail, message;
    LRESULT titleLimit = 0;
    set_mode(PostMode::Success);
    DialogDriver d(kNewThreadCaption);
    d.then([&](HWND dlg) {
         title = control_text(dlg, IDC_NEW_THREAD_TITLE);
         mail = control_text(dlg, IDC_REPLY_MAIL);
         message = control_text(dlg, IDC_REPLY_MESSAGE);
         titleLimit = SendDlgItemMessageW(dlg, IDC_NEW_THREAD_TITLE, EM_GETLIMITTEXT, 0, 0);
     }).then([](HWND dlg) { press(dlg, IDOK); });
    EXPECT_EQ(run_new_thread(d), IDOK);
    EXPECT_EQ(title, L"新スレ");
    EXPECT_EQ(mail, L"");
    EXPECT_EQ(message, L"本文");
    EXPECT_EQ(titleLimit, 133);
    EXPECT_STREQ(posted_, L"新スレ");
    EXPECT_EQ(NewThreadDraft.title[0], 0);
    EXPECT_EQ(NewThreadDraft.texts.message[0], 0);
    // No reload of an open thread: the caller opens the new one.
    EXPECT_FALSE(reload_posted());
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].subject, utf8_to_sjis("新スレ"));
    EXPECT_EQ(server_.file("/mobile/subject.txt"), posts[1].key + ".dat<>" + utf8_to_sjis("新スレ") + " (1)\n");
}
