#include "store/boardmove.h"

#include <algorithm>
#include <cwchar>

#include "store/boardlines.h"

namespace {

bool field_is(const wchar_t (&field)[kBoardFieldUnits], const std::wstring& text)
{
    return wcsncmp(field, text.c_str(), kBoardFieldUnits) == 0 && text.size() < kBoardFieldUnits;
}

bool lists(const BoardEntry* boards, int32_t count, const std::wstring& host, const std::wstring& dir)
{
    for (int32_t i = 0; i < count; ++i)
        if (field_is(boards[i].host, host) && field_is(boards[i].dir, dir)) return true;
    return false;
}

}  // namespace

std::vector<BoardMove> boards_moved(const BoardEntry* before, int32_t beforeCount, const BoardEntry* after,
                                    int32_t afterCount)
{
    std::vector<BoardMove> moves;
    for (int32_t i = 0; i < beforeCount; ++i) {
        const BoardEntry& old = before[i];
        if (old.host[0] == L'\0' || old.dir[0] == L'\0') continue;
        const std::wstring host(old.host, wcsnlen(old.host, kBoardFieldUnits - 1));
        const std::wstring dir(old.dir, wcsnlen(old.dir, kBoardFieldUnits - 1));
        if (lists(after, afterCount, host, dir)) continue;
        auto known = [&](const BoardMove& m) { return m.oldHost == host && m.dir == dir; };
        if (std::any_of(moves.begin(), moves.end(), known)) continue;
        for (int32_t j = 0; j < afterCount; ++j) {
            if (!field_is(after[j].dir, dir) || after[j].host[0] == L'\0') continue;
            moves.push_back(BoardMove{host, dir, std::wstring(after[j].host, wcsnlen(after[j].host, kBoardFieldUnits - 1))});
            break;
        }
    }
    return moves;
}

int move_board_records(BoardArray& table, const BoardMove& move)
{
    if (move.newHost.empty() || move.newHost.size() >= kBoardFieldUnits) return 0;
    int changed = 0;
    for (int32_t i = 0; table.items && i < table.count; ++i) {
        BoardEntry& b = table.items[i];
        if (!field_is(b.host, move.oldHost) || !field_is(b.dir, move.dir)) continue;
        std::wmemset(b.host, L'\0', kBoardFieldUnits);
        std::wmemcpy(b.host, move.newHost.c_str(), move.newHost.size());
        ++changed;
    }
    return changed;
}

std::string brd_bytes_moved(std::string_view file, std::string_view oldHost, std::string_view dir,
                            std::string_view newHost, int* changed)
{
    *changed = 0;
    std::string out;
    out.reserve(file.size() + 64);
    while (!file.empty()) {
        size_t lf = file.find('\n');
        std::string_view line = file.substr(0, lf == std::string_view::npos ? file.size() : lf + 1);
        file.remove_prefix(line.size());
        BrdLine parsed = parse_brd_line(line);
        if (parsed.kind != BrdLineKind::Board || parsed.host != oldHost || parsed.dir != dir) {
            out.append(line);
            continue;
        }
        // Only the host is replaced: everything around it stays as it was.
        const size_t at = static_cast<size_t>(parsed.host.data() - line.data());
        out.append(line.substr(0, at));
        out.append(newHost);
        out.append(line.substr(at + parsed.host.size()));
        ++*changed;
    }
    return out;
}
