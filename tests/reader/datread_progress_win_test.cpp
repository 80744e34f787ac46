// The parse's progress dialog appears only when a parse is slow; its titles
// are given either way.
#include "tests/reader/threadfixture_win.h"

#include "base/appstate.h"
#include "tests/support/faketicks_win.h"

namespace {

// A top-level window of this thread with exactly this title, visible or not.
HWND window_titled(const std::wstring& title)
{
    struct Search {
        const std::wstring* title;
        HWND found;
    } search{&title, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            Search* s = reinterpret_cast<Search*>(p);
            wchar_t text[64] = {};
            GetWindowTextW(w, text, 64);
            if (*s->title == text) s->found = w;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Seen {
    std::wstring title;
    bool window = false;
    bool visible = false;
};

std::vector<Seen>& seen()
{
    static std::vector<Seen> s;
    return s;
}

void record_with_window(const wchar_t* title)
{
    HWND w = window_titled(title);
    seen().push_back({title, w != nullptr, w != nullptr && IsWindowVisible(w) != FALSE});
}

// The parse's clock: it stands still (a parse of any size is quick) unless
// growing the response array (at 500 responses) takes a while, as on a slow
// handset.
FakeTicks*& clock()
{
    static FakeTicks* c = nullptr;
    return c;
}

bool slow_response_growth(ReaderGrowth what)
{
    if (what == ReaderGrowth::Responses) clock()->advance(400);
    return true;
}

std::string lines(int count)
{
    std::string log;
    for (int i = 1; i <= count; ++i) log += dat_line("n" + std::to_string(i), "b");
    return log;
}

class ResdataProgress : public ThreadFixture {
protected:
    void SetUp() override
    {
        ThreadFixture::SetUp();
        seen().clear();
        set_reader_progress_hook(record_with_window);
        clock() = &ticks_;
    }
    void TearDown() override
    {
        clock() = nullptr;
        ThreadFixture::TearDown();
    }

    FakeTicks ticks_;
};

TEST_F(ResdataProgress, QuickParseGivesEveryTitleWithoutAWindow)
{
    write_log("1.dat", lines(250));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    ASSERT_EQ(seen().size(), 4u);
    const wchar_t* expected[] = {L"読込中", L"読込中 (0)", L"読込中 (100)", L"読込中 (200)"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(seen()[i].title, expected[i]);
        EXPECT_FALSE(seen()[i].window) << i;
    }
    EXPECT_EQ(window_titled(L"読込中 (200)"), nullptr);
}

TEST_F(ResdataProgress, SlowParseShowsTheDialogWithTheLatestTitleAndClosesIt)
{
    set_reader_growth_hook(slow_response_growth);
    write_log("1.dat", lines(720));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_EQ(entry(0).responseCount, 720);
    ASSERT_EQ(seen().size(), 9u);
    for (size_t i = 0; i < 7; ++i) EXPECT_FALSE(seen()[i].window) << i;   // up to "読込中 (500)"
    EXPECT_EQ(seen()[6].title, L"読込中 (500)");
    EXPECT_EQ(seen()[7].title, L"読込中 (600)");
    EXPECT_TRUE(seen()[7].window);
    EXPECT_TRUE(seen()[7].visible);
    EXPECT_EQ(seen()[8].title, L"読込中 (700)");
    EXPECT_TRUE(seen()[8].visible);
    // Closed before the call returned.
    EXPECT_EQ(window_titled(L"読込中 (700)"), nullptr);
}

TEST_F(ResdataProgress, MissingLogGivesTheFirstTitleAndLeavesNoWindow)
{
    ReportCapture capture;
    EXPECT_EQ(open_thread(L"2.dat"), 0);
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].title, L"読込中");
    EXPECT_EQ(window_titled(L"読込中"), nullptr);
}

}  // namespace
