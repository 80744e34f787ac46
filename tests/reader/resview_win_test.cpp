#include "tests/reader/viewfixture_win.h"

#include <utility>

#include "reader/wrap.h"

namespace {

const std::string kA = "\x82\xa0";   // あ

std::string repeated(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

using ResponseView = ViewFixture;

TEST_F(ResponseView, WindowOfItsOwnClassWithBorderAndScrollBar)
{
    wchar_t name[64] = {};
    GetClassNameW(view, name, 64);
    EXPECT_STREQ(name, L"Res Window");
    GetWindowTextW(view, name, 64);
    EXPECT_STREQ(name, L"Res Window");
    EXPECT_EQ(GetDlgCtrlID(view), IDC_RESPONSE_VIEW);
    EXPECT_EQ(GetParent(view), main);
    const LONG style = GetWindowLongW(view, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(style & WS_BORDER);
    WNDCLASSW wc{};
    ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"Res Window", &wc));
    EXPECT_EQ(wc.style, 0u);
    EXPECT_EQ(wc.hbrBackground, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hIcon, nullptr);
    // The first scroll record is the view's, with the page before any paint.
    ASSERT_NE(OpenThreadTable.scroll, nullptr);
    EXPECT_EQ(OpenThreadTable.scroll[0].cbSize, 28u);
    EXPECT_EQ(OpenThreadTable.scroll[0].fMask, 7u);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPage, 10u);
}

TEST_F(ResponseView, CreationFailureIsReported)
{
    ReportCapture capture;
    HWND before = AppState.responseView;
    // A child needs a parent window; this handle names none.
    EXPECT_EQ(sureWnd_create(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0))), 0);
    expect_message(capture, L"処理失敗", L"sureWnd_create");
    EXPECT_EQ(AppState.responseView, before) << "the view made before stays the view";
    EXPECT_EQ(CreateResponseView(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0))), nullptr);
}

TEST_F(ResponseView, SageHeaderIsRedOthersGreenBodyBlackAndIndented)
{
    // Response 1: no mail (green); response 2: mail sage (red).
    open_log(numbered_log(2, 1));
    int drawn = 0;
    PagePixels page(ResponseView_render(view, &drawn));
    EXPECT_EQ(drawn, 6);
    const int h = row_height(AppState.BodyFont);
    // Rows: 0 header 1, 1 body, 2 blank, 3 header 2, 4 body, 5 blank.
    EXPECT_GT(page.count(0, h, is_green), 10);
    EXPECT_EQ(page.count(0, h, is_red), 0);
    EXPECT_GT(page.count(3 * h, 4 * h, is_red), 10);
    EXPECT_EQ(page.count(3 * h, 4 * h, is_green), 0);
    EXPECT_GT(page.count(h, 2 * h, is_dark), 5);
    EXPECT_EQ(page.count(h, 2 * h, is_red) + page.count(h, 2 * h, is_green), 0);
    EXPECT_EQ(page.count(2 * h, 3 * h, is_ink), 0) << "the blank line after a response";
    EXPECT_LT(page.leftmost_ink(0, h), kBodyIndent);
    EXPECT_GE(page.leftmost_ink(h, 2 * h), kBodyIndent) << "body lines are indented";
    EXPECT_EQ(page.at(page.width() - 1, page.height() - 1), RGB(255, 255, 255));
}

TEST_F(ResponseView, HeadersAboveTheReadMarkAreBold)
{
    open_log(numbered_log(3, 1));
    const int h = row_height(AppState.BodyFont);
    OpenThreadTable.entries[0].ReadMark = 3;
    int normal = 0, bold = 0;
    {
        PagePixels page(ResponseView_render(view));
        normal = page.count(0, h, is_ink);
    }
    OpenThreadTable.entries[0].ReadMark = 0;
    {
        PagePixels page(ResponseView_render(view));
        bold = page.count(0, h, is_ink);
        // The body is drawn the same either way.
    }
    EXPECT_GT(bold, normal + normal / 10) << "a bold header carries more ink";
    // ReadMark 1: response 1 normal, 2 and 3 bold.
    OpenThreadTable.entries[0].ReadMark = 1;
    PagePixels page(ResponseView_render(view));
    EXPECT_EQ(page.count(0, h, is_ink), normal);
    EXPECT_GT(BoldWidthCache[u'n'], 0) << "bold headers measure with the bold cache";
}

