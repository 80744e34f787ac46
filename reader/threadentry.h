// The rows of the thread list: ThreadEntry, the process-wide ThreadList that
// holds them, their sort orders and the sort direction of each column.
// Byte-level (wchar_t is 16-bit on the handset and 32-bit natively; the text
// is only compared by code unit), so the rules are tested natively.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/responses.h"

enum ThreadState : int32_t {
    ThreadNotHeld = 0,   // not in the board's held-thread list
    ThreadHeld = 1,
    ThreadHasNew = 2,    // held, and the server has more responses than recorded
    ThreadFallen = 3,    // held, and fallen out of its board: never fetched or checked again but by hand
};

// The board a row belongs to. The rows of one board share one record: a
// board's list has up to 2047 rows, and two strings fewer to allocate, copy
// and free for each is a good part of the time a list takes to load.
struct ThreadBoard {
    std::wstring dir;
    std::wstring server;
};
std::shared_ptr<const ThreadBoard> make_thread_board(std::wstring dir, std::wstring server);

class ThreadEntry {
public:
    // A null board stands for a board with empty names; the file name is cut
    // to kFileNameUnits - 1 units (a log name has 14).
    ThreadEntry(int32_t state, std::wstring title, int32_t count, int32_t lastRead, std::wstring_view fileName,
                std::shared_ptr<const ThreadBoard> board, int32_t extra);
    virtual ~ThreadEntry();

    int32_t position = -1;   // its index when added: shown, last tie-break, found again by it
    int32_t state;           // ThreadState
    std::wstring title;      // entity-decoded
    int32_t count;           // responses: from subject.txt; for favourites the recorded count
    int32_t lastRead;        // last read response from the held-thread list, -1 when not held
    wchar_t fileName[kFileNameUnits];   // held in the row: no allocation for each
    std::shared_ptr<const ThreadBoard> board;   // never null
    int32_t extra;           // board list: line number in subject.txt; favourites: board index
};

// The board a row names for itself: a favourite row names its board in its
// extra field, every row of an ordinary board's list belongs to the current
// board. -1 when that index lies outside the table.
int32_t check_row_board(bool favorites, int32_t extra, int32_t currentBoard, int32_t boardCount);

// Pointers to the rows, at most capacity - 1 of them.
constexpr int32_t kThreadListCapacity = 2048;

class ThreadList {
public:
    explicit ThreadList(int32_t capacity);
    virtual ~ThreadList();
    ThreadList(const ThreadList&) = delete;
    ThreadList& operator=(const ThreadList&) = delete;

    // Adds the entry with the next position while fewer than capacity - 1 are
    // held; false (and the entry is dropped) when it does not fit.
    bool add(std::unique_ptr<ThreadEntry> entry);
    bool full() const;
    int32_t count() const { return static_cast<int32_t>(entries_.size()); }
    int32_t capacity() const { return capacity_; }
    // The row at `row`, or null outside the list.
    ThreadEntry* at(int32_t row) const;
    // The row whose position field is `position`, or -1.
    int32_t row_of_position(int32_t position) const;
    // Sorts by column `column` (see compare_thread_entries).
    void sort(int32_t column, bool ascending);

    // Sets aside every row `hide` names, from the shown rows and from those
    // set aside before (which come back, in load order, when it no longer
    // names them); the shown rows keep their order. Returns the rows set aside.
    int32_t hide_rows(const std::function<bool(const ThreadEntry&)>& hide);
    int32_t hidden_count() const { return static_cast<int32_t>(hidden_.size()); }

    // The rows came from "favorite.txt": each row's extra field is the index
    // of its board.
    bool favorites = false;

private:
    std::vector<std::unique_ptr<ThreadEntry>> entries_;
    std::vector<std::unique_ptr<ThreadEntry>> hidden_;   // rows the NG lists hide
    int32_t capacity_;
};

// The order of two rows for column `column`: 0 state (with ascending false:
// new before held before fallen before not held; with ascending true nothing, so the load
// order stands), 1 title by code unit, 2 count, 3 last read, 4 file name,
// 5 board directory, 6 server, 7 extra. The comparison is negated when
// `ascending` is false; rows that compare equal are ordered by position,
// always ascending. Negative, 0 or positive.
int compare_thread_entries(const ThreadEntry& a, const ThreadEntry& b, int32_t column, bool ascending);

// The row of a thread just made with the title `title`: among the `newest`
// rows with the largest keys (a key, the digits of the file name before its
// ".", is the thread's creation time), the one with the largest key whose
// title is `title` exactly. -1 when none is.
constexpr int32_t kNewThreadCandidates = 10;
int32_t find_new_thread_row(const ThreadList& list, std::wstring_view title, int32_t newest = kNewThreadCandidates);

// The process-wide list behind the thread list view: created empty at
// start-up, replaced by every load, deleted at the end.
extern ThreadList* ProcessThreadList;
void create_thread_list();
void delete_thread_list();

// Sort directions, 1 or 2 per column of the list view and its header; column
// 0 is the setting SortNew (2: new threads first), the others start at 1 and
// go back to 1 at every load.
constexpr int32_t kSortColumns = 5;
int32_t sort_direction(int32_t column);
void reset_sort_directions();

// A click on the header of `column`: flips its direction between 1 and 2 and
// sorts by it, ascending when the direction is now 1. Returns the row where
// the entry of `selectedRow` now stands (-1 when none was selected), so the
// caller can select it again. A column outside 0..4 changes nothing and
// returns `selectedRow`.
int32_t thread_list_column_click(ThreadList& list, int32_t column, int32_t selectedRow);
