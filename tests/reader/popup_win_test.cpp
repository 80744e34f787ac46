#include "tests/reader/viewfixture_win.h"

#include <string>
#include <vector>

#include "reader/conversation.h"
#include "reader/popup_win.h"
#include "reader/resdraw_win.h"

namespace {

using Targets = std::vector<int32_t>;

// A conversation in six responses, one body line each: 2 and 3 answer 1, 4
// answers 2 and 9 (not in the log), 5 answers 4, 6 answers 1 to 3; responses
// 1, 3 and 5 share an ID.
std::string conversation_log()
{
    auto line = [](const std::string& body, const std::string& id) {
        return "n<><>06/03/01 ID:" + id + "<> " + body + " <>\n";
    };
    return line("first", "AA") + line("<a href=\"../test/read.cgi/mobile/1/1\">&gt;&gt;1</a> yes", "BB") +
           line("&gt;&gt;1 no", "AA") + line(">>2,9 hm", "CC") + line(">>4 ok", "AA") +
           line("\x81\x84\x81\x84\x82\x50\x81\x7c\x82\x52 all", "DD");
}

class Popups : public ViewFixture {
protected:
    void TearDown() override
    {
        ResponsePopup_close_all();
        ViewFixture::TearDown();
    }

    ResponseBuffer& thread() { return *current_thread(); }
    int32_t header_of(int32_t r) { return first_line_of_response(thread(), r); }
    int row() { return row_height(AppState.BodyFont); }

    void tap(HWND window, int x, int y)
    {
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        pump_messages();
    }

