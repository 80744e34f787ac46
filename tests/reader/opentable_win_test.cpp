#include "tests/reader/threadfixture_win.h"

namespace {

std::string numbered_log(const std::string& tag, int count)
{
    std::string log;
    for (int i = 1; i <= count; ++i) log += dat_line(tag + std::to_string(i), "b");
    return log;
}

}  // namespace

using OpenTable = ThreadFixture;

TEST_F(OpenTable, StartsWithOneEmptyEntry)
{
    EXPECT_NE(OpenThreadTable.entries, nullptr);
    EXPECT_EQ(OpenThreadTable.entryCapacity, 1);
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(OpenThreadTable.current, -1);
    EXPECT_EQ(OpenThreadTable.entries[0].lines, nullptr);
    ASSERT_NE(OpenThreadTable.scroll, nullptr);
    EXPECT_EQ(OpenThreadTable.scroll[0].cbSize, 28u);
    EXPECT_EQ(OpenThreadTable.scroll[0].fMask, 7u);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPage, 10u);
}

TEST_F(OpenTable, GrowthWithoutAnEntriesBlockIsRefused)
{
    LocalFree(OpenThreadTable.entries);
    OpenThreadTable.entries = nullptr;
    OpenThreadTable.entryCapacity = 0;
    ReportCapture capture;
    EXPECT_EQ(Resdata_ReAlloc_buffer(), 0);
    expect_message(capture, L"メモリの初期確保してますか？", L"Resdata_ReAlloc_buffer");
    EXPECT_EQ(OpenThreadTable.entries, nullptr);
}

TEST_F(OpenTable, GrowthAddsAnEntryAndAScrollRecord)
{
    write_log("1.dat", numbered_log("a", 2));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    OpenThreadTable.scroll[0].nPos = 3;
    ReportCapture capture;
    EXPECT_EQ(Resdata_ReAlloc_buffer(), 1);
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(OpenThreadTable.entryCapacity, 2);
    EXPECT_EQ(OpenThreadTable.scrollCapacity, 2);
    EXPECT_EQ(OpenThreadTable.entries[1].lines, nullptr);
    EXPECT_EQ(OpenThreadTable.entries[1].responseCount, 0);
    const ScrollRecord& r = OpenThreadTable.scroll[1];
    EXPECT_EQ(r.cbSize, 28u);
    EXPECT_EQ(r.fMask, 7u);
    EXPECT_EQ(r.nPage, 10u);
    EXPECT_EQ(r.nPos, 0);
    EXPECT_EQ(r.nMax, 0);
    // The open thread and its record are kept as they were.
    EXPECT_EQ(entry(0).responseCount, 2);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPos, 3);
}

TEST_F(OpenTable, OpeningThreeAndClosingTheSecond)
{
    write_log("1111111111.dat", numbered_log("a", 3));
    write_log("2222222222.dat", numbered_log("b", 5));
    write_log("3333333333.dat", numbered_log("c", 7));
    write_file_bytes(root + "\\mobile\\acquired.txt",
                     "1111111111.dat<>First (1)(3)<>1\r\n2222222222.dat<>Second(5)<>1\r\n"
                     "3333333333.dat<>Third(7)<>1\r\n");
    ASSERT_EQ(open_thread(L"1111111111.dat"), 1);
    ASSERT_EQ(open_thread(L"2222222222.dat"), 1);
    ASSERT_EQ(open_thread(L"3333333333.dat"), 1);
    ASSERT_EQ(OpenThreadTable.count, 3);
    OpenThreadTable.scroll[1].nPos = 7;   // line 7 of the second thread: its response 3
    OpenThreadTable.scroll[2].nPos = 13;  // response 5 of the third
    ResponseLine* thirdLines = entry(2).lines;
    EXPECT_EQ(ProcessMemmap().held(), heldBefore + 3);

    ReportCapture capture;
    ASSERT_EQ(Resdata_close(1, 0), 0);
    --OpenThreadTable.count;
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(acquired(), "1111111111.dat<>First (1)(3)<>1\r\n2222222222.dat<>Second(5)<>3\r\n"
                          "3333333333.dat<>Third(7)<>1\r\n");
    // The third moved to index 1 with its scroll position.
    EXPECT_STREQ(entry(1).fileName, L"3333333333.dat");
    EXPECT_EQ(entry(1).lines, thirdLines);
    EXPECT_EQ(entry(1).responseCount, 7);
    EXPECT_EQ(OpenThreadTable.scroll[1].nPos, 13);
    EXPECT_EQ(OpenThreadTable.scroll[1].nMax, 21);
    // Its old place holds nothing.
    EXPECT_EQ(entry(2).lines, nullptr);
    EXPECT_EQ(entry(2).responses, nullptr);
    EXPECT_EQ(OpenThreadTable.scroll[2].nPos, 0);
    EXPECT_EQ(OpenThreadTable.scroll[2].cbSize, 28u);
    EXPECT_EQ(ProcessMemmap().held(), heldBefore + 2);
    EXPECT_TRUE(memmap_lines().empty());

    // The first thread keeps its place and is unaffected.
    EXPECT_STREQ(entry(0).fileName, L"1111111111.dat");
    EXPECT_EQ(text(0, 0), "a1");
    EXPECT_EQ(text(1, 0), "c1");
}

