#include "reader/subject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "reader/resnav.h"
#include "reader/threadentry.h"
#include "store/settings.h"

namespace {

// Parsed rows with their own copies of the text (the parser's views point
// into the line, which the tests build as temporaries).
struct Subject {
    std::string file;
    std::string title;
    int32_t count = -1;
};

struct Favorite {
    std::string dir;
    std::string file;
    std::string title;
};

Subject parsed(const std::string& line)
{
    SubjectRow row{};
    EXPECT_TRUE(parse_subject_line(line, &row)) << line;
    return Subject{std::string(row.file), std::string(row.title), row.count};
}

bool refused(const std::string& line)
{
    SubjectRow row{};
    return !parse_subject_line(line, &row);
}

Favorite favorite(const std::string& line)
{
    FavoriteRow row{};
    EXPECT_TRUE(parse_favorite_row(line, &row)) << line;
    return Favorite{std::string(row.dir), std::string(row.file), std::string(row.title)};
}

bool favorite_refused(const std::string& line)
{
    FavoriteRow row{};
    return !parse_favorite_row(line, &row);
}

}  // namespace

TEST(SubjectLine, KeyTitleAndCount)
{
    Subject row = parsed("1065069078.dat<>Mobile browsers (25)\n");
    EXPECT_EQ(row.file, "1065069078.dat");
    EXPECT_EQ(row.title, "Mobile browsers");
    EXPECT_EQ(row.count, 25);
}

TEST(SubjectLine, OnlyTheLastParenthesisStartsTheCount)
{
    Subject row = parsed("1141183496.dat<>Test (part 2) (1001)");
    EXPECT_EQ(row.title, "Test (part 2)");
    EXPECT_EQ(row.count, 1001);
}

TEST(SubjectLine, ShiftJisTitleAndCrLf)
{
    // "携帯" in Shift-JIS.
    Subject row = parsed("1000000001.dat<>\x8C\x67\x91\xD1 (7)\r\n");
    EXPECT_EQ(row.title, "\x8C\x67\x91\xD1");
    EXPECT_EQ(row.count, 7);
}

TEST(SubjectLine, OnlyOneBlankBeforeTheCountGoes)
{
    EXPECT_EQ(parsed("1.dat<>a  (3)").title, "a ");
    EXPECT_EQ(parsed("1.dat<>a(3)").title, "a");
    EXPECT_EQ(parsed("1.dat<>(3)").title, "");
}

TEST(SubjectLine, SeparatorRunsAndTheFieldEnd)
{
    // The title field runs to the next "<" or ">".
    Subject row = parsed("1.dat<><>title (4)<>ignored (9)");
    EXPECT_EQ(row.title, "title");
    EXPECT_EQ(row.count, 4);
    EXPECT_EQ(parsed("1.dat>title (5)").count, 5);
    // Text after the ")" is left alone.
    EXPECT_EQ(parsed("1.dat<>t (6) x").count, 6);
}

TEST(SubjectLine, MalformedLinesAreRefused)
{
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("\n"));
    EXPECT_TRUE(refused("1065069078.dat no separator (3)"));
    EXPECT_TRUE(refused("1065069078.dat<>no count"));
    EXPECT_TRUE(refused("1065069078.dat<>no close (3"));
    EXPECT_TRUE(refused("1065069078.dat<>no open 3)"));
    EXPECT_TRUE(refused("1065069078.dat<>letters (3a)"));
    EXPECT_TRUE(refused("1065069078.dat<>empty ()"));
    EXPECT_TRUE(refused("1065069078.dat<>negative (-3)"));
    EXPECT_TRUE(refused("1065069078.dat<>huge (99999999999)"));
    EXPECT_TRUE(refused("1065069078.dat<>beyond 32 bits (2147483648)"));
    EXPECT_EQ(parsed("1.dat<>edge (2147483647)").count, 2147483647);
    EXPECT_TRUE(refused("1065069078.dat<>"));
    EXPECT_TRUE(refused("<>title (3)"));
}