    RECT rect_in_view(HWND popup)
    {
        RECT r;
        GetWindowRect(popup, &r);
        MapWindowPoints(HWND_DESKTOP, view, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

}  // namespace

TEST_F(Popups, HeadersShowAnswersAndIdPlace)
{
    open_log(conversation_log());
    // The first header of each response as the view draws it.
    struct Case {
        int32_t response;
        std::wstring header;
    } cases[] = {
        {1, L"1 (3) :n   06/03/01 ID:AA [1/3]"},
        {2, L"2 (2) :n   06/03/01 ID:BB"},
        {4, L"4 (1) :n   06/03/01 ID:CC"},
        {5, L"5 :n   06/03/01 ID:AA [3/3]"},
        {6, L"6 :n   06/03/01 ID:DD"},
    };
    for (const Case& c : cases) EXPECT_EQ(line_display_text(thread(), header_of(c.response)), c.header);
    // Drawn in the header's colours: the counts sit on the green row.
    PagePixels page(ResponseView_render(view));
    EXPECT_GT(page.count(0, row(), is_green), 10);
    EXPECT_EQ(page.count(0, row(), is_dark), 0);
}

TEST_F(Popups, KeysFollowTheResponseAtTheTop)
{
    open_log(conversation_log());
    set_position(header_of(4));
    struct Case {
        WPARAM key;
        Targets shown;
    } cases[] = {{'F', {2, 9}}, {'R', {5}}, {'I', {4}}};
    for (const Case& c : cases) {
        key(c.key);
        ASSERT_EQ(ResponsePopup_depth(), 1) << char(c.key);
        EXPECT_EQ(ResponsePopup_responses(0), c.shown) << char(c.key);
        HWND popup = ResponsePopup_window(0);
        EXPECT_EQ(GetParent(popup), view);
        EXPECT_TRUE(IsWindowVisible(popup));
        key(VK_ESCAPE);
        EXPECT_EQ(ResponsePopup_depth(), 0);
    }
    // Nothing to show opens nothing.
    set_position(header_of(6));
    key('R');
    EXPECT_EQ(ResponsePopup_depth(), 0);
    EXPECT_EQ(position(), header_of(6)) << "the view stays";
}

TEST_F(Popups, SizedToTheirContentWithinTheView)
{
    open_log(conversation_log());
    key('R');   // response 1's three answers
    ASSERT_EQ(ResponsePopup_depth(), 1);
    RECT small = rect_in_view(ResponsePopup_window(0));
    RECT client;
    GetClientRect(view, &client);
    EXPECT_GE(small.left, 0);
    EXPECT_LE(small.right, client.right);
    // Three responses of three lines each, one row a line.
    EXPECT_GE(small.bottom - small.top, 9 * row());
    EXPECT_LT(small.bottom, client.bottom - kPopupMargin - row()) << "not the whole view";
    ResponsePopup_close_all();

    // Many responses fill the view and no more.
    std::string log;
    for (int k = 1; k <= 40; ++k) log += short_line("n", k == 1 ? "top" : "&gt;&gt;1");
    open_log(log, L"2.dat");
    key('R');
    ASSERT_EQ(ResponsePopup_depth(), 1);
    RECT big = rect_in_view(ResponsePopup_window(0));
    EXPECT_EQ(big.bottom, client.bottom - kPopupMargin);
    EXPECT_EQ(ResponsePopup_responses(0).size(), 39u);
}

TEST_F(Popups, LineAndPageKeysScrollThePopupNotTheView)
{
    std::string log;
    for (int k = 1; k <= 40; ++k) log += short_line("n", k == 1 ? "top" : "&gt;&gt;1");
    open_log(log);
    key('R');
    ASSERT_EQ(ResponsePopup_top_response(0), 2);
    key(VK_DOWN);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(ResponsePopup_top_response(0), 3) << "three lines a response";
    key(VK_UP);
    EXPECT_EQ(ResponsePopup_top_response(0), 2);
    key(VK_NEXT);
    const int32_t paged = ResponsePopup_top_response(0);
    EXPECT_GT(paged, 4);
    key('A');
    EXPECT_EQ(ResponsePopup_top_response(0), 2);
    EXPECT_EQ(position(), 0) << "the view under it did not move";
}

TEST_F(Popups, NestCloseInTurnAndStopAtTheDeepestLevel)
{
    open_log(conversation_log());
    set_position(header_of(5));
    key('F');   // 5 -> 4
    key('F');   // 4 -> 2, 9
    ASSERT_EQ(ResponsePopup_depth(), 2);
    EXPECT_EQ(ResponsePopup_responses(1), (Targets{2, 9}));
    key('F');   // 2 -> 1
    ASSERT_EQ(ResponsePopup_depth(), 3);
    EXPECT_EQ(ResponsePopup_responses(2), (Targets{1}));
    // Each stands right of and below the one under it.
    RECT lower = rect_in_view(ResponsePopup_window(1)), upper = rect_in_view(ResponsePopup_window(2));
    EXPECT_EQ(upper.left - lower.left, kPopupStepX);
    EXPECT_EQ(upper.top - lower.top, kPopupStepY);

    key(VK_BACK);
    EXPECT_EQ(ResponsePopup_depth(), 2);
    EXPECT_EQ(ResponsePopup_top_response(1), 2) << "the one below is as it was";
    key(VK_ESCAPE);
    key(VK_ESCAPE);
    EXPECT_EQ(ResponsePopup_depth(), 0);
    key(VK_BACK);
    pump_messages();
    EXPECT_EQ(main_commands(), (std::vector<UINT>{IDM_SWITCH_VIEW})) << "with no popup, Backspace is the view's";

    // Answers of answers go as deep as allowed, then no deeper.
    set_position(header_of(1));
    for (int k = 0; k < kMaxPopupDepth + 2; ++k) key(k % 2 ? 'F' : 'R');
    EXPECT_EQ(ResponsePopup_depth(), kMaxPopupDepth);
}

TEST_F(Popups, MissingResponsesSaySoAndAreNoJumpTarget)
{
    open_log(conversation_log());
    set_position(header_of(4));
    key('F');
    ASSERT_EQ(ResponsePopup_responses(0), (Targets{2, 9}));
    key(VK_DOWN);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(ResponsePopup_top_response(0), 9);
    key(VK_RETURN);
    EXPECT_EQ(ResponsePopup_depth(), 1) << "nothing to jump to";
    EXPECT_EQ(position(), header_of(4));
    // Its line is drawn in the body's colour.
    HWND popup = ResponsePopup_window(0);
    HDC dc = GetDC(popup);
    bool dark = false;
    for (int x = 0; x < 100 && !dark; ++x)
        for (int y = 0; y < row() && !dark; ++y) dark = is_dark(GetPixel(dc, x, y));
    ReleaseDC(popup, dc);
    EXPECT_TRUE(dark);
}

TEST_F(Popups, EnterJumpsAndBackReturnsPerThread)
{
    open_log(conversation_log());
    set_position(header_of(5));
    key('F');
    key('F');   // 2, 9 over 4
    key(VK_RETURN);
    EXPECT_EQ(ResponsePopup_depth(), 0) << "a jump closes every popup";
    EXPECT_EQ(position(), header_of(2));
    key('R');
    key(VK_RETURN);   // to 4
    EXPECT_EQ(position(), header_of(4));

    // Another thread has a back stack of its own.
    const int first = OpenThreadTable.current;
    open_log(numbered_log(5), L"2.dat");
    key('B');
    EXPECT_EQ(position(), 0) << "nothing to go back to here";
    OpenThreadTable.current = first;
    paint();

    key('B');
    EXPECT_EQ(position(), header_of(2));
    key('B');
    EXPECT_EQ(position(), header_of(5));
    key('B');
    EXPECT_EQ(position(), header_of(5)) << "the stack is empty";
}

TEST_F(Popups, TapsOnNumberIdAnchorAndOutside)
{
    open_log(conversation_log());
    const int h = row();
    // Row 0: response 1's header; its number gives the answers.
    tap(view, 2, h / 2);
    ASSERT_EQ(ResponsePopup_depth(), 1);
    EXPECT_EQ(ResponsePopup_responses(0), (Targets{2, 3, 6}));
    // A tap on the popup's first body line (">>1 yes" of response 2) nests.
    tap(ResponsePopup_window(0), kBodyIndent + 3, h + h / 2);
    ASSERT_EQ(ResponsePopup_depth(), 2);
    EXPECT_EQ(ResponsePopup_responses(1), (Targets{1}));
    // A tap on the lower popup closes the one above it.
    tap(ResponsePopup_window(0), 200, 1);
    EXPECT_EQ(ResponsePopup_depth(), 1);
    // A tap outside every popup closes them.
    tap(view, 2, client_height() - 2);
    EXPECT_EQ(ResponsePopup_depth(), 0);

    // The ID at the right of response 1's header.
    std::wstring header = line_display_text(thread(), 0);
    HDC dc = GetDC(view);
    HGDIOBJ old = SelectObject(dc, AppState.BodyFont);
    SIZE before{};
    GetTextExtentPoint32W(dc, header.c_str(), static_cast<int>(header.find(L"ID:") + 1), &before);
    SelectObject(dc, old);
    ReleaseDC(view, dc);
    tap(view, before.cx, h / 2);
    ASSERT_EQ(ResponsePopup_depth(), 1);
    EXPECT_EQ(ResponsePopup_responses(0), (Targets{1, 3, 5}));
    ResponsePopup_close_all();

    // Full-width range on response 6's body line.
    set_position(header_of(6));
    tap(view, kBodyIndent + 3, h + h / 2);
    ASSERT_EQ(ResponsePopup_depth(), 1);
    EXPECT_EQ(ResponsePopup_responses(0), (Targets{1, 2, 3}));
    ResponsePopup_close_all();
    // Plain text opens nothing.
    tap(view, 200, h + h / 2);
    EXPECT_EQ(ResponsePopup_depth(), 0);
}

TEST_F(Popups, AReloadExtendsTheIndexAndClosesThePopups)
{
    std::string log = conversation_log();
    open_log(log);
    key('R');
    ASSERT_EQ(ResponsePopup_depth(), 1);
    ThreadConversation* before = thread().conversation;
    ASSERT_NE(before, nullptr);

    write_log("1.dat", log + short_line("n", "&gt;&gt;6") + short_line("n", "&gt;&gt;1"));
    const int index = OpenThreadTable.current;
    Resdata_close(index, 1);
    ASSERT_EQ(Resdata_read2(0, L"1.dat", index), 1);
    paint();
    EXPECT_EQ(ResponsePopup_depth(), 0) << "the popup showed the thread before the reload";
    EXPECT_EQ(thread().conversation, before) << "the same index, extended";
    EXPECT_EQ(before->index.responses, 8);
    EXPECT_EQ(line_display_text(thread(), header_of(1)).substr(0, 6), L"1 (4) ");
    EXPECT_EQ(line_display_text(thread(), header_of(6)).substr(0, 6), L"6 (1) ");
}