TEST_F(OpenTable, ClosingPastTheEndRecordsTheResponseCount)
{
    write_log("1111111111.dat", numbered_log("a", 4));
    write_file_bytes(root + "\\mobile\\acquired.txt", "1111111111.dat<>Title(2)<>1\r\n");
    ASSERT_EQ(open_thread(L"1111111111.dat"), 1);
    OpenThreadTable.scroll[0].nPos = 12;   // at the end (12 lines)
    ASSERT_EQ(Resdata_close(0, 0), 0);
    --OpenThreadTable.count;
    EXPECT_EQ(acquired(), "1111111111.dat<>Title(4)<>4\r\n");
    EXPECT_EQ(ProcessMemmap().held(), heldBefore);
}

TEST_F(OpenTable, ReloadKeepsTheIndexAndEmptiesTheEntry)
{
    write_log("1111111111.dat", numbered_log("a", 2));
    write_log("2222222222.dat", numbered_log("b", 3));
    write_file_bytes(root + "\\mobile\\acquired.txt", "2222222222.dat<>T(3)<>1\r\n");
    ASSERT_EQ(open_thread(L"1111111111.dat"), 1);
    ASSERT_EQ(open_thread(L"2222222222.dat"), 1);
    OpenThreadTable.scroll[1].nPos = 4;
    ASSERT_EQ(Resdata_close(1, 1), 0);
    EXPECT_EQ(acquired(), "2222222222.dat<>T(3)<>2\r\n");
    EXPECT_EQ(OpenThreadTable.count, 2);
    EXPECT_EQ(entry(1).lines, nullptr);
    EXPECT_EQ(entry(1).responses, nullptr);
    EXPECT_STREQ(entry(1).fileName, L"2222222222.dat") << "kept for the reload";
    EXPECT_EQ(OpenThreadTable.scroll[1].nPos, 4);

    // The log grew; the same entry is parsed again.
    write_log("2222222222.dat", numbered_log("b", 6));
    ASSERT_EQ(Resdata_read2(0, L"2222222222.dat", 1), 1);
    EXPECT_EQ(entry(1).responseCount, 6);
    EXPECT_EQ(OpenThreadTable.scroll[1].nPos, 4);
    EXPECT_EQ(OpenThreadTable.scroll[1].nMax, 18);
    EXPECT_EQ(ProcessMemmap().held(), heldBefore + 2);
}

TEST_F(OpenTable, EntryEmptiedByAFailedReloadClosesCleanly)
{
    write_log("1111111111.dat", numbered_log("a", 2));
    write_file_bytes(root + "\\mobile\\acquired.txt", "1111111111.dat<>T(2)<>1\r\n");
    ASSERT_EQ(open_thread(L"1111111111.dat"), 1);
    ASSERT_EQ(Resdata_close(0, 1), 0);
    DeleteFileA(log_path("1111111111.dat").c_str());
    ReportCapture capture;
    EXPECT_EQ(Resdata_read2(0, L"1111111111.dat", 0), 0);
    capture.clear();
    // Nothing to record, nothing to release twice.
    EXPECT_EQ(Resdata_close(0, 0), 0);
    --OpenThreadTable.count;
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_TRUE(memmap_lines().empty());
    EXPECT_EQ(acquired(), "1111111111.dat<>T(2)<>1\r\n");
}

TEST_F(OpenTable, IndexOutsideTheOpenThreadsIsRefused)
{
    write_log("1.dat", numbered_log("a", 1));
    ASSERT_EQ(open_thread(L"1.dat"), 1);
    ReportCapture capture;
    EXPECT_EQ(Resdata_close(-1, 0), -1);
    EXPECT_EQ(Resdata_close(1, 0), -1);
    EXPECT_EQ(Resdata_close(5, 1), -1);
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_NE(entry(0).lines, nullptr);
}

TEST_F(OpenTable, ParseIntoAnEntryTheTableNeverGotIsRefused)
{
    write_log("1.dat", numbered_log("a", 1));
    ReportCapture capture;
    EXPECT_EQ(Resdata_read2(0, L"1.dat", 1), 0);
    EXPECT_EQ(Resdata_read2(0, L"1.dat", -1), 0);
    EXPECT_TRUE(progress_titles().empty());
    EXPECT_EQ(ProcessMemmap().held(), heldBefore);
}

TEST_F(OpenTable, AllocResdataBufStartsAgain)
{
    ReportCapture capture;
    EXPECT_EQ(Alloc_resdata_buf(), 0);
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(OpenThreadTable.entryCapacity, 1);
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(OpenThreadTable.current, -1);
}

TEST_F(OpenTable, ScrollRecordMatchesThePlatformRecord)
{
    ScrollRecord r = new_scroll_record(10);
    r.nMax = 40;
    r.nPos = 12;
    SCROLLINFO info;
    scroll_record_to_info(r, &info);
    EXPECT_EQ(info.cbSize, sizeof(SCROLLINFO));
    EXPECT_EQ(info.fMask, static_cast<UINT>(SIF_RANGE | SIF_PAGE | SIF_POS));
    EXPECT_EQ(info.nMax, 40);
    EXPECT_EQ(info.nPos, 12);
    EXPECT_EQ(info.nPage, 10u);
    info.nTrackPos = 9;
    ScrollRecord back;
    scroll_record_from_info(info, &back);
    EXPECT_EQ(back.nTrackPos, 9);
    EXPECT_EQ(back.nPos, 12);
}