TEST(SubjectLine, NamesThatWouldLeaveTheBoardDirectoryAreRefused)
{
    EXPECT_TRUE(refused("..<>up (1)"));
    EXPECT_TRUE(refused(".<>here (1)"));
    EXPECT_TRUE(refused("..\\..\\x.dat<>up (1)"));
    EXPECT_TRUE(refused("../x.dat<>up (1)"));
    EXPECT_TRUE(refused("c:x.dat<>drive (1)"));
    EXPECT_TRUE(refused(std::string("1.dat\0x", 7) + "<>nul (1)"));
    EXPECT_TRUE(refused("1.dat\t<>tab (1)"));
    EXPECT_TRUE(refused("CON<>device (1)"));
    EXPECT_TRUE(refused("nul.dat<>device (1)"));
    EXPECT_TRUE(refused("a|b.dat<>pipe (1)"));
    // Fourteen bytes fit; fifteen do not.
    EXPECT_EQ(parsed("12345678901234<>t (1)").file, "12345678901234");
    EXPECT_TRUE(refused("123456789012345<>t (1)"));
}

TEST(SubjectLine, TitleRoomIs256Bytes)
{
    std::string title(256, 'x');
    EXPECT_EQ(parsed("1.dat<>" + title + " (2)").title.size(), 256u);
    EXPECT_TRUE(refused("1.dat<>" + title + "y (2)"));
    EXPECT_TRUE(refused(std::string("1.dat<>a\0b (2)", 14)));
}

TEST(FavoriteLine, DirectoryFileAndTitle)
{
    Favorite row = favorite("mobile<>1065069078.dat<>Spring title Part10\r\n");
    EXPECT_EQ(row.dir, "mobile");
    EXPECT_EQ(row.file, "1065069078.dat");
    EXPECT_EQ(row.title, "Spring title Part10");
}

TEST(FavoriteLine, CountAtTheEndIsCutOtherParenthesesStay)
{
    EXPECT_EQ(favorite("m<>1.dat<>Title (25)").title, "Title");
    EXPECT_EQ(favorite("m<>1.dat<>Test (part 2)").title, "Test (part 2)");
    EXPECT_EQ(favorite("m<>1.dat<>Test (part 2) (30)").title, "Test (part 2)");
    EXPECT_EQ(favorite("m<>1.dat<>()").title, "()");
    EXPECT_EQ(favorite("m<>1.dat<>(").title, "(");
    EXPECT_EQ(favorite("m<>1.dat<>").title, "");
    EXPECT_EQ(favorite("m<>1.dat<>a<>b (3)").title, "a");
}

TEST(FavoriteLine, LongTitleIsCutAtACharacterBoundary)
{
    std::string title;
    for (int i = 0; i < 300; ++i) title += "\x8C\x67";   // 600 bytes of "携"
    Favorite row = favorite("m<>1.dat<>x" + title);
    EXPECT_EQ(row.title.size(), 509u);   // "x" and 254 whole characters
    EXPECT_EQ(row.title.substr(row.title.size() - 2), "\x8C\x67");
}

TEST(FavoriteLine, MalformedLinesAreRefused)
{
    EXPECT_TRUE(favorite_refused(""));
    EXPECT_TRUE(favorite_refused("mobile"));
    EXPECT_TRUE(favorite_refused("mobile<>1065069078.dat"));   // one "<>" only
    EXPECT_TRUE(favorite_refused("<>1.dat<>t"));
    EXPECT_TRUE(favorite_refused("mobile<>..<>t"));
    EXPECT_TRUE(favorite_refused("mobile<>..\\x.dat<>t"));
    EXPECT_TRUE(favorite_refused("mobile<>COM1<>t"));
    EXPECT_TRUE(favorite_refused("mobile<><>t"));
    // The adder and the remover would read different names.
    EXPECT_TRUE(favorite_refused("mob>ile<>1.dat<>t"));
    EXPECT_TRUE(favorite_refused("mobile<>1.d<at<>t"));
    EXPECT_TRUE(favorite_refused(std::string(67, 'd') + "<>1.dat<>t"));
    EXPECT_EQ(favorite(std::string(66, 'd') + "<>1.dat<>t").dir.size(), 66u);
}

