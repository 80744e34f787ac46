#include "tests/reader/threadfixture_win.h"

#include "base/appstate.h"

namespace {

const std::string kNanashi = "\x96\xbc\x96\xb3\x82\xb5";   // 名無し
const std::string kSo = "\x83\x5c";                         // ソ

std::string many_lines(int count, const std::string& body = "b")
{
    std::string log;
    for (int i = 1; i <= count; ++i) log += dat_line("n" + std::to_string(i), body);
    return log;
}

bool refuse_responses(ReaderGrowth what) { return what != ReaderGrowth::Responses; }
bool refuse_lines(ReaderGrowth what) { return what != ReaderGrowth::Lines; }
bool refuse_line_buffer(ReaderGrowth what) { return what != ReaderGrowth::LineBuffer; }

}  // namespace

using Resdata = ThreadFixture;

TEST_F(Resdata, EmptyLogGivesAnEmptyEntryAndGivesItsStoreBack)
{
    write_log("1065069078.dat", "");
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1065069078.dat"), 1);
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(entry(0).responseCount, 0);
    EXPECT_EQ(entry(0).lineCount, 0);
    EXPECT_NE(entry(0).lines, nullptr);
    EXPECT_EQ(OpenThreadTable.scroll[0].nMax, 0);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPos, 0);
    EXPECT_EQ(ProcessMemmap().held(), heldBefore) << "no line points at the store, so it went back at once";
    // Closing it later releases nothing twice.
    EXPECT_EQ(Resdata_close(0, 0), 0);
    --OpenThreadTable.count;
    EXPECT_TRUE(memmap_lines().empty());
}

TEST_F(Resdata, NanashiExampleGivesFourLines)
{
    write_log("1065069078.dat", kNanashi + "<><>2006/03/01(Wed) 12:34:56 ID:Ab3dEfGh<> a <br> b <>Title\n");
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1065069078.dat"), 1);
    EXPECT_TRUE(capture.messages().empty());
    const ResponseBuffer& e = entry(0);
    ASSERT_EQ(e.responseCount, 1);
    ASSERT_EQ(e.lineCount, 4);
    EXPECT_STREQ(e.responses[0].mail, " ");
    EXPECT_STREQ(e.responses[0].date, "2006/03/01(Wed) 12:34:56 ID:Ab3dEfGh");
    EXPECT_EQ(e.lines[0].kind, HeaderLine);
    EXPECT_EQ(text(0, 0), kNanashi);
    EXPECT_EQ(text(0, 1), "a");
    EXPECT_EQ(text(0, 2), "b ");
    EXPECT_EQ(text(0, 3), " ");
    EXPECT_EQ(e.lines[3].kind, BodyLine);
    EXPECT_EQ(e.ReadMark, 100);
    EXPECT_STREQ(e.fileName, L"1065069078.dat");
    EXPECT_STREQ(e.board.dir, L"mobile");
    EXPECT_STREQ(e.board.host, L"srv");
    EXPECT_EQ(OpenThreadTable.scroll[0].nMax, 4);
    EXPECT_EQ(OpenThreadTable.scroll[0].cbSize, 28u);
    EXPECT_EQ(OpenThreadTable.scroll[0].fMask, 7u);
    EXPECT_EQ(ProcessMemmap().held(), heldBefore + 1);
}

TEST_F(Resdata, CrLfLinesReadTheSame)
{
    write_log("1.dat", "n<>sage<>d<> x <br> y <>t\r\nm<><>d2<> z <>\r\n");
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    ASSERT_EQ(entry(0).responseCount, 2);
    EXPECT_EQ(text(0, 2), "y ");
    EXPECT_EQ(text(0, 4), "m");
    EXPECT_STREQ(entry(0).responses[1].date, "d2");
}