TEST_F(ResponseView, ALongBodyLineWrapsAndAnEmptyOneTakesARow)
{
    // Response 1: a line of 60 あ, an empty line, "x"; then 5 short responses.
    std::string log = short_line("n", repeated(kA, 60) + " <br>  <br> x");
    log += numbered_log(5, 1);
    open_log(log);
    const int h = row_height(AppState.BodyFont);
    int drawn = 0;
    PagePixels page(ResponseView_render(view, &drawn));
    // Each あ is 13 pixels here; the body row has the width less the indent.
    SIZE one{};
    HDC dc = GetDC(view);
    HGDIOBJ old = SelectObject(dc, AppState.BodyFont);
    GetTextExtentPoint32W(dc, L"\u3042", 1, &one);
    SelectObject(dc, old);
    ReleaseDC(view, dc);
    RECT rc;
    GetClientRect(view, &rc);
    const int perRow = (rc.right - kBodyIndent) / one.cx;
    const int rows = (60 + perRow - 1) / perRow;
    ASSERT_GE(rows, 3);
    // Header, the wrapped line's rows, then the empty row, then "x".
    for (int r = 1; r <= rows; ++r) EXPECT_GT(page.count(r * h, (r + 1) * h, is_ink), 0) << "row " << r;
    EXPECT_EQ(page.count((rows + 1) * h, (rows + 2) * h, is_ink), 0) << "the empty line's row";
    EXPECT_GT(page.count((rows + 2) * h, (rows + 3) * h, is_ink), 0) << "x";
    // Lines that fit: every line one row except the wrapped one.
    const int room = client_height() - kBottomMargin;
    int top = 0, expected = 0;
    std::vector<int> rowsOf = {1, rows, 1, 1, 1};
    while (top < room) {
        top += (expected < static_cast<int>(rowsOf.size()) ? rowsOf[expected] : 1) * h;
        ++expected;
    }
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(PageScrollLines, expected - 1);
    EXPECT_EQ(BodyWidthCache[0x3042], one.cx) << "measured once into the body cache";
}

TEST_F(ResponseView, GlyphsWiderThanACacheByteStillWrap)
{
    set_fonts(-300);
    open_log(short_line("n", repeated(kA, 3)));
    record().nPos = 1;
    int drawn = 0;
    PagePixels page(ResponseView_render(view, &drawn));
    EXPECT_EQ(BodyWidthCache[0x3042], kWidthMeasureAlways) << "too wide for a byte";
    EXPECT_EQ(drawn, 1) << "one line of three rows, each a glyph taller than the view";
    EXPECT_EQ(PageScrollLines, 1);
    EXPECT_GT(page.count(0, page.height(), is_dark), 100);
}

TEST_F(ResponseView, ReferencesAreDecodedOnlyForDrawing)
{
    open_log(short_line("n", "&gt;&gt;5 &amp; x") + short_line("n", ">>5 & x"));
    const int h = row_height(AppState.BodyFont);
    PagePixels page(ResponseView_render(view));
    // Line 1 and line 4 must look the same.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < page.width(); ++x)
            ASSERT_EQ(page.at(x, h + y), page.at(x, 4 * h + y)) << x << "," << y;
    EXPECT_STREQ(OpenThreadTable.entries[0].lines[1].text, "&gt;&gt;5 &amp; x ") << "the store keeps the raw text";
}

