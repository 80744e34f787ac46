// The lists of "ng.txt" as the program holds them: read at start, changed by
// the reader's commands, each change written back through the safe rewrite
// every list file uses. Touched by the UI thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/nglist.h"

constexpr char kNgFileName[] = "ng.txt";

struct NgLists {
    std::vector<NgEntry> entries;
    // Lines of the file that could not be read, written back as they were so
    // that a rewrite loses nothing.
    std::vector<std::string> unread;
    // Counts every change; what was worked out from the lists is stale once
    // it differs.
    uint32_t generation = 1;
    // False after a file that could not be read whole: it is then never
    // replaced.
    bool writable = true;
};

extern NgLists ProcessNgLists;

// Reads the file beside the program into ProcessNgLists. A missing file is
// an empty list; malformed lines are skipped with one message counting them;
// IDs lapsed by Settings.NgLapseDays are dropped. A file there that cannot be
// read (or is too large to be ours) is reported and never replaced. 1, or 0
// after a message.
int ng_lists_load();
// Writes ProcessNgLists back whole. 1, or 0 after a message (the old file
// then stands).
int ng_lists_save();
// Adds an entry (an ID dated today) unless the same kind and text is there,
// and writes the file. 1 when the list now holds it; 0 after a message.
int ng_lists_add(NgKind kind, const std::string& text);
// Removes the entries at `indices` (of ProcessNgLists.entries) and writes the
// file. 1, or 0 after a message (nothing then changes).
int ng_lists_remove(std::vector<size_t> indices);

constexpr wchar_t kCaptionNgLists[] = L"NG";
constexpr wchar_t kTextNgLinesSkipped[] = L"%lsの読めない%d行を飛ばしました（ファイルには残します）";
constexpr wchar_t kTextNgTooLarge[] = L"が大きすぎるため読みません";
constexpr wchar_t kTextNgEntryRefused[] = L"NGに登録できません（空か、長すぎるか、タブや改行を含みます）";
