#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "store/loglist.h"
#include "store/loglistfile.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

const char kExample[] = "1065069078.dat<>Test (round 2)(57)<>12\r\n";

// A log root with the board directory "mobile" (and "srv\mobile\dat").
class HeldList : public testing::Test {
protected:
    void SetUp() override
    {
        Settings = SettingsRecord{};
        root = dir.file("log");
        std::strcpy(Settings.LogDirAnsi, root.c_str());
        wcscpy(Settings.LogDir, sjis_to_wide(root).c_str());
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA((root + "\\mobile").c_str(), nullptr);
        CreateDirectoryA((root + "\\srv").c_str(), nullptr);
        CreateDirectoryA((root + "\\srv\\mobile").c_str(), nullptr);
        CreateDirectoryA((root + "\\srv\\mobile\\dat").c_str(), nullptr);
        list = root + "\\mobile\\acquired.txt";
    }
    void TearDown() override { Settings = SettingsRecord{}; }

    std::unique_ptr<LogListFile> open()
    {
        auto f = std::make_unique<LogListFile>();
        EXPECT_EQ(f->setboard(L"srv", L"mobile"), 1);
        return f;
    }

    TempDir dir;
    std::string root;
    std::string list;
};

void expect_one(const ReportCapture& capture, const std::wstring& text, const std::wstring& caption)
{
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, text);
    EXPECT_EQ(messages[0].caption, caption);
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
}

}  // namespace

TEST_F(HeldList, SetboardCreatesAnEmptyListInEitherLayout)
{
    ReportCapture capture;
    auto f = open();
    EXPECT_EQ(std::string(f->listPath), list);
    EXPECT_EQ(std::string(f->boardDir), "mobile");
    EXPECT_EQ(std::string(f->hostName), "srv");
    EXPECT_NE(f->file.get(), nullptr);
    f.reset();
    EXPECT_TRUE(file_exists(list));
    EXPECT_EQ(read_file_bytes(list), "");

    Settings.UseServerDir = 1;
    f = open();
    EXPECT_EQ(std::string(f->listPath), root + "\\srv\\mobile\\acquired.txt");
    f.reset();
    EXPECT_TRUE(file_exists(root + "\\srv\\mobile\\acquired.txt"));
    EXPECT_TRUE(capture.messages().empty());
}

TEST_F(HeldList, ExampleLineFindAndTotal)
{
    write_file_bytes(list, "1.dat<>other(3)<>2\r\n" + std::string(kExample));
    auto f = open();
    EXPECT_EQ(f->finditem("1065069078.dat"), 12);
    EXPECT_EQ(f->finditem(L"1065069078.dat"), 12);
    EXPECT_EQ(f->totalitem("1065069078.dat"), 57);
    EXPECT_EQ(f->totalitem(L"1065069078.dat"), 57);
    EXPECT_EQ(f->finditem(L"1.dat"), 2);
    EXPECT_EQ(f->finditem(L"2.dat"), -1);
    EXPECT_EQ(f->totalitem(L"2.dat"), -1);
}

TEST_F(HeldList, ChangeitemRewritesTheLineAndClosesTheList)
{
    write_file_bytes(list, "1.dat<>other(3)<>2\r\n" + std::string(kExample) + "2.dat<>x(1)<>1\r\n");
    auto f = open();
    ReportCapture capture;
    EXPECT_EQ(f->changeitem(L"1065069078.dat", 60, 40), 1);
    EXPECT_EQ(read_file_bytes(list),
              "1.dat<>other(3)<>2\r\n1065069078.dat<>Test (round 2)(60)<>40\r\n2.dat<>x(1)<>1\r\n");
    EXPECT_EQ(f->file.get(), nullptr);
    EXPECT_TRUE(capture.messages().empty());

    EXPECT_EQ(f->finditem(L"1065069078.dat"), -1);
    expect_one(capture, L"not opened.", L"LogListFile::finditem");
    capture.clear();
    EXPECT_EQ(f->totalitem("1065069078.dat"), -1);
    expect_one(capture, L"not opened.", L"LogListFile::totalitem");
    capture.clear();
    EXPECT_EQ(f->changeitem(L"1065069078.dat", 1, 1), 0);
    expect_one(capture, L"not opened.", L"LogListFile::changeitem");
    capture.clear();
    EXPECT_EQ(f->additem(L"3.dat", L"t", 1), 0);
    expect_one(capture, L"not opened.", L"LogListFile::additem");
    capture.clear();
    EXPECT_EQ(f->delitem(L"1.dat"), 0);
    expect_one(capture, L"not opened.", L"LogListFile::delitem");
}