TEST_F(Resdata, TripNameDoubleSeparatorsAndAnchors)
{
    const std::string anchor = "<a href=\"../test/read.cgi/mobile/1/12\" target=\"_blank\">&gt;&gt;12</a>";
    write_log("1.dat", "abc </b>" + kSo + "trip<b><>sage<>d<> " + anchor + " <br>  <br> &gt; quoted <>t\n");
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    const ResponseBuffer& e = entry(0);
    ASSERT_EQ(e.lineCount, 5);
    EXPECT_EQ(text(0, 0), "abc " + kSo + "trip");
    EXPECT_EQ(text(0, 1), ">>12");
    EXPECT_EQ(e.lines[1].length, static_cast<int32_t>(anchor.size())) << "the length before the rewrite";
    EXPECT_EQ(text(0, 2), "");
    EXPECT_EQ(e.lines[2].length, 0);
    EXPECT_EQ(text(0, 3), "&gt; quoted ");
}

TEST_F(Resdata, LongLineIsReadInPiecesAsOneResponse)
{
    std::string body;
    while (body.size() < 5000) body += "0123456789abcdef <br> ";
    body += "tail";
    std::string log = dat_line("n1", "short") + dat_line("n2", body) + dat_line("n3", "after");
    ASSERT_GT(log.size(), 5000u);
    write_log("1.dat", log);
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_TRUE(capture.messages().empty());
    const ResponseBuffer& e = entry(0);
    ASSERT_EQ(e.responseCount, 3);
    uint32_t third = e.responses[2].firstLine;
    EXPECT_EQ(text(0, third), "n3");
    EXPECT_EQ(text(0, third - 2), "tail ");
    EXPECT_EQ(text(0, e.responses[1].firstLine), "n2");
    EXPECT_EQ(text(0, e.responses[1].firstLine + 1), "0123456789abcdef");
}

TEST_F(Resdata, LineWithoutSeparatorIsSkipped)
{
    write_log("1.dat", many_lines(3) + "a line with no separator\n" + dat_line("fourth", "4"));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    const ResponseBuffer& e = entry(0);
    ASSERT_EQ(e.responseCount, 4);
    EXPECT_EQ(text(0, e.responses[3].firstLine), "fourth");
    EXPECT_EQ(e.lines[e.responses[3].firstLine].response, 4);
}

TEST_F(Resdata, EmptiedResponseKeepsEveryLaterResponse)
{
    write_log("1.dat", many_lines(2) + "n3<>sage<>d<><>\n" + many_lines(2));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_EQ(entry(0).responseCount, 5);
    EXPECT_EQ(entry(0).lineCount, 15);
    EXPECT_EQ(text(0, 6), "n3");
    EXPECT_EQ(text(0, 7), "");
    EXPECT_EQ(text(0, 8), " ");
    EXPECT_EQ(text(0, 9), "n1") << "the log's next line is response 4";
    EXPECT_EQ(entry(0).lines[9].response, 4);
    EXPECT_EQ(OpenThreadTable.scroll[0].nMax, 15);
}

TEST_F(Resdata, RealShapedThreadOpensWhole)
{
    write_log("1700000000.dat", test_data_bytes("realthread.dat"));
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1700000000.dat"), 1);
    EXPECT_TRUE(capture.messages().empty());
    const ResponseBuffer& e = entry(0);
    ASSERT_EQ(e.responseCount, 10);
    EXPECT_EQ(e.lineCount, 44);
    EXPECT_EQ(text(0, e.responses[3].firstLine), utf8_to_sjis("名無し&#9829;さん"));
    EXPECT_EQ(text(0, e.responses[9].firstLine + 1), utf8_to_sjis("おわり "));
    EXPECT_EQ(read_file_bytes(log_path("1700000000.dat")), test_data_bytes("realthread.dat"))
        << "the log stays what the server sent";
}

