#include "reader/threadentry.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include "store/settings.h"

ThreadList* ProcessThreadList = nullptr;

namespace {

int32_t g_directions[kSortColumns] = {1, 1, 1, 1, 1};

template <typename T>
int three_way(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compare_text(std::wstring_view a, std::wstring_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        // Code-unit order: the value of each unit, unsigned.
        uint32_t x = static_cast<uint32_t>(a[i]);
        uint32_t y = static_cast<uint32_t>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return three_way(a.size(), b.size());
}

}  // namespace

std::shared_ptr<const ThreadBoard> make_thread_board(std::wstring dir, std::wstring server)
{
    return std::make_shared<const ThreadBoard>(ThreadBoard{std::move(dir), std::move(server)});
}

ThreadEntry::ThreadEntry(int32_t state, std::wstring title, int32_t count, int32_t lastRead,
                         std::wstring_view fileName, std::shared_ptr<const ThreadBoard> board, int32_t extra)
    : state(state),
      title(std::move(title)),
      count(count),
      lastRead(lastRead),
      board(board ? std::move(board) : make_thread_board(std::wstring(), std::wstring())),
      extra(extra)
{
    const size_t n = std::min(fileName.size(), static_cast<size_t>(kFileNameUnits - 1));
    std::wmemcpy(this->fileName, fileName.data(), n);
    this->fileName[n] = L'\0';
}

ThreadEntry::~ThreadEntry() = default;

int32_t check_row_board(bool favorites, int32_t extra, int32_t currentBoard, int32_t boardCount)
{
    int32_t board = favorites ? extra : currentBoard;
    if (board < 0 || board >= boardCount) return -1;
    return board;
}

ThreadList::ThreadList(int32_t capacity) : capacity_(capacity > 0 ? capacity : 0)
{
    entries_.reserve(static_cast<size_t>(capacity_));
}

ThreadList::~ThreadList() = default;

bool ThreadList::full() const { return count() >= capacity_ - 1; }

bool ThreadList::add(std::unique_ptr<ThreadEntry> entry)
{
    if (!entry || full()) return false;
    entry->position = count();
    entries_.push_back(std::move(entry));
    return true;
}

ThreadEntry* ThreadList::at(int32_t row) const
{
    if (row < 0 || row >= count()) return nullptr;
    return entries_[static_cast<size_t>(row)].get();
}

int32_t ThreadList::row_of_position(int32_t position) const
{
    for (int32_t row = 0; row < count(); ++row)
        if (entries_[static_cast<size_t>(row)]->position == position) return row;
    return -1;
}

namespace {

// The thread key of a log's file name; 0 when it does not start with digits
// or has too many for a creation time.
uint64_t file_key(const wchar_t* fileName)
{
    uint64_t key = 0;
    int digits = 0;
    for (const wchar_t* c = fileName; *c >= L'0' && *c <= L'9'; ++c) {
        if (++digits > 15) return 0;
        key = key * 10 + static_cast<uint64_t>(*c - L'0');
    }
    return key;
}

}  // namespace

int32_t find_new_thread_row(const ThreadList& list, std::wstring_view title, int32_t newest)
{
    std::vector<std::pair<uint64_t, int32_t>> keyed;   // key, row
    for (int32_t row = 0; row < list.count(); ++row) keyed.emplace_back(file_key(list.at(row)->fileName), row);
    const size_t take = std::min(keyed.size(), static_cast<size_t>(std::max(newest, 0)));
    std::partial_sort(keyed.begin(), keyed.begin() + static_cast<std::ptrdiff_t>(take), keyed.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t i = 0; i < take; ++i) {
        if (keyed[i].first != 0 && list.at(keyed[i].second)->title == title) return keyed[i].second;
    }
    return -1;
}

void ThreadList::sort(int32_t column, bool ascending)
{
    std::sort(entries_.begin(), entries_.end(),
              [column, ascending](const std::unique_ptr<ThreadEntry>& a, const std::unique_ptr<ThreadEntry>& b) {
                  return compare_thread_entries(*a, *b, column, ascending) < 0;
              });
}

int32_t ThreadList::hide_rows(const std::function<bool(const ThreadEntry&)>& hide)
{
    std::vector<std::unique_ptr<ThreadEntry>> shown, hidden;
    bool cameBack = false;
    for (auto& e : entries_) (hide(*e) ? hidden : shown).push_back(std::move(e));
    for (auto& e : hidden_) {
        cameBack = cameBack || !hide(*e);
        (hide(*e) ? hidden : shown).push_back(std::move(e));
    }
    if (cameBack)
        std::stable_sort(shown.begin(), shown.end(),
                         [](const std::unique_ptr<ThreadEntry>& a, const std::unique_ptr<ThreadEntry>& b) {
                             return a->position < b->position;
                         });
    entries_ = std::move(shown);
    hidden_ = std::move(hidden);
    return hidden_count();
}

namespace {

// A fallen thread comes after the held ones, which may still grow, and
// before those not held.
int state_rank(int32_t state)
{
    return state == ThreadFallen ? ThreadHeld * 2 - 1 : state * 2;
}

}  // namespace

int compare_thread_entries(const ThreadEntry& a, const ThreadEntry& b, int32_t column, bool ascending)
{
    int r = 0;
    switch (column) {
    case 0: r = ascending ? 0 : three_way(state_rank(a.state), state_rank(b.state)); break;
    case 1: r = compare_text(a.title, b.title); break;
    case 2: r = three_way(a.count, b.count); break;
    case 3: r = three_way(a.lastRead, b.lastRead); break;
    case 4: r = compare_text(a.fileName, b.fileName); break;
    case 5: r = compare_text(a.board->dir, b.board->dir); break;
    case 6: r = compare_text(a.board->server, b.board->server); break;
    case 7: r = three_way(a.extra, b.extra); break;
    default: break;
    }
    if (!ascending) r = -r;
    if (r == 0) r = three_way(a.position, b.position);
    return r;
}

void create_thread_list()
{
    delete ProcessThreadList;
    ProcessThreadList = new ThreadList(kThreadListCapacity);
}

void delete_thread_list()
{
    delete ProcessThreadList;
    ProcessThreadList = nullptr;
}

int32_t sort_direction(int32_t column)
{
    if (column == 0) return Settings.SortNew == 2 ? 2 : 1;
    if (column < 0 || column >= kSortColumns) return 1;
    return g_directions[column];
}

void reset_sort_directions()
{
    for (int32_t c = 1; c < kSortColumns; ++c) g_directions[c] = 1;
}

int32_t thread_list_column_click(ThreadList& list, int32_t column, int32_t selectedRow)
{
    if (column < 0 || column >= kSortColumns) return selectedRow;
    int32_t flipped = sort_direction(column) == 1 ? 2 : 1;
    if (column == 0) Settings.SortNew = flipped;
    else g_directions[column] = flipped;

    const ThreadEntry* selected = list.at(selectedRow);
    int32_t position = selected ? selected->position : -1;
    list.sort(column, flipped == 1);
    return position < 0 ? -1 : list.row_of_position(position);
}