TEST_F(HeldList, ChangeitemWithTopLinePastTheEndRecordsTheCount)
{
    write_file_bytes(list, kExample);
    auto f = open();
    // 60 responses over 180 display lines, the view's top line beyond them.
    int lastRead = acquired_last_read_at_close(180, 180, 0, 60);
    EXPECT_EQ(f->changeitem(L"1065069078.dat", 60, lastRead), 1);
    EXPECT_EQ(read_file_bytes(list), "1065069078.dat<>Test (round 2)(60)<>60\r\n");
}

TEST_F(HeldList, ChangeitemStoresALongerLineInFull)
{
    std::string title(1500, 'T');
    write_file_bytes(list, "1.dat<>t(1)<>1\r\n2.dat<>" + title + "(9)<>9\r\n");
    auto f = open();
    EXPECT_EQ(f->changeitem(L"1.dat", 2147483647, 1999999999), 1);
    EXPECT_EQ(read_file_bytes(list), "1.dat<>t(2147483647)<>1999999999\r\n2.dat<>" + title + "(9)<>9\r\n");
    f = open();
    EXPECT_EQ(f->changeitem(L"2.dat", 10000, 9999), 1);
    EXPECT_EQ(read_file_bytes(list), "1.dat<>t(2147483647)<>1999999999\r\n2.dat<>" + title + "(10000)<>9999\r\n");
}

TEST_F(HeldList, ThreadWithoutLineIsNotAddedByChangeitem)
{
    write_file_bytes(list, "1.dat<>t(1)<>1\r\n");
    auto f = open();
    EXPECT_EQ(f->changeitem(L"9.dat", 5, 5), 1);
    EXPECT_EQ(read_file_bytes(list), "1.dat<>t(1)<>1\r\n");
}

TEST_F(HeldList, RewriteKeepsOtherLinesByteForByte)
{
    // LF alone, a line without "<>", a title without "(", a Shift-JIS title, a
    // NUL byte and a last line without its line feed.
    std::string sjis = utf8_to_sjis("テスト（その２）");
    std::string nul("3.dat<>n\0ul(1)<>1", 17);
    write_file_bytes(list, "a.dat<>t(1)<>1\nno separator\r\n1.dat<>no count<>5\r\n4.dat<>" + sjis + "(2)<>2\r\n" +
                               nul + "\r\n1.dat<>t(3)<>3\r\nlast.dat<>z(7)<>7");
    auto f = open();
    EXPECT_EQ(f->totalitem(L"3.dat"), 1);
    EXPECT_EQ(f->changeitem(L"1.dat", 4, 2), 1);
    EXPECT_EQ(read_file_bytes(list), "a.dat<>t(1)<>1\r\nno separator\r\n1.dat<>no count<>5\r\n4.dat<>" + sjis +
                                         "(2)<>2\r\n" + nul + "\r\n1.dat<>t(4)<>2\r\nlast.dat<>z(7)<>7\r\n");
}

TEST_F(HeldList, LongLinesAreReadWhole)
{
    // Longer than one read of the line reader: the piece after 1023 bytes is
    // no line of its own.
    std::string title(1100, 'q');
    write_file_bytes(list, "5.dat<>" + title + "(6)<>4\r\n");
    auto f = open();
    EXPECT_EQ(f->finditem(L"5.dat"), 4);
    EXPECT_EQ(f->totalitem(L"5.dat"), 6);
}

TEST_F(HeldList, AdditemAddsOnceAndKeepsTheFirstValues)
{
    write_file_bytes(list, kExample);
    auto f = open();
    EXPECT_EQ(f->additem(L"1065069078.dat", L"Other title", 99), 0);
    EXPECT_EQ(f->additem(L"1065069079.dat", L"テスト", 3), 1);
    EXPECT_EQ(f->additem(L"1065069079.dat", L"テスト", 4), 0);
    EXPECT_EQ(f->finditem(L"1065069079.dat"), 1);
    EXPECT_EQ(f->totalitem(L"1065069079.dat"), 3);
    f.reset();   // closing the list puts its lines on disk
    EXPECT_EQ(read_file_bytes(list),
              std::string(kExample) + "1065069079.dat<>" + utf8_to_sjis("テスト") + "(3)<>1\r\n");
}