TEST_F(Resdata, LastLineCutShortIsShownAsFarAsItGoes)
{
    write_log("1.dat", many_lines(1) + "n2<>sage<>d<> first <br> half a lin");
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(entry(0).responseCount, 2);
    ASSERT_EQ(entry(0).lineCount, 3 + 4);
    EXPECT_EQ(text(0, 4), "first");
    EXPECT_EQ(text(0, 5), "half a lin");
    EXPECT_EQ(text(0, 6), " ");
}

TEST_F(Resdata, NulBytesInALineAreShownAsBlanks)
{
    write_log("1.dat", std::string("n1<>sage<>d<> a\0b <>\n", 21) + dat_line("n2", "x"));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    ASSERT_EQ(entry(0).responseCount, 2);
    EXPECT_EQ(text(0, 1), "a b ");
    EXPECT_EQ(text(0, 3), "n2");
}

TEST_F(Resdata, LineLongerThanOneReadAndAZeroTailReadTheSame)
{
    // The last line was cut short by a write that left zero bytes behind it.
    const std::string body(20000, 'y');
    write_log("1.dat", dat_line("n1", body) + dat_line("n2", "x") + std::string("n3<><>d<> z\0\0\0", 14));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    ASSERT_EQ(entry(0).responseCount, 3);
    EXPECT_EQ(text(0, 1), body + " ");
    EXPECT_EQ(text(0, 3), "n2");
    EXPECT_EQ(text(0, 7), "z");
}

TEST_F(Resdata, StoreOfAClosedThreadServesTheNextOneCleared)
{
    write_log("1.dat", many_lines(300));
    write_log("2.dat", dat_line("n1", "short"));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    const char* first = entry(0).lines[0].text;
    ASSERT_EQ(Resdata_close(0, 0), 0);
    --OpenThreadTable.count;
    ASSERT_EQ(open_thread(L"2.dat"), 1);
    const ResponseBuffer& e = entry(OpenThreadTable.count - 1);
    ASSERT_EQ(e.lineCount, 3);
    EXPECT_EQ(e.lines[0].text, first);
    EXPECT_STREQ(e.lines[1].text, "short ");
    // Beyond what this thread wrote the store reads as zero, as a fresh one.
    const char* end = e.lines[2].text + e.lines[2].length + 1;
    EXPECT_EQ(std::string(end, 20000), std::string(20000, '\0'));
    EXPECT_EQ(ProcessMemmap().held(), heldBefore + 1);
}

TEST_F(Resdata, ProgressTitlesEveryHundredResponses)
{
    write_log("1.dat", many_lines(150));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_EQ(progress_titles(), (std::vector<std::wstring>{L"読込中", L"読込中 (0)", L"読込中 (100)"}));
}

TEST_F(Resdata, ProgressDialogIsClosedOnEveryWayOut)
{
    // The dialog is a real window owned by nobody here; after the call no
    // window of this thread may still carry one of its titles.
    write_log("1.dat", many_lines(3));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    ReportCapture capture;
    EXPECT_EQ(Resdata_read2(0, L"missing.dat", OpenThreadTable.count), 0);
    struct Found {
        bool any = false;
    } found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            wchar_t title[64] = {};
            GetWindowTextW(w, title, 64);
            if (std::wstring(title).rfind(L"読込中", 0) == 0) reinterpret_cast<Found*>(p)->any = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    EXPECT_FALSE(found.any);
}

TEST_F(Resdata, FullTextStoreIsReportedOnceAndKeepsWhatFits)
{
    // About 600 KB of text: more than one TextStore holds.
    std::string body(1900, 'x');
    write_log("1.dat", many_lines(320, body));
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    expect_message(capture, L"strbuf over.\nsorry, can'not show this thread.", L"Resdata_read2");
    const ResponseBuffer& e = entry(0);
    EXPECT_GT(e.responseCount, 200);
    EXPECT_LT(e.responseCount, 320);
    // Every stored line lies inside the one block.
    const char* start = e.lines[0].text;
    for (int i = 0; i < e.lineCount; ++i) {
        ASSERT_GE(e.lines[i].text, start);
        ASSERT_LE(e.lines[i].text + e.lines[i].length + 1, start + kTextStoreBytes);
    }
    EXPECT_EQ(text(0, e.responses[e.responseCount - 1].firstLine), "n" + std::to_string(e.responseCount));
}

