// A response view on screen for the view tests: a stand-in main window that
// records the commands it receives, the real view as its child, display fonts
// made from a Japanese face the way the start-up makes them, and the helpers
// that open a thread written as a .dat log and look at the drawn page.
#pragma once
#include "tests/reader/threadfixture_win.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "base/appstate.h"
#include "reader/resnav.h"
#include "reader/resnav_win.h"
#include "reader/resview_win.h"
#include "reader/widthcache.h"
#include "res/resource.h"
#include "tests/support/pump_win.h"

inline std::vector<UINT>& main_commands()
{
    static std::vector<UINT> commands;
    return commands;
}

inline LRESULT CALLBACK StandInMainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND) {
        main_commands().push_back(LOWORD(wp));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

inline HFONT make_view_font(int height, int weight)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"IPAGothic");
}

class ViewFixture : public ThreadFixture {
protected:
    void SetUp() override
    {
        ThreadFixture::SetUp();
        savedApp = AppState;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = StandInMainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = L"QuorvexViewTestMain";
        RegisterClassW(&wc);
        main = CreateWindowExW(0, wc.lpszClassName, L"view test", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                               nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(main, nullptr);
        AppState.hwndMain = main;
        AppState.instance = GetModuleHandleW(nullptr);
        set_fonts(-13);
        PageScrollLines = kInitialPageLines;
        PageUpLines = kInitialPageLines;
        ASSERT_EQ(sureWnd_create(main), 1);
        view = AppState.responseView;
        MoveWindow(view, 0, 0, 240, 300, TRUE);
        main_commands().clear();
    }

    void TearDown() override
    {
        if (view) DestroyWindow(view);
        if (main) DestroyWindow(main);
        pump_messages();
        if (AppState.BodyFont) DeleteObject(AppState.BodyFont);
        if (AppState.BoldFont) DeleteObject(AppState.BoldFont);
        AppState = savedApp;
        clear_width_caches();
        ThreadFixture::TearDown();
    }

    // The display fonts as the start-up makes them (weights 100 and 700), with
    // the width caches cleared.
    void set_fonts(int height)
    {
        if (AppState.BodyFont) DeleteObject(AppState.BodyFont);
        if (AppState.BoldFont) DeleteObject(AppState.BoldFont);
        AppState.BodyFont = make_view_font(height, 100);
        AppState.BoldFont = make_view_font(height, 700);
        clear_width_caches();
    }

    // Writes `log` as 1.dat and opens it as the current thread.
    void open_log(const std::string& log, const wchar_t* name = L"1.dat")
    {
        std::string file = sjis_name(name);
        write_log(file, log);
        ASSERT_EQ(open_thread(name), 1);
    }

    static std::string sjis_name(const wchar_t* name)
    {
        std::string s;
        for (const wchar_t* p = name; *p; ++p) s += static_cast<char>(*p);
        return s;
    }

    // A log line whose header fits one row of the view: a short date, no ID
    // (an ID shared by many would add its place to the header).
    static std::string short_line(const std::string& name, const std::string& body, const std::string& mail = "")
    {
        return name + "<>" + mail + "<>06/03/01<> " + body + " <>\n";
    }

    // `count` responses: response k named n<k>, mail "sage" when k is even,
    // `bodyLines` short body lines each; so 2 + bodyLines lines a response.
    static std::string numbered_log(int count, int bodyLines = 2)
    {
        std::string log;
        for (int k = 1; k <= count; ++k) {
            std::string body = "b" + std::to_string(k);
            for (int i = 1; i < bodyLines; ++i) body += " <br> line" + std::to_string(i);
            log += short_line("n" + std::to_string(k), body, k % 2 == 0 ? "sage" : "");
        }
        return log;
    }

    ScrollRecord& record() { return OpenThreadTable.scroll[OpenThreadTable.current]; }
    int position() { return record().nPos; }
    void set_position(int line)
    {
        record().nPos = line;
        paint();
    }

    // One paint, as the screen would get it.
    void paint()
    {
        InvalidateRect(view, nullptr, FALSE);
        UpdateWindow(view);
    }

    void key(WPARAM vk)
    {
        SendMessageW(view, WM_KEYDOWN, vk, 1);
        paint();
    }

    int client_height()
    {
        RECT rc;
        GetClientRect(view, &rc);
        return rc.bottom - rc.top;
    }

    int row_height(HFONT font)
    {
        HDC dc = GetDC(view);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(view, dc);
        return tm.tmHeight;
    }

    // Lines of one row each that start above the bottom margin.
    int one_row_lines_fitting()
    {
        int h = row_height(AppState.BodyFont);
        int room = client_height() - kBottomMargin;
        return room <= 0 ? 0 : (room + h - 1) / h;
    }

    HWND main = nullptr;
    HWND view = nullptr;
    AppStateRecord savedApp;
};

// A drawn page and what it shows.
class PagePixels {
public:
    explicit PagePixels(HBITMAP bitmap) : bitmap_(bitmap)
    {
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        width_ = info.bmWidth;
        height_ = info.bmHeight;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        pixels_.resize(static_cast<size_t>(width_) * height_);
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, bitmap, 0, height_, pixels_.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
    }
    ~PagePixels() { DeleteObject(bitmap_); }
    PagePixels(const PagePixels&) = delete;
    PagePixels& operator=(const PagePixels&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const
    {
        uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels of rows [top, bottom) that are mostly one colour.
    int count(int top, int bottom, bool (*match)(COLORREF)) const
    {
        int n = 0;
        for (int y = top; y < bottom && y < height_; ++y)
            for (int x = 0; x < width_; ++x) n += match(at(x, y)) ? 1 : 0;
        return n;
    }
    int leftmost_ink(int top, int bottom) const
    {
        for (int x = 0; x < width_; ++x)
            for (int y = top; y < bottom && y < height_; ++y)
                if (at(x, y) != RGB(255, 255, 255)) return x;
        return -1;
    }

private:
    HBITMAP bitmap_;
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

inline bool is_red(COLORREF c) { return GetRValue(c) >= 200 && GetGValue(c) <= 100 && GetBValue(c) <= 100; }
inline bool is_green(COLORREF c) { return GetGValue(c) >= 200 && GetRValue(c) <= 100 && GetBValue(c) <= 100; }
inline bool is_dark(COLORREF c) { return GetRValue(c) <= 80 && GetGValue(c) <= 80 && GetBValue(c) <= 80; }
inline bool is_ink(COLORREF c) { return c != RGB(255, 255, 255); }