TEST_F(HeldList, AdditemAfterALastLineWithoutLineFeed)
{
    write_file_bytes(list, "a.dat<>t(1)<>1");
    auto f = open();
    EXPECT_EQ(f->additem(L"b.dat", L"u", 2), 1);
    EXPECT_EQ(f->finditem(L"a.dat"), 1);
    f.reset();
    EXPECT_EQ(read_file_bytes(list), "a.dat<>t(1)<>1\r\nb.dat<>u(2)<>1\r\n");
}

TEST_F(HeldList, LookupsAnswerFromTheOneRead)
{
    std::string lines;
    for (int i = 0; i < 2000; ++i)
        lines += std::to_string(1000000000 + i) + ".dat<>title " + std::to_string(i) + "(" + std::to_string(i) +
                 ")<>" + std::to_string(i % 50 + 1) + "\r\n";
    write_file_bytes(list, lines);
    auto f = open();
    EXPECT_EQ(f->reads(), 1);
    for (int i = 0; i < 2000; i += 2) {
        std::wstring name = std::to_wstring(1000000000 + i) + L".dat";
        ASSERT_EQ(f->finditem(name.c_str()), i % 50 + 1);
        ASSERT_EQ(f->totalitem(name.c_str()), i);
    }
    EXPECT_EQ(f->additem(L"999.dat", L"new", 5), 1);
    EXPECT_EQ(f->finditem(L"999.dat"), 1);
    EXPECT_EQ(f->totalitem(L"999.dat"), 5);
    EXPECT_EQ(f->reads(), 1);
}

TEST_F(HeldList, DelitemDropsEveryLineOfTheThread)
{
    write_file_bytes(list, "1.dat<>a(1)<>1\r\n2.dat<>b(2)<>2\n1.dat<>a(3)<>3\r\n21.dat<>c(4)<>4\r\n");
    auto f = open();
    EXPECT_EQ(f->delitem(L"1.dat"), 1);
    EXPECT_EQ(read_file_bytes(list), "2.dat<>b(2)<>2\r\n21.dat<>c(4)<>4\r\n");
    ReportCapture capture;
    EXPECT_EQ(f->finditem(L"2.dat"), -1);
    expect_one(capture, L"not opened.", L"LogListFile::finditem");

    f = open();
    EXPECT_EQ(f->delitem(L"9.dat"), 1);
    EXPECT_EQ(read_file_bytes(list), "2.dat<>b(2)<>2\r\n21.dat<>c(4)<>4\r\n");
}

TEST_F(HeldList, FailedRewriteLeavesTheOldList)
{
    const std::string old = "1.dat<>t(1)<>1\n" + std::string(kExample);
    write_file_bytes(list, old);
    auto f = open();
    // The new copy cannot be created where it belongs.
    ASSERT_TRUE(CreateDirectoryA((list + ".new").c_str(), nullptr));
    ReportCapture capture;
    EXPECT_EQ(f->changeitem(L"1065069078.dat", 60, 40), 0);
    expect_one(capture, sjis_to_wide(list) + L"オープンに失敗", L"filelist_changeitem");
    EXPECT_EQ(read_file_bytes(list), old);
    EXPECT_EQ(f->file.get(), nullptr);

    f = open();
    capture.clear();
    EXPECT_EQ(f->delitem(L"1.dat"), 0);
    expect_one(capture, sjis_to_wide(list) + L"オープンに失敗", L"filelist_changeitem");
    EXPECT_EQ(read_file_bytes(list), old);
    RemoveDirectoryA((list + ".new").c_str());
}

TEST_F(HeldList, OpenFailureIsReportedAndEveryCallRefused)
{
    ReportCapture capture;
    LogListFile f;
    EXPECT_EQ(f.setboard(L"srv", L"nodir"), 0);
    expect_one(capture, sjis_to_wide(root + "\\nodir\\acquired.txt") + L"オープンに失敗", L"filelist_open");
    EXPECT_EQ(f.file.get(), nullptr);
    capture.clear();
    EXPECT_EQ(f.finditem("1.dat"), -1);
    expect_one(capture, L"not opened.", L"LogListFile::finditem");
    capture.clear();
    EXPECT_EQ(f.additem(L"1.dat", L"t", 1), 0);
    expect_one(capture, L"not opened.", L"LogListFile::additem");
    EXPECT_FALSE(file_exists(root + "\\nodir\\acquired.txt"));
}

