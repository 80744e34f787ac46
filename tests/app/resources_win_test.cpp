#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"

namespace {
HINSTANCE self() { return GetModuleHandleW(nullptr); }

// "text=id" for every item of a popup, with "-" for a separator and
// "[text: ...]" around a popup's own items.
std::wstring describe(HMENU menu)
{
    std::wstring out;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[80] = {};
        MENUITEMINFOW mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        mi.dwTypeData = text;
        mi.cch = 80;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        if (!out.empty()) out += L"; ";
        if (mi.fType & MFT_SEPARATOR) out += L"-";
        else if (mi.hSubMenu) out += std::wstring(L"[") + text + L": " + describe(mi.hSubMenu) + L"]";
        else out += std::wstring(text) + L"=" + std::to_wstring(mi.wID);
    }
    return out;
}

std::wstring menu(UINT id)
{
    HMENU m = LoadMenuW(self(), MAKEINTRESOURCEW(id));
    if (!m) return L"(missing)";
    std::wstring d = describe(m);
    DestroyMenu(m);
    return d;
}

const wchar_t kSettingsOf1[] =
    L"[設定: 設定\t(&C)=40036; 板一覧取得\t(&B)=40069; スレリスト数制限=40046; -; お気に入り板登録=40041; "
    L"お気に入りスレ登録=40042; お気に入りスレから削除=40047; スレリスト更新チェック=40013; -; "
    L"NGスレタイ登録\t(&T)=40100; NG一覧\t(&G)=40101; -; デバッグ設定\t(&D)=40040; -; ヘルプ\t(&H)=40003; -; バージョン情報\t(&A)=40001]";
const wchar_t kSettingsOf148[] =
    L"[設定: 設定\t(&C)=40036; ログのみ\t(&L)=1042; スレリスト数制限=40046; -; お気に入り板登録=40041; "
    L"お気に入りスレ登録=40042; お気に入りスレから削除=40047; スレリスト更新チェック=40013; -; "
    L"NG一覧\t(&G)=40101; -; デバッグ設定\t(&D)=40040; -; ヘルプ\t(&H)=40003; -; バージョン情報\t(&A)=40001]";
}  // namespace

TEST(Menus, ListMenuBar)
{
    EXPECT_EQ(menu(IDR_LIST_MENU),
              std::wstring(L"[メニュー: カテゴリ一覧=40030; -; オンライン=40010; スレ一覧再読み込み=40012; "
                           L"更新チェック=40013; 新規スレ作成=40120; ログのみ\t(&L)=1042; 新着順ソート\t(&N)=40073; ") +
                  kSettingsOf1 +
                  L"; 終了\t(&X)=40002]; [移動: 板一覧=40031; -; スレ一覧=40033; 検索=40035; -; レス表示=40011]");
}

TEST(Menus, ThreadMenuBar)
{
    EXPECT_EQ(menu(IDR_THREAD_MENU),
              std::wstring(L"[メニュー: スレ一覧表示=40011; -; オンライン=40010; スレを閉じる=40017; "
                           L"スレ再読み込み=40014; -; レス書き=40016; コピペダイアログ=40015; -; ログ削除=40018; ") +
                  kSettingsOf148 +
                  L"; 終了\t(&X)=40002]; [移動: 表示レス一覧=40032; -; レス表示=40034; 検索=40035]");
}

TEST(Menus, AlternativeListMenuBar)
{
    EXPECT_EQ(menu(IDR_LIST_MENU_ALT),
              L"[メニュー: オンライン=40010; スレ一覧再読み込み=40012; 更新チェック=40013; 新規スレ作成=40120; "
              L"[設定: 設定\t(&C)=40036; 板一覧取得\t(&B)=40069; ログのみ\t(&L)=1042; 新着順ソート\t(&N)=40072; "
              L"スレリスト数制限=40046; -; お気に入り板登録=40041; お気に入りスレ登録=40042; "
              L"お気に入りスレから削除=40047; スレリスト更新チェック=40013; -; NGスレタイ登録\t(&T)=40100; "
              L"NG一覧\t(&G)=40101; -; デバッグ設定\t(&D)=40040; -; "
              L"ヘルプ\t(&H)=40003; -; バージョン情報\t(&A)=40001]; 終了\t(&X)=40002]; "
              L"[移動: レス表示=40011; -; カテゴリ一覧=40030; 板一覧=40031; スレ一覧=40033; スレ検索=40035]");
}

TEST(Menus, AlternativeThreadMenuBar)
{
    EXPECT_EQ(menu(IDR_THREAD_MENU_ALT),
              std::wstring(L"[メニュー: オンライン=40010; スレを閉じる=40017; スレ再読み込み=40014; -; "
                           L"レス書き=40016; コピペダイアログ=40015; -; ログ削除=40018; ") +
                  kSettingsOf148 +
                  L"; 終了\t(&X)=40002]; [移動: スレ一覧表示=40011; -; 表示レス一覧=40032; レス表示=40034; 検索=40059]");
}