TEST_F(Resdata, MissingLogIsReportedAndTheEntryIsNotTouched)
{
    ReportCapture capture;
    EXPECT_EQ(open_thread(L"1065069078.dat"), 0);
    std::wstring path = sjis_to_wide(log_path("1065069078.dat"));
    expect_message(capture, path + L"オープンに失敗", L"Resdata_read2");
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(entry(0).lines, nullptr);
    EXPECT_EQ(progress_titles(), std::vector<std::wstring>{L"読込中"});
    EXPECT_EQ(ProcessMemmap().held(), heldBefore);
}

TEST_F(Resdata, UnsafeNamesAreRefused)
{
    write_file_bytes(root + "\\x.dat", many_lines(1));
    ReportCapture capture;
    EXPECT_EQ(Resdata_read2(0, L"..\\x.dat", 0), 0);
    expect_message(capture, L"..\\x.datログのファイル名に使えません", L"Resdata_read2");
    capture.clear();
    EXPECT_EQ(Resdata_read2(0, L"1234567890123456.dat", 0), 0);
    expect_message(capture, L"1234567890123456.datログのファイル名に使えません", L"Resdata_read2");
    capture.clear();
    EXPECT_EQ(Resdata_read2(1, L"1.dat", 0), 0);
    expect_message(capture, L"(srv,..)ログのパスを作れません", L"Resdata_read2");
    capture.clear();
    EXPECT_EQ(Resdata_read2(7, L"1.dat", 0), 0);
    expect_message(capture, L"1.datオープンに失敗", L"Resdata_read2");
    EXPECT_EQ(entry(0).lines, nullptr);
}

TEST_F(Resdata, ServerDirectoryLayout)
{
    Settings.UseServerDir = 1;
    write_file_bytes(root + "\\srv\\mobile\\dat\\1065069078.dat", many_lines(2));
    ASSERT_EQ(open_thread(L"1065069078.dat"), 1);
    EXPECT_EQ(entry(0).responseCount, 2);
}

TEST_F(Resdata, ResponseArrayThatCannotGrowEndsTheParse)
{
    write_log("1.dat", many_lines(600));
    set_reader_growth_hook(refuse_responses);
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    expect_message(capture, L"LocalAlloc失敗\nresdata 500", L"DataFileRead2");
    EXPECT_EQ(entry(0).responseCount, 500);
    EXPECT_EQ(entry(0).lineCount, 1500);
}

TEST_F(Resdata, LineIndexThatCannotGrowEndsTheParse)
{
    write_log("1.dat", many_lines(1000));
    set_reader_growth_hook(refuse_lines);
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    expect_message(capture, L"LocalAlloc失敗\nstr for date/ID", L"DataFileRead2");
    EXPECT_EQ(entry(0).lineCount, 2000);
    EXPECT_EQ(entry(0).responseCount, 667);
}

TEST_F(Resdata, LineBufferThatCannotGrowShowsTheBodyAsFarAsRead)
{
    std::string body(3000, 'y');
    write_log("1.dat", dat_line("n1", body) + dat_line("n2", "next"));
    set_reader_growth_hook(refuse_line_buffer);
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    expect_message(capture, L"resbuf LocalReAlloc失敗", L"DataFileRead2");
    ASSERT_EQ(entry(0).responseCount, 2);
    // The line was held to its first 2048 bytes; its body is shown that far.
    std::string first = text(0, 1);
    EXPECT_EQ(first.size(), 2048u - std::string("n1<><>2006/03/01 12:00:00 ID:abcdefgh<> ").size());
    EXPECT_EQ(first, std::string(first.size(), 'y'));
    EXPECT_EQ(text(0, 3), "n2");
}