TEST(ListLimiter, StopsAfterThreadMaxPlusOneWhenLogsCount)
{
    ListLimiter limit(0, 1, 100, 0);
    int listed = 0;
    for (int line = 0; line < 500; ++line) {
        bool held = line % 3 == 0;
        if (!limit.admits(held)) continue;
        ++listed;
        if (!limit.added()) break;
    }
    EXPECT_EQ(listed, 101);
}

TEST(ListLimiter, GoesOnWithHeldThreadsWhenLogsAreExcluded)
{
    ListLimiter limit(0, 1, 100, 1);
    std::vector<int> lines;
    for (int line = 0; line < 500; ++line) {
        bool held = line >= 150 && line % 50 == 0;
        if (!limit.admits(held)) continue;
        lines.push_back(line);
        ASSERT_TRUE(limit.added());
    }
    // Lines 0..100, then the held ones further down.
    ASSERT_EQ(lines.size(), 101u + 7u);
    EXPECT_EQ(lines[100], 100);
    EXPECT_EQ(std::vector<int>(lines.begin() + 101, lines.end()),
              (std::vector<int>{150, 200, 250, 300, 350, 400, 450}));
    EXPECT_TRUE(limit.held_only());
}

TEST(ListLimiter, NoLimitWhenSwitchedOffOrInLogOnlyMode)
{
    ListLimiter off(0, 0, 10, 0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(off.admits(false));
        ASSERT_TRUE(off.added());
    }
    ListLimiter logOnly(1, 1, 10, 0);
    int listed = 0;
    for (int line = 0; line < 1000; ++line) {
        bool held = line % 2 == 0;
        if (!logOnly.admits(held)) continue;
        ++listed;
        ASSERT_TRUE(logOnly.added());
    }
    EXPECT_EQ(listed, 500);
    EXPECT_FALSE(logOnly.admits(false));
}

TEST(ListLimiter, ZeroAndNegativeMaximumListOneThread)
{
    ListLimiter zero(0, 1, 0, 0);
    EXPECT_TRUE(zero.admits(false));
    EXPECT_FALSE(zero.added());
    ListLimiter negative(0, 1, -5, 1);
    EXPECT_TRUE(negative.added());
    EXPECT_FALSE(negative.admits(false));
    EXPECT_TRUE(negative.admits(true));
}

TEST(RowMeasure, MostFrequentLinesWithTiesToTheLarger)
{
    const int32_t h = 12;
    int32_t heights[] = {12, 24, 24, 12, 36};
    EXPECT_EQ(most_frequent_row_lines(heights, 5, h), 2);
    int32_t tie[] = {12, 24};
    EXPECT_EQ(most_frequent_row_lines(tie, 2, h), 2);
    int32_t tall[] = {12 * 15, 12 * 12};
    EXPECT_EQ(most_frequent_row_lines(tall, 2, h), 9);
    EXPECT_EQ(most_frequent_row_lines(nullptr, 0, h), 1);
    EXPECT_EQ(most_frequent_row_lines(heights, 5, 0), 1);
    int32_t empty[] = {0, 0, 12};
    EXPECT_EQ(most_frequent_row_lines(empty, 3, h), 0);
}

TEST(RowMeasure, OnlyTheFirstTwentyTitlesCount)
{
    std::vector<int32_t> heights(20, 12);
    heights.insert(heights.end(), 30, 36);
    EXPECT_EQ(most_frequent_row_lines(heights.data(), static_cast<int>(heights.size()), 12), 1);
}

