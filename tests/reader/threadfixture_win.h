// A program folder for the thread-reader tests: a log root in a fresh folder,
// one board ("mobile" on host "srv") in BoardTable, the table of open threads
// with its first scroll record, and hooks that record the progress titles and
// the allocator's debug lines.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "reader/datread_win.h"
#include "reader/memmap_win.h"
#include "reader/opentable_win.h"
#include "store/boardtable.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

inline std::vector<std::wstring>& progress_titles()
{
    static std::vector<std::wstring> titles;
    return titles;
}

inline std::vector<std::string>& memmap_lines()
{
    static std::vector<std::string> lines;
    return lines;
}

inline void record_title(const wchar_t* title) { progress_titles().push_back(title); }
inline void record_memmap_line(const char* line) { memmap_lines().push_back(line); }

class ThreadFixture : public testing::Test {
protected:
    void SetUp() override
    {
        savedSettings = Settings;
        Settings = SettingsRecord{};
        root = dir.file("log");
        std::strcpy(Settings.LogDirAnsi, root.c_str());
        wcscpy(Settings.LogDir, sjis_to_wide(root).c_str());
        for (const char* sub : {"", "\\mobile", "\\srv", "\\srv\\mobile", "\\srv\\mobile\\dat"})
            CreateDirectoryA((root + sub).c_str(), nullptr);

        savedBoards = BoardTable;
        std::memset(boards, 0, sizeof boards);
        wcscpy(boards[0].name, L"携帯");
        wcscpy(boards[0].host, L"srv");
        wcscpy(boards[0].dir, L"mobile");
        boards[0].index = 0;
        wcscpy(boards[1].name, L"bad");
        wcscpy(boards[1].host, L"srv");
        wcscpy(boards[1].dir, L"..");
        boards[1].index = 1;
        BoardTable.items = boards;
        BoardTable.count = 2;
        BoardTable.capacity = 2;

        OpenThreadTable = OpenThreadTableRecord{nullptr, nullptr, 0, -1, 0, 0};
        Alloc_resdata_buf();
        Resdata_create_scroll(10);

        progress_titles().clear();
        memmap_lines().clear();
        set_reader_progress_hook(record_title);
        set_memmap_debug_hook(record_memmap_line);
        heldBefore = ProcessMemmap().held();
    }

    void TearDown() override
    {
        OpenThreadTableRecord& t = OpenThreadTable;
        for (int i = t.count - 1; i >= 0; --i) Resdata_close(i, 0);
        for (int i = 0; i < t.entryCapacity; ++i) Resdata_release_storage(t.entries[i]);
        if (t.entries) LocalFree(t.entries);
        if (t.scroll) LocalFree(t.scroll);
        t = OpenThreadTableRecord{nullptr, nullptr, 0, -1, 0, 0};
        EXPECT_EQ(ProcessMemmap().held(), heldBefore) << "every TextStore went back";
        set_reader_progress_hook(nullptr);
        set_reader_growth_hook(nullptr);
        set_memmap_debug_hook(nullptr);
        BoardTable = savedBoards;
        Settings = savedSettings;
    }

    std::string log_path(const std::string& name) const { return root + "\\mobile\\" + name; }
    void write_log(const std::string& name, const std::string& bytes) { write_file_bytes(log_path(name), bytes); }
    std::string acquired() const { return read_file_bytes(root + "\\mobile\\acquired.txt"); }

    // Opens a thread the way the thread list does: room for a new entry when
    // one is already open, the parse into it, then the count and current.
    int open_thread(const wchar_t* name)
    {
        OpenThreadTableRecord& t = OpenThreadTable;
        if (t.count >= 1) Resdata_ReAlloc_buffer();
        int r = Resdata_read2(0, name, t.count);
        if (r) {
            ++t.count;
            t.current = t.count - 1;
        }
        return r;
    }

    const ResponseBuffer& entry(int i) const { return OpenThreadTable.entries[i]; }
    std::string text(int e, int line) const { return std::string(entry(e).lines[line].text); }

    TempDir dir;
    std::string root;
    SettingsRecord savedSettings;
    BoardArray savedBoards;
    BoardEntry boards[2];
    int heldBefore = 0;
};

// A log line: name, mail, date, body (given without its leading and trailing
// blank), title.
inline std::string dat_line(const std::string& name, const std::string& body, const std::string& mail = "",
                            const std::string& title = "")
{
    return name + "<>" + mail + "<>2006/03/01 12:00:00 ID:abcdefgh<> " + body + " <>" + title + "\n";
}

// A file of tests/data, as Wine sees the source tree.
inline std::string test_data_bytes(const std::string& name)
{
    return read_file_bytes("Z:" + std::string(QUORVEX_SOURCE_DIR) + "/tests/data/" + name);
}

inline void expect_message(const ReportCapture& capture, const std::wstring& text, const std::wstring& caption)
{
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, text);
    EXPECT_EQ(messages[0].caption, caption);
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
}
