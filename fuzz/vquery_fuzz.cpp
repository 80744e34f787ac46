// Replies of the proxy client's configuration database, as they arrive off
// the socket: every reading stays within the bytes given and gives what a
// plain rereading of the same rules, written here line by line, gives.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "proxyctl/vquery.h"

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

// The reply cut at every LF: n LFs give n + 1 pieces, the last being the
// text after the last LF (empty when the reply ends with one). Every piece
// but the last is a whole, LF-ended line.
std::vector<std::string> pieces_of(std::string_view reply)
{
    std::vector<std::string> pieces(1);
    for (char c : reply) {
        if (c == '\n') pieces.emplace_back();
        else pieces.back() += c;
    }
    return pieces;
}

// A whole decimal number: optional sign, one or more digits, within int range.
bool plain_decimal(const std::string& text, int* value)
{
    size_t start = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (start == text.size()) return false;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    std::string digits = text.substr(start);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10) return false;
    long long v = std::stoll(digits);
    if (text[0] == '-') v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

bool plain_status(const std::vector<std::string>& l, int* status)
{
    const std::string& first = l.front();
    size_t at = first.find("status");
    if (at == std::string::npos) return false;
    size_t from = first.find_first_not_of(" \t", at + 6);
    if (from == std::string::npos) return false;
    size_t to = first.find_first_of(" \t", from);
    return plain_decimal(first.substr(from, to == std::string::npos ? std::string::npos : to - from),
                         status);
}

// The first two TAB-ended fields of a line.
bool plain_fields(const std::string& line, std::string* a, std::string* b)
{
    size_t t1 = line.find('\t');
    if (t1 == std::string::npos) return false;
    size_t t2 = line.find('\t', t1 + 1);
    if (t2 == std::string::npos) return false;
    *a = line.substr(0, t1);
    *b = line.substr(t1 + 1, t2 - t1 - 1);
    return true;
}

bool plain_profile(const std::vector<std::string>& l, VentProfile* p)
{
    int status;
    if (!plain_status(l, &status) || status != 0) return false;
    if (l.size() < 2) return false;   // no LF after the status line
    std::string a, b;
    if (!plain_fields(l[1], &a, &b)) return false;
    return plain_decimal(a, &p->vpn_prof) && plain_decimal(b, &p->nr_profiles);
}

bool plain_table_row(const std::vector<std::string>& l, std::string_view table, int* row)
{
    int status;
    if (!plain_status(l, &status) || status != 0) return false;
    // Rows are the LF-ended lines after the first; a cut last line is none.
    for (size_t i = 1; i + 1 < l.size(); ++i) {
        std::string id, name;
        int value;
        if (!plain_fields(l[i], &id, &name) || name != table) continue;
        if (!plain_decimal(id, &value) || value < 0) continue;
        *row = value;
        return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    std::string_view reply(copy.get(), size);
    const std::vector<std::string> lines = pieces_of(reply);

    int status = -1, want = -1;
    bool ok = vent_read_status(reply, &status);
    check(ok == plain_status(lines, &want));
    if (ok) check(status == want);

    VentProfile got{-1, -1}, expected{-1, -1};
    ok = vent_parse_profile(reply, &got);
    check(ok == plain_profile(lines, &expected));
    if (ok) check(got.vpn_prof == expected.vpn_prof && got.nr_profiles == expected.nr_profiles);

    // The table asked for is the usual one, or a name found in the reply.
    std::string other, ignored;
    if (lines.size() > 1) plain_fields(lines[1], &ignored, &other);
    for (std::string_view table : {kVentProfileTable, std::string_view(other)}) {
        int row = -1, wantRow = -1;
        ok = vent_find_table_row(reply, table, &row);
        check(ok == plain_table_row(lines, table, &wantRow));
        if (!ok) continue;
        check(row == wantRow);
        // The row found is printed into the marking request, which must fit.
        char request[kVentRequestBytes];
        size_t n = vent_format_mark_modified(request, sizeof request, 1, row);
        check(n != 0 && n == std::strlen(request));
        check(request == "SET modified=1\nWHERE rowid=" + std::to_string(row) + "\nFROM MetaTable\n");
    }

    // Receiving: complete once the bytes end in two LFs, full when only the
    // terminator's byte is left, more otherwise.
    for (size_t cap : {kVentSmallReplyBytes, kVentTableReplyBytes}) {
        size_t got = size < cap ? size : cap - 1;
        VentReplyState st = vent_reply_state(copy.get(), got, cap);
        bool twoLf = got >= 2 && copy[got - 2] == '\n' && copy[got - 1] == '\n';
        VentReplyState expect = twoLf ? VentReplyState::Complete
                                      : got + 1 >= cap ? VentReplyState::Full : VentReplyState::More;
        check(st == expect);
        check(vent_reply_room(got, cap) == (got + 1 >= cap ? 0 : cap - 1 - got));
    }
    return 0;
}