TEST_F(ResponseView, NumericReferencesTagsAndExtendedCharactersDrawAsTheirCharacters)
{
    // Each pair of body lines must look the same: as the log has it, and in a
    // form that is drawn plainly.
    const std::pair<std::string, std::string> pairs[] = {
        {"&#12354;&#x3042;&#X3042;!", repeated(kA, 3) + "!"},
        {"&#9829;&#x1F600;&#x1f389;", "&#x2665;&#128512;&#127881;"},
        {"<b>x</b> <font color=red>y</font><span>z</span>", "x yz"},
        // NEC row 13, NEC-selected and IBM extensions.
        {"\x87\x40\x87\x54\x87\x8a\xed\x40\xee\xef\xfa\x40\xfa\x5c\xfb\xfc\xfc\x4b",
         "&#x2460;&#x2160;&#x3231;&#x7E8A;&#x2170;&#x2170;&#x7E8A;&#x9AD9;&#x9ED1;"},
        // Not characters: drawn as written.
        {"&#0;&#xD800;&#x110000;&#12354", "&amp;#0;&amp;#xD800;&amp;#x110000;&amp;#12354"},
    };
    std::string body;
    for (const auto& p : pairs) body += (body.empty() ? "" : " <br> ") + p.first + " <br> " + p.second;
    open_log(short_line("n", body));
    const int h = row_height(AppState.BodyFont);
    PagePixels page(ResponseView_render(view));
    for (size_t i = 0; i < sizeof pairs / sizeof pairs[0]; ++i) {
        const int raw = static_cast<int>(1 + 2 * i) * h, plain = raw + h;
        EXPECT_GT(page.count(raw, raw + h, is_dark), 0) << "pair " << i;
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < page.width(); ++x) differing += page.at(x, raw + y) != page.at(x, plain + y) ? 1 : 0;
        EXPECT_EQ(differing, 0) << "pair " << i;
    }
}

TEST_F(ResponseView, PaintMeasuresThePageAndSetsTheScrollBar)
{
    open_log(numbered_log(40));   // 160 lines of one row
    paint();
    const int fit = one_row_lines_fitting();
    EXPECT_EQ(PageScrollLines, fit - 1);
    EXPECT_EQ(PageUpLines, 1) << "at the top only the top line fits above";
    EXPECT_EQ(record().nPage, static_cast<uint32_t>(fit - 1));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(view, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 160);
    EXPECT_EQ(info.nPage, static_cast<UINT>(fit - 1));
    set_position(80);
    EXPECT_EQ(PageUpLines, fit - 1);
    EXPECT_EQ(PageScrollLines, fit - 1);
    // A smaller view measures fewer lines.
    MoveWindow(view, 0, 0, 240, 150, TRUE);
    paint();
    EXPECT_EQ(PageScrollLines, one_row_lines_fitting() - 1);
    EXPECT_LT(PageScrollLines, fit - 1);
}

TEST_F(ResponseView, APageShowingOneLineMovesOne)
{
    MoveWindow(view, 0, 0, 240, 2 + kBottomMargin + 4, TRUE);
    open_log(numbered_log(5));
    paint();
    EXPECT_EQ(PageScrollLines, 1);
    EXPECT_EQ(PageUpLines, 1);
    key(VK_NEXT);
    EXPECT_EQ(position(), 1);
}

TEST_F(ResponseView, PositionPastTheEndDrawsNothingAndPagesBackAWholePage)
{
    open_log(numbered_log(40));
    set_position(160);
    EXPECT_EQ(PageScrollLines, 1);
    EXPECT_EQ(PageUpLines, one_row_lines_fitting() - 1);
    int drawn = -1;
    PagePixels page(ResponseView_render(view, &drawn));
    EXPECT_EQ(drawn, 0);
    EXPECT_EQ(page.count(0, page.height(), is_ink), 0);
    // A position beyond the maximum is held to it.
    record().nPos = 500;
    paint();
    EXPECT_EQ(position(), 160);
}