// Any positive setting holds while a row of that many lines fits the view;
// beyond that, as many lines as fit (one at the least).
TEST(RowMeasure, SettingAndHeight)
{
    struct Case {
        int32_t sureLines, measured, fitting, lines;
    };
    const Case cases[] = {
        {0, 3, 20, 3},  {-1, 3, 20, 3}, {2, 3, 20, 2},  {9, 1, 20, 9}, {12, 1, 20, 12},
        {20, 1, 20, 20}, {50, 3, 20, 20}, {50, 3, 0, 1}, {3, 2, -4, 1}, {0, 3, 1, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(row_lines_for_setting(c.sureLines, c.measured, c.fitting), c.lines)
            << c.sureLines << " lines, " << c.fitting << " fit";
    EXPECT_EQ(thread_row_height(13, 2, 16), 26);
    EXPECT_EQ(thread_row_height(13, 1, 16), 16);
    EXPECT_EQ(thread_row_height(13, 0, 16), 16);
}

TEST(RowMeasure, EvenRowColourMix)
{
    // White window, highlight 0x00C08040 (B=C0 G=80 R=40).
    EXPECT_EQ(mix_row_colour(0x00FFFFFF, 0x00C08040), 0x00F7EFE7u);
    EXPECT_EQ(mix_row_colour(0, 0x00FFFFFF), 0x001F1F1Fu);
    EXPECT_EQ(mix_row_colour(0x00FFFFFF, 0x00FFFFFF), 0x00FFFFFFu);
}

// ---- rows, sorting ----

namespace {

std::unique_ptr<ThreadEntry> row(int32_t state, const wchar_t* title, int32_t count, int32_t lastRead = -1,
                                 const wchar_t* file = L"1.dat")
{
    return std::make_unique<ThreadEntry>(state, title, count, lastRead, file, make_thread_board(L"mobile", L"srv"), 0);
}

std::vector<int32_t> positions(const ThreadList& list)
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < list.count(); ++i) out.push_back(list.at(i)->position);
    return out;
}

class ThreadListClick : public testing::Test {
protected:
    void SetUp() override
    {
        saved = Settings.SortNew;
        Settings.SortNew = 1;
        reset_sort_directions();
        // position: state, title, count
        list.add(row(0, L"delta", 10));   // 0
        list.add(row(1, L"alpha", 25));   // 1
        list.add(row(2, L"charlie", 10)); // 2
        list.add(row(0, L"bravo", 25));   // 3
        list.add(row(2, L"alpha", 3));    // 4
        list.add(row(1, L"echo", 10));    // 5
    }
    void TearDown() override { Settings.SortNew = saved; }

    ThreadList list{kThreadListCapacity};
    int32_t saved = 0;
};

}  // namespace

TEST(ThreadList, HoldsAtMostCapacityLessOne)
{
    ThreadList list(kThreadListCapacity);
    for (int i = 0; i < 2047; ++i) ASSERT_TRUE(list.add(row(0, L"t", i)));
    EXPECT_TRUE(list.full());
    EXPECT_FALSE(list.add(row(0, L"over", 1)));
    EXPECT_EQ(list.count(), 2047);
    EXPECT_EQ(list.at(2046)->position, 2046);
    EXPECT_EQ(list.at(2047), nullptr);
    EXPECT_EQ(list.at(-1), nullptr);
    ThreadList tiny(1);
    EXPECT_FALSE(tiny.add(row(0, L"t", 1)));
}

TEST(ThreadList, ProcessListIsReplacedAndDeleted)
{
    ThreadList* saved = ProcessThreadList;
    ProcessThreadList = nullptr;
    create_thread_list();
    ASSERT_NE(ProcessThreadList, nullptr);
    EXPECT_EQ(ProcessThreadList->capacity(), 2048);
    ProcessThreadList->add(row(0, L"t", 1));
    create_thread_list();
    EXPECT_EQ(ProcessThreadList->count(), 0);
    delete_thread_list();
    EXPECT_EQ(ProcessThreadList, nullptr);
    ProcessThreadList = saved;
}