TEST_F(Resdata, ReloadIntoTheSameEntryKeepsAndClampsTheScrollPosition)
{
    write_log("1.dat", many_lines(10));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    OpenThreadTable.scroll[0].nPos = 25;
    // The log is replaced by a shorter one (a re-fetched thread).
    ASSERT_EQ(Resdata_close(0, 1), 0);
    EXPECT_EQ(entry(0).lines, nullptr);
    write_log("1.dat", many_lines(4));
    ASSERT_EQ(Resdata_read2(0, L"1.dat", 0), 1);
    EXPECT_EQ(entry(0).lineCount, 12);
    EXPECT_EQ(OpenThreadTable.scroll[0].nMax, 12);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPos, 12);
    EXPECT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(ProcessMemmap().held(), heldBefore + 1);
}

TEST_F(Resdata, ScrollBarOfAnExistingResponseView)
{
    HWND view = CreateWindowExW(0, L"STATIC", L"", WS_VSCROLL, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(view, nullptr);
    AppState.responseView = view;
    write_log("1.dat", many_lines(20));
    OpenThreadTable.scroll[0].nPos = 6;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(view, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 60);
    EXPECT_EQ(info.nPos, 6);
    EXPECT_EQ(info.nPage, 10u);
    AppState.responseView = nullptr;
    DestroyWindow(view);
}

TEST_F(Resdata, NoTextStoreLeftIsReportedAndTheEntryIsNotTouched)
{
    // 256 threads' worth of blocks already held: the next store cannot be had.
    write_log("1.dat", many_lines(3));
    std::vector<void*> held;
    while (void* b = ProcessMemmap().allocate(4096)) held.push_back(b);
    memmap_lines().clear();
    ReportCapture capture;
    EXPECT_EQ(open_thread(L"1.dat"), 0);
    expect_message(capture, L"Memmap失敗", L"Resdata_read2");
    EXPECT_EQ(memmap_lines(), std::vector<std::string>{"Memmap can't allocate!\n"});
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(entry(0).lines, nullptr);
    for (void* b : held) ProcessMemmap().release(b);
    // With the blocks back, the same thread opens.
    EXPECT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_EQ(entry(0).responseCount, 3);
}

TEST_F(Resdata, OverlongLineIsCutAndItsRestIsNotTakenForALine)
{
    // A title of more than a megabyte: the line is held to its first
    // megabyte, the body before it is whole, and the rest of the line is
    // read past, not parsed as lines of its own.
    std::string title(1200000, 't');
    for (size_t i = 5000; i < title.size(); i += 5000) title.replace(i, 9, "x<>y<>z<>");
    std::string log = dat_line("n1", "one") + "n2<>sage<>d<> two <>" + title + "\n" + dat_line("n3", "three");
    write_log("1.dat", log);
    ReportCapture capture;
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(entry(0).responseCount, 3);
    EXPECT_EQ(text(0, 4), "two ");
    EXPECT_EQ(text(0, 6), "n3");
}

namespace {
bool refuse_initial(ReaderGrowth what) { return what != ReaderGrowth::Initial; }
}  // namespace

TEST_F(Resdata, NoWorkingMemoryIsReportedLikeAnUnreadableLog)
{
    write_log("1.dat", many_lines(2));
    set_reader_growth_hook(refuse_initial);
    ReportCapture capture;
    EXPECT_EQ(open_thread(L"1.dat"), 0);
    expect_message(capture, L"LocalAlloc失敗", L"Resdata_read2");
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(entry(0).lines, nullptr);
    EXPECT_EQ(ProcessMemmap().held(), heldBefore);
    // The log was closed again: it can be replaced at once.
    EXPECT_TRUE(DeleteFileA(log_path("1.dat").c_str()));
}