TEST_F(ResponseView, AThreadBeingReloadedDrawsNothing)
{
    open_log(numbered_log(3));
    set_position(5);
    const int before = PageScrollLines;
    Resdata_close(0, 1);
    EXPECT_EQ(ResponseView_render(view), nullptr);
    paint();
    EXPECT_EQ(PageScrollLines, before) << "nothing measured";
    SendMessageW(view, WM_KEYDOWN, 'N', 0);
    SendMessageW(view, WM_KEYDOWN, VK_END, 0);
    SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(position(), 5) << "the position waits for the new parse";
}

TEST_F(ResponseView, SplashWithNoThreadOpen)
{
    EXPECT_STREQ(kSplashLines[0], L"Velmoなんちゃってクローン");
    EXPECT_STREQ(kSplashLines[2], L"key map : Alt+H");
    EXPECT_GT(std::wcslen(kSplashLines[1]), 0u);
    EXPECT_EQ(ResponseView_render(view), nullptr);

    RECT client{0, 0, 240, 300};
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 240, 300);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ResponseView_draw_splash(dc, client);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    PagePixels page(bitmap);
    const int first = 0 + (0 + 300) / 3;
    EXPECT_EQ(page.count(0, first, is_ink), 0) << "nothing above the first line";
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(page.count(first + 16 * i, first + 16 * (i + 1), is_ink), 0) << "line " << i;
    // Centred: ink starts well right of the left edge on the short third line.
    EXPECT_GT(page.leftmost_ink(first + 32 + 4, first + 44), 40);
}

TEST_F(ResponseView, ScrollMessagesAndTheWheel)
{
    open_log(numbered_log(40));
    paint();
    const int page = PageScrollLines;
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(position(), 1);
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(position(), 1 + page);
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 37), 0);
    EXPECT_EQ(position(), 37);
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 12), 0);
    EXPECT_EQ(position(), 12);
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(position(), 156) << "the last response's header";
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    EXPECT_EQ(position(), 156) << "top changes nothing";
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    EXPECT_EQ(position(), 155);
    paint();
    const int up = PageUpLines;
    SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(position(), 155 - up);
    paint();
    SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(position(), 155 - up + PageScrollLines);
    SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
    EXPECT_EQ(position(), 155 - up + PageScrollLines);
    SendMessageW(view, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50), 0);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    GetScrollInfo(view, SB_VERT, &info);
    EXPECT_EQ(info.nPos, 50) << "the bar follows";
}

TEST_F(ResponseView, APageIsNeverErasedUnderneathTheSplashIs)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 240, 300);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 240, 300};
    auto erased = [&] {
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SendMessageW(view, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        return GetPixel(dc, 5, 5) == RGB(255, 255, 255);
    };
    EXPECT_TRUE(erased()) << "no thread: the splash stands on white";
    open_log(numbered_log(3));
    EXPECT_FALSE(erased()) << "the page covers it all";
    Resdata_close(0, 1);
    EXPECT_TRUE(erased()) << "an entry being reloaded shows the background";
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(ResponseView, ATapGivesTheViewTheFocus)
{
    SetFocus(main);
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(GetFocus(), view);
}

TEST_F(ResponseView, OnScreenCopyEqualsTheRenderedPage)
{
    open_log(numbered_log(6));
    // Away from where other windows open, and on top.
    SetWindowPos(main, HWND_TOPMOST, 700, 300, 240, 320, SWP_SHOWWINDOW);
    paint();
    PagePixels page(ResponseView_render(view));
    POINT origin{0, 0};
    ClientToScreen(view, &origin);
    int same = 0, checked = 0;
    // Once the display has shown what was painted.
    pump_until([&] {
        HDC screen = GetDC(nullptr);
        same = checked = 0;
        for (int y = 0; y < page.height(); y += 3)
            for (int x = 0; x < page.width(); x += 3) {
                ++checked;
                same += GetPixel(screen, origin.x + x, origin.y + y) == page.at(x, y) ? 1 : 0;
            }
        ReleaseDC(nullptr, screen);
        return same == checked;
    });
    EXPECT_EQ(same, checked) << "the page is copied as drawn";
}

