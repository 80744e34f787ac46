#include <gtest/gtest.h>

#include <windows.h>

#include "base/appstate.h"
#include "base/progress_win.h"
#include "res/resource.h"

namespace {
// An owner of a known client size for the dialog to place itself in.
class ProgressDialog : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ProgressOwner";
        RegisterClassW(&wc);
        owner_ = CreateWindowExW(0, L"ProgressOwner", L"owner", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 50, 60, 240,
                                 360, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(owner_); }
    void SetUp() override
    {
        AppState = AppStateRecord{};
        ASSERT_NE(owner_, nullptr);
        SetWindowPos(owner_, nullptr, 50, 60, 240, 360, SWP_NOZORDER);
    }
    static inline HWND owner_ = nullptr;
};

std::wstring caption(HWND w)
{
    wchar_t text[64] = {};
    GetWindowTextW(w, text, 64);
    return text;
}
}  // namespace

TEST_F(ProgressDialog, PlacedOneThirdDownTheOwnersClientArea)
{
    HWND d = CreateProgressDialog(owner_, L"初期化中");
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(IsWindowVisible(d));
    EXPECT_EQ(caption(d), L"初期化中");
    RECT r, client;
    GetWindowRect(d, &r);
    GetClientRect(owner_, &client);
    int h = r.bottom - r.top;
    EXPECT_EQ(r.top, (client.bottom - h) / 3);
    // Only the caption shows: the template has no height.
    RECT inside;
    GetClientRect(d, &inside);
    EXPECT_EQ(inside.bottom, 0);
    CloseProgressDialog(d);
    EXPECT_FALSE(IsWindow(d));
}

TEST_F(ProgressDialog, TopTruncatesTowardZero)
{
    HWND d = CreateProgressDialog(owner_, L"x");
    ASSERT_NE(d, nullptr);
    RECT r;
    GetWindowRect(d, &r);
    int h = r.bottom - r.top;
    // An owner lower than the dialog gives a negative top, rounded toward zero.
    SetWindowPos(owner_, nullptr, 0, 0, 240, h + 10, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(owner_, &client);
    int left, top;
    ASSERT_TRUE(progress_dialog_top(d, &left, &top));
    EXPECT_EQ(left, r.left);
    EXPECT_EQ(top, (client.bottom - h) / 3);
    if (client.bottom < h) {
        EXPECT_LE(top, 0);
    }
    CloseProgressDialog(d);
}

TEST_F(ProgressDialog, WithoutOwnerItStaysWhereItStands)
{
    HWND d = CreateProgressDialog(nullptr, L"初期化中");
    ASSERT_NE(d, nullptr);
    int left, top;
    EXPECT_FALSE(progress_dialog_top(d, &left, &top));
    EXPECT_TRUE(IsWindowVisible(d));
    CloseProgressDialog(d);
    EXPECT_FALSE(IsWindow(d));
}

TEST_F(ProgressDialog, CommandsOneAndTwoEndItOthersDoNot)
{
    HWND d = CreateProgressDialog(owner_, L"閉じてます");
    ASSERT_NE(d, nullptr);
    SendMessageW(d, WM_COMMAND, 1030, 0);
    EXPECT_TRUE(IsWindow(d));
    SendMessageW(d, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(d));
    // Closing twice, or closing nothing, is harmless.
    CloseProgressDialog(d);
    CloseProgressDialog(nullptr);
}

TEST_F(ProgressDialog, CaptionChangesWhileOpen)
{
    HWND d = CreateProgressDialog(owner_, L"終了処理中");
    ASSERT_NE(d, nullptr);
    SetProgressCaption(d, L"2 終了処理中");
    EXPECT_EQ(caption(d), L"2 終了処理中");
    CloseProgressDialog(d);
    SetProgressCaption(d, L"gone");   // no window any more: nothing happens
}

TEST_F(ProgressDialog, OthersCreateItFromTheTemplateDirectly)
{
    // As the thread reader does: its own caption set afterwards.
    HWND d = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), owner_,
                                ProgressDialogProc, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(caption(d), L"処理中");
    EXPECT_TRUE(IsWindowVisible(d));
    SendMessageW(d, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(d));
}

TEST(NetProgressTemplate, CaptionedBoxWithCloseButtonAndNoControls)
{
    // The modal template of the network operations: its close box sends the cancel command.
    struct Seen {
        static INT_PTR CALLBACK proc(HWND d, UINT msg, WPARAM wp, LPARAM)
        {
            if (msg == WM_INITDIALOG) {
                PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                return TRUE;
            }
            if (msg == WM_COMMAND) {
                EndDialog(d, LOWORD(wp));
                return TRUE;
            }
            return FALSE;
        }
    };
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_NET_PROGRESS), nullptr,
                                     Seen::proc, 0);
    EXPECT_EQ(result, IDCANCEL);
}
