#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "base/ticks.h"
#include "store/ngfile.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

int32_t g_today = 20261209;
int32_t test_today() { return g_today; }

class NgFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::memcpy(savedDirectory_, Settings.ProgramDirectory, sizeof savedDirectory_);
        ASSERT_LT(dir_.path().size(), sizeof Settings.ProgramDirectory);
        std::strcpy(Settings.ProgramDirectory, dir_.path().c_str());
        Settings.NgLapseDays = 2;
        g_today = 20261209;
        set_day_source(test_today);
        ProcessNgLists = NgLists{};
    }
    void TearDown() override
    {
        set_day_source(nullptr);
        ProcessNgLists = NgLists{};
        std::memcpy(Settings.ProgramDirectory, savedDirectory_, sizeof savedDirectory_);
    }

    std::string file() const { return read_file_bytes(dir_.file("ng.txt")); }

    TempDir dir_;
    ReportCapture reports_;

private:
    char savedDirectory_[sizeof Settings.ProgramDirectory];
};

}  // namespace

TEST_F(NgFileTest, AMissingFileIsAnEmptyListWithoutAMessage)
{
    EXPECT_EQ(ng_lists_load(), 1);
    EXPECT_TRUE(ProcessNgLists.entries.empty());
    EXPECT_TRUE(reports_.messages().empty());
    EXPECT_FALSE(file_exists(dir_.file("ng.txt"))) << "reading never makes the file";
}

TEST_F(NgFileTest, MalformedLinesAreCountedInOneMessageAndKeptThroughARewrite)
{
    const std::string bytes = "word\tspam\r\nnot a line\r\nid\tAb\t2026-12-09\r\nname\tfoo\r\n";
    write_file_bytes(dir_.file("ng.txt"), bytes);
    EXPECT_EQ(ng_lists_load(), 0);
    ASSERT_EQ(ProcessNgLists.entries.size(), 2u);
    ASSERT_EQ(reports_.messages().size(), 1u);
    const std::wstring text = reports_.messages()[0].text;
    EXPECT_NE(text.find(L"ng.txt"), std::wstring::npos);
    EXPECT_NE(text.find(L"2行"), std::wstring::npos) << "the count of lines skipped";

    ASSERT_EQ(ng_lists_add(NgKind::Mail, "age"), 1);
    EXPECT_EQ(file(), "word\tspam\r\nname\tfoo\r\nmail\tage\r\nnot a line\r\nid\tAb\t2026-12-09\r\n")
        << "the lines it could not read stay in the file";
}

TEST_F(NgFileTest, LapsedIdsAreDroppedAtLoadAndANewIdIsDatedToday)
{
    write_file_bytes(dir_.file("ng.txt"), "id\tOld\t20261207\r\nid\tYesterday\t20261208\r\nword\tw\r\n");
    EXPECT_EQ(ng_lists_load(), 1);
    ASSERT_EQ(ProcessNgLists.entries.size(), 2u);
    EXPECT_EQ(ProcessNgLists.entries[0].text, "Yesterday");

    g_today = 20261210;
    const uint32_t generation = ProcessNgLists.generation;
    ASSERT_EQ(ng_lists_add(NgKind::Id, "Yesterday"), 1);
    EXPECT_EQ(ProcessNgLists.entries.size(), 2u) << "the same ID is not listed twice";
    EXPECT_NE(ProcessNgLists.generation, generation) << "a change is seen by what was worked out from the lists";
    EXPECT_EQ(file(), "id\tYesterday\t20261210\r\nword\tw\r\n") << "its day renewed, the lapsed one gone";
}

TEST_F(NgFileTest, AddAndRemoveRewriteTheWholeFile)
{
    ASSERT_EQ(ng_lists_add(NgKind::Word, "\x82\xa0"), 1);   // あ
    ASSERT_EQ(ng_lists_add(NgKind::Title, "[PR]"), 1);
    ASSERT_EQ(ng_lists_add(NgKind::Name, "x"), 1);
    EXPECT_EQ(file(), "word\t\x82\xa0\r\ntitle\t[PR]\r\nname\tx\r\n");
    ASSERT_EQ(ng_lists_remove({2, 0, 0, 7}), 1) << "repeats and places past the end are passed over";
    EXPECT_EQ(file(), "title\t[PR]\r\n");
    EXPECT_FALSE(file_exists(dir_.file("ng.txt.new")));
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(NgFileTest, AnEntryTheFileCannotHoldIsRefusedWithAMessage)
{
    for (const std::string& text : {std::string(), std::string("a\tb"), std::string("a\r\nb"),
                                    std::string(kNgEntryBytes + 1, 'x')}) {
        EXPECT_EQ(ng_lists_add(NgKind::Word, text), 0);
    }
    EXPECT_EQ(reports_.messages().size(), 4u);
    EXPECT_EQ(reports_.messages()[0].text, kTextNgEntryRefused);
    EXPECT_FALSE(file_exists(dir_.file("ng.txt")));
}

TEST_F(NgFileTest, AFailedRewriteKeepsTheOldFileAndTheListAsTheyWere)
{
    write_file_bytes(dir_.file("ng.txt"), "word\tkeep\r\n");
    ASSERT_EQ(ng_lists_load(), 1);
    // The rewrite's copy cannot be made where a folder stands in its way.
    ASSERT_TRUE(CreateDirectoryA(dir_.file("ng.txt.new").c_str(), nullptr));
    const uint32_t generation = ProcessNgLists.generation;
    EXPECT_EQ(ng_lists_add(NgKind::Word, "lost"), 0);
    EXPECT_EQ(ng_lists_remove({0}), 0);
    EXPECT_EQ(file(), "word\tkeep\r\n");
    ASSERT_EQ(ProcessNgLists.entries.size(), 1u);
    EXPECT_EQ(ProcessNgLists.entries[0].text, "keep");
    EXPECT_EQ(ProcessNgLists.generation, generation);
    EXPECT_EQ(reports_.messages().size(), 2u) << "each failure told";
    RemoveDirectoryA(dir_.file("ng.txt.new").c_str());
}

TEST_F(NgFileTest, AFileTooLargeToBeOursIsNeitherReadNorReplaced)
{
    write_file_bytes(dir_.file("ng.txt"), std::string(5u << 20, 'x'));
    EXPECT_EQ(ng_lists_load(), 0);
    EXPECT_TRUE(ProcessNgLists.entries.empty());
    EXPECT_EQ(ng_lists_add(NgKind::Word, "w"), 0);
    EXPECT_EQ(read_file_bytes(dir_.file("ng.txt")).size(), 5u << 20);
    EXPECT_EQ(reports_.messages().size(), 2u);
}

TEST_F(NgFileTest, AFileThatCannotBeOpenedIsNeverReplaced)
{
    // A folder of the file's name stands for a file the program cannot read.
    ASSERT_TRUE(CreateDirectoryA(dir_.file("ng.txt").c_str(), nullptr));
    EXPECT_EQ(ng_lists_load(), 0);
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_NE(reports_.messages()[0].text.find(L"オープンに失敗"), std::wstring::npos);
    EXPECT_EQ(ng_lists_add(NgKind::Word, "w"), 0);
    EXPECT_FALSE(file_exists(dir_.file("ng.txt.new")));
    RemoveDirectoryA(dir_.file("ng.txt").c_str());
}