TEST_F(ThreadListClick, NewFirstKeepsLoadOrderWithinAState)
{
    list.sort(0, false);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{2, 4, 1, 5, 0, 3}));
    list.sort(0, true);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ThreadListClick, CountClickedOnceDescendingTwiceAscendingTiesInLoadOrder)
{
    int32_t selected = thread_list_column_click(list, 2, 0);
    EXPECT_EQ(sort_direction(2), 2);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{1, 3, 0, 2, 5, 4}));
    EXPECT_EQ(list.at(selected)->position, 0);
    selected = thread_list_column_click(list, 2, selected);
    EXPECT_EQ(sort_direction(2), 1);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{4, 0, 2, 5, 1, 3}));
    EXPECT_EQ(list.at(selected)->position, 0);
}

TEST_F(ThreadListClick, TitleByCodeUnitTiesByPosition)
{
    thread_list_column_click(list, 1, -1);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{5, 0, 2, 3, 1, 4}));
    EXPECT_EQ(thread_list_column_click(list, 1, -1), -1);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{1, 4, 3, 2, 0, 5}));
}

TEST_F(ThreadListClick, ColumnZeroIsTheSortNewSetting)
{
    int32_t selected = thread_list_column_click(list, 0, 3);
    EXPECT_EQ(Settings.SortNew, 2);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{2, 4, 1, 5, 0, 3}));
    EXPECT_EQ(selected, 5);
    thread_list_column_click(list, 0, selected);
    EXPECT_EQ(Settings.SortNew, 1);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ThreadListClick, ResetLeavesSortNewAndUnknownColumnsChangeNothing)
{
    thread_list_column_click(list, 3, 0);
    thread_list_column_click(list, 0, 0);
    reset_sort_directions();
    EXPECT_EQ(sort_direction(3), 1);
    EXPECT_EQ(sort_direction(0), 2);
    std::vector<int32_t> before = positions(list);
    EXPECT_EQ(thread_list_column_click(list, 5, 2), 2);
    EXPECT_EQ(thread_list_column_click(list, -1, 2), 2);
    EXPECT_EQ(positions(list), before);
}

TEST(ThreadListSort, EveryColumnOrdersAndNegates)
{
    ThreadEntry a(1, L"a", 5, 3, L"2.dat", make_thread_board(L"b", L"s1"), 9);
    ThreadEntry b(2, L"b", 4, 7, L"1.dat", make_thread_board(L"a", L"s2"), 1);
    a.position = 0;
    b.position = 1;
    EXPECT_LT(compare_thread_entries(a, b, 1, true), 0);
    EXPECT_GT(compare_thread_entries(a, b, 2, true), 0);
    EXPECT_LT(compare_thread_entries(a, b, 3, true), 0);
    EXPECT_GT(compare_thread_entries(a, b, 4, true), 0);
    EXPECT_GT(compare_thread_entries(a, b, 5, true), 0);   // directory
    EXPECT_LT(compare_thread_entries(a, b, 6, true), 0);   // server
    EXPECT_GT(compare_thread_entries(a, b, 7, true), 0);
    EXPECT_LT(compare_thread_entries(a, b, 7, false), 0);
    EXPECT_GT(compare_thread_entries(a, b, 0, false), 0);   // state 2 first
    EXPECT_LT(compare_thread_entries(a, b, 0, true), 0);    // load order
    // Equal values: position, ascending in both directions.
    ThreadEntry c(1, L"a", 5, 3, L"2.dat", make_thread_board(L"b", L"s1"), 9);
    c.position = 2;
    EXPECT_LT(compare_thread_entries(a, c, 2, false), 0);
    EXPECT_LT(compare_thread_entries(a, c, 2, true), 0);
    EXPECT_GT(compare_thread_entries(c, a, 9, true), 0);
}