TEST_F(HeldList, NamesOutsideTheLogRootAreRefused)
{
    ReportCapture capture;
    LogListFile f;
    EXPECT_EQ(f.setboard(L"srv", L".."), 0);
    expect_one(capture, L"(srv,..)ログのパスを作れません", L"LogListFile::setboard");
    EXPECT_FALSE(file_exists(dir.file("acquired.txt")));
    EXPECT_EQ(std::string(f.listPath), "");

    Settings.UseServerDir = 1;
    capture.clear();
    EXPECT_EQ(f.setboard(L"..\\..", L"mobile"), 0);
    expect_one(capture, L"(..\\..,mobile)ログのパスを作れません", L"LogListFile::setboard");
    capture.clear();
    EXPECT_EQ(f.setboard(L"srv", L"\u00a5mobile"), 0);   // a backslash byte once converted
    EXPECT_EQ(f.setboard(L"srv", L"a:b"), 0);
    EXPECT_EQ(f.setboard(L"srv", L"x/y"), 0);
    EXPECT_EQ(capture.messages().size(), 3u);
    EXPECT_EQ(f.deletelog(L"1.dat"), 0);
}

TEST_F(HeldList, UnsafeThreadNamesAreNeitherListedNorDeleted)
{
    write_file_bytes(root + "\\keep.dat", "k");
    auto f = open();
    ReportCapture capture;
    EXPECT_EQ(f->additem(L"..\\keep.dat", L"t", 1), 0);
    expect_one(capture, L"..\\keep.dat\nログのファイル名に使えません", L"LogListFile::additem");
    EXPECT_EQ(f->deletelog(L"..\\keep.dat"), 0);
    EXPECT_TRUE(file_exists(root + "\\keep.dat"));
    // A name too long for its field is not cut to another thread's name.
    EXPECT_EQ(f->finditem(std::wstring(40, L'1').c_str()), -1);
}

TEST_F(HeldList, DeletelogRemovesTheLogOfEitherLayout)
{
    write_file_bytes(root + "\\mobile\\123.dat", "log");
    auto f = open();
    EXPECT_EQ(f->delitem(L"123.dat"), 1);
    EXPECT_EQ(f->deletelog(L"123.dat"), 1);
    EXPECT_FALSE(file_exists(root + "\\mobile\\123.dat"));
    EXPECT_EQ(f->deletelog(L"123.dat"), 0);

    Settings.UseServerDir = 1;
    write_file_bytes(root + "\\srv\\mobile\\dat\\123.dat", "log");
    f = open();
    EXPECT_EQ(f->deletelog(L"123.dat"), 1);
    EXPECT_FALSE(file_exists(root + "\\srv\\mobile\\dat\\123.dat"));
}

// The mark is written by a safe rewrite that keeps every other line byte
// for byte, and is read back by the next open.
TEST_F(HeldList, MarkfallenRewritesOnlyTheThreadsLine)
{
    const std::string before = "1.dat<>other(3)<>2\r\n" + std::string(kExample) + "junk line\r\n";
    write_file_bytes(list, before);
    auto f = open();
    EXPECT_FALSE(f->fallenitem(L"1065069078.dat"));
    ReportCapture capture;
    EXPECT_EQ(f->markfallen(L"1065069078.dat"), 1);
    EXPECT_EQ(read_file_bytes(list),
              "1.dat<>other(3)<>2\r\n1065069078.dat<>Test (round 2)(57)<>12\tfallen\r\njunk line\r\n");
    EXPECT_EQ(f->file.get(), nullptr);

    f = open();
    EXPECT_TRUE(f->fallenitem(L"1065069078.dat"));
    EXPECT_FALSE(f->fallenitem(L"1.dat"));
    EXPECT_EQ(f->finditem(L"1065069078.dat"), 12);
    EXPECT_EQ(f->markfallen(L"9.dat"), 0) << "no line to mark";
    const std::string marked = read_file_bytes(list);
    f = open();
    EXPECT_EQ(f->markfallen(L"1065069078.dat"), 0) << "marked already";
    EXPECT_EQ(read_file_bytes(list), marked);
    f = open();
    EXPECT_EQ(f->additem(L"5.dat", L"new", 9, true), 1);
    EXPECT_TRUE(f->fallenitem(L"5.dat"));
    EXPECT_EQ(read_file_bytes(list), marked + "5.dat<>new(9)<>1\tfallen\r\n");
    EXPECT_TRUE(capture.messages().empty());
}