TEST(Menus, SettingsDropDownAndActionMenu)
{
    EXPECT_EQ(menu(IDR_SETTINGS_DROPDOWN),
              L"[設定: 設定\t(&C)=40036; 板一覧取得\t(&B)=40069; ログのみ\t(&L)=1042; スレリスト数制限=40046; -; "
              L"お気に入り板登録=40041; お気に入りスレ登録=40042; お気に入りスレから削除=40047; "
              L"スレリスト更新チェック=40013; -; デバッグ設定\t(&D)=40040; -; ヘルプ\t(&H)=40003; -; "
              L"バージョン情報\t(&A)=40001; 終了\t(&X)=40002]");
    EXPECT_EQ(menu(IDR_ACTION_MENU),
              L"[アクション: キャンセル=2; スレを閉じる=40017; スレ再読み込み=40014; お気に入りスレ登録=40042; -; "
              L"スレ一覧表示=40011; -; レス書き=40016; コピペダイアログ=40015; レス番ジャンプ=40043; "
              L"末尾へジャンプ=40044]");
}

TEST(Menus, DialogSoftKeys)
{
    EXPECT_EQ(menu(IDR_MENU_OK), L"OK=1");
    EXPECT_EQ(menu(IDR_MENU_OK_CANCEL), L"OK=1; キャンセル=2");
    EXPECT_EQ(menu(IDR_MENU_BOARD_SOURCE), L"板一覧取得=1; キャンセル=2");
    EXPECT_EQ(menu(IDR_MENU_NG_LIST), L"削除=40105; [メニュー: OK=1; キャンセル=2]");
    EXPECT_EQ(menu(IDR_MENU_RESPONSE_DETAIL), L"[レス: 取得\t(&G)=1030; コピー\t(&C)=1054; -; NG ID\t(&I)=40102; "
                                              L"NG 名前\t(&N)=40103; NG ワード (選択)\t(&W)=40104]; 閉じる=1");
}

TEST(Accelerators, TableOfTheCommands)
{
    HACCEL acc = LoadAcceleratorsW(self(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(acc, nullptr);
    std::vector<ACCEL> table(64);
    int n = CopyAcceleratorTableW(acc, table.data(), 64);
    table.resize(n);
    struct Want {
        BYTE virt;
        WORD key;
        WORD cmd;
    };
    const BYTE ctrl = FVIRTKEY | FCONTROL | FNOINVERT;
    const Want want[] = {
        {FALT, '/', 40001}, {ctrl, 'Q', 40002}, {ctrl, 'H', 40003}, {ctrl, 'O', 40010},
        {ctrl, 'T', 40012}, {ctrl, 'R', 40014}, {ctrl, 'W', 40016}, {ctrl, 'Z', 40017},
        {ctrl, '1', 40030}, {ctrl, '2', 40031}, {ctrl, '3', 40033}, {ctrl, '4', 40032},
        {ctrl, '0', 40034}, {ctrl, '6', 40060}, {ctrl, 'F', 40035}, {ctrl, 'S', 40036},
        {ctrl, 'N', 40120},
    };
    ASSERT_EQ(table.size(), sizeof want / sizeof want[0]);
    for (const Want& w : want) {
        bool found = false;
        for (const ACCEL& a : table)
            if (a.key == w.key && (a.fVirt & ~0x80) == w.virt) {
                EXPECT_EQ(a.cmd, w.cmd) << static_cast<char>(w.key);
                found = true;
            }
        EXPECT_TRUE(found) << static_cast<char>(w.key);
    }
}

TEST(Images, ToolBarBitmapsHoldTheirImages)
{
    for (auto [id, count] : {std::pair{IDB_LIST_TOOLBAR, 5}, std::pair{IDB_THREAD_TOOLBAR, 8}}) {
        HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(self(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        ASSERT_NE(bmp, nullptr) << id;
        BITMAP b = {};
        GetObjectW(bmp, sizeof b, &b);
        EXPECT_EQ(b.bmWidth, 16 * count) << id;
        EXPECT_EQ(b.bmHeight, 16) << id;
        DeleteObject(bmp);
    }
}

TEST(Images, IconsInBothSizes)
{
    for (int id : {IDI_QUORVEX, IDI_THREAD_HELD, IDI_THREAD_NOT_HELD, IDI_THREAD_NEW}) {
        HICON small = static_cast<HICON>(LoadImageW(self(), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
        ASSERT_NE(small, nullptr) << id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(small, &info));
        BITMAP b = {};
        GetObjectW(info.hbmColor, sizeof b, &b);
        EXPECT_EQ(b.bmWidth, 16) << id;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(small);
    }
    EXPECT_NE(LoadIconW(self(), MAKEINTRESOURCEW(IDI_QUORVEX)), nullptr);
}

TEST(Images, StateIconsDiffer)
{
    // The three thread states must not look alike.
    auto pixels = [](int id) {
        HICON icon = static_cast<HICON>(LoadImageW(self(), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT r = {0, 0, 16, 16};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
        std::vector<COLORREF> px;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) px.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        DestroyIcon(icon);
        return px;
    };
    auto none = pixels(IDI_THREAD_NOT_HELD), held = pixels(IDI_THREAD_HELD), fresh = pixels(IDI_THREAD_NEW);
    EXPECT_NE(none, held);
    EXPECT_NE(held, fresh);
    EXPECT_NE(none, fresh);
}