TEST(ThreadListSort, TitlesCompareByCodeUnitNotByLocale)
{
    ThreadEntry upper(0, L"Z", 0, -1, L"1.dat", nullptr, 0);
    ThreadEntry lower(0, L"a", 0, -1, L"2.dat", nullptr, 0);
    ThreadEntry kana(0, L"\x30A2", 0, -1, L"3.dat", nullptr, 0);   // ア
    ThreadEntry prefix(0, L"ZZ", 0, -1, L"4.dat", nullptr, 0);
    upper.position = 0;
    lower.position = 1;
    kana.position = 2;
    prefix.position = 3;
    EXPECT_LT(compare_thread_entries(upper, lower, 1, true), 0);
    EXPECT_LT(compare_thread_entries(lower, kana, 1, true), 0);
    EXPECT_LT(compare_thread_entries(upper, prefix, 1, true), 0);
}

TEST(ThreadOpen, ViewStartsAtTheLastReadResponse)
{
    // Three responses of 3, 4 and 2 lines.
    Response responses[3] = {};
    responses[0].firstLine = 0;
    responses[1].firstLine = 3;
    responses[2].firstLine = 7;
    ResponseBuffer thread{};
    thread.responses = responses;
    thread.responseCount = 3;
    thread.lineCount = 9;
    EXPECT_EQ(scroll_line_for_last_read(thread, -1), 0);
    EXPECT_EQ(scroll_line_for_last_read(thread, 0), 0);
    EXPECT_EQ(scroll_line_for_last_read(thread, 1), 0);
    EXPECT_EQ(scroll_line_for_last_read(thread, 2), 3);
    EXPECT_EQ(scroll_line_for_last_read(thread, 3), 7);
    EXPECT_EQ(scroll_line_for_last_read(thread, 4), 9);
    EXPECT_EQ(scroll_line_for_last_read(thread, 1000000), 9);
    ResponseBuffer empty{};
    EXPECT_EQ(scroll_line_for_last_read(empty, 5), 0);
}

// ---- the row of a thread just made ----

TEST(NewThreadRow, ExactTitleAmongTheLargestKeys)
{
    ThreadList list{kThreadListCapacity};
    // row: key order is not row order; an older thread shares the title.
    list.add(row(0, L"same", 1, -1, L"1000000001.dat"));   // 0
    list.add(row(0, L"other", 1, -1, L"1000000005.dat"));  // 1
    list.add(row(0, L"same", 1, -1, L"1000000004.dat"));   // 2
    list.add(row(0, L"same ", 1, -1, L"1000000006.dat"));  // 3
    list.add(row(0, L"x", 1, -1, L"notakey.dat"));         // 4
    struct Case {
        const wchar_t* title;
        int32_t newest;
        int32_t row;
    };
    const Case cases[] = {
        {L"same", 10, 2},     // the newer of the two
        {L"same", 2, -1},     // not among the two newest
        {L"same ", 10, 3},    // exact: a blank more is another title
        {L"x", 10, -1},       // a row without a key is never the new one
        {L"same", 0, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(find_new_thread_row(list, c.title, c.newest), c.row) << c.newest;
    }
    EXPECT_EQ(find_new_thread_row(ThreadList{kThreadListCapacity}, L"same"), -1);
}

// New first, then held, then fallen (held, but it never grows again), then
// not held; the load order among equals.
TEST(ThreadListSort, FallenThreadsComeAfterHeldOnesAndBeforeTheRest)
{
    ThreadList list(kThreadListCapacity);
    for (int32_t state : {ThreadFallen, ThreadNotHeld, ThreadHasNew, ThreadHeld, ThreadFallen, ThreadHeld})
        list.add(row(state, L"t", 1));
    list.sort(0, false);
    EXPECT_EQ(positions(list), (std::vector<int32_t>{2, 3, 5, 0, 4, 1}));
}
