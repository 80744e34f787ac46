#include "proxyctl/vquery.h"

#include <climits>

#include "store/format.h"

namespace {

size_t format_request(char* out, size_t size, const char* format, int value, int row)
{
    if (size == 0) return 0;
    int n = libce_snprintf(out, size, format, value, row);
    if (n <= 0 || static_cast<size_t>(n) >= size) {
        out[0] = '\0';   // a cut request must never reach the database
        return 0;
    }
    return static_cast<size_t>(n);
}

// The line starting at `from`, without its LF; `next` is set past the LF, or
// to npos when the line ran to the end of the text without one.
std::string_view line_at(std::string_view text, size_t from, size_t* next)
{
    size_t lf = text.find('\n', from);
    if (lf == std::string_view::npos) {
        *next = std::string_view::npos;
        return text.substr(from);
    }
    *next = lf + 1;
    return text.substr(from, lf - from);
}

// The first two TAB-ended fields of a line; false when it lacks two TABs.
bool two_fields(std::string_view line, std::string_view* first, std::string_view* second)
{
    size_t t1 = line.find('\t');
    if (t1 == std::string_view::npos) return false;
    size_t t2 = line.find('\t', t1 + 1);
    if (t2 == std::string_view::npos) return false;
    *first = line.substr(0, t1);
    *second = line.substr(t1 + 1, t2 - t1 - 1);
    return true;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

size_t vent_format_set_profile(char* out, size_t size, int value, int row)
{
    return format_request(out, size, kVentSetProfileFormat, value, row);
}

size_t vent_format_mark_modified(char* out, size_t size, int value, int row)
{
    return format_request(out, size, kVentMarkModifiedFormat, value, row);
}

VentReplyState vent_reply_state(const char* buf, size_t received, size_t capacity)
{
    if (received >= 2 && buf[received - 2] == '\n' && buf[received - 1] == '\n')
        return VentReplyState::Complete;
    if (vent_reply_room(received, capacity) == 0) return VentReplyState::Full;
    return VentReplyState::More;
}

size_t vent_reply_room(size_t received, size_t capacity)
{
    if (capacity == 0 || received >= capacity - 1) return 0;
    return capacity - 1 - received;
}

bool vent_parse_decimal(std::string_view text, int* value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    // Accumulated negatively so that INT_MIN fits.
    long long v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 - (c - '0');
        if (v < INT_MIN) return false;
    }
    if (!negative) {
        if (-v > INT_MAX) return false;
        v = -v;
    }
    *value = static_cast<int>(v);
    return true;
}

bool vent_read_status(std::string_view reply, int* status)
{
    size_t next;
    std::string_view first = line_at(reply, 0, &next);
    size_t at = first.find("status");
    if (at == std::string_view::npos) return false;
    size_t i = at + 6;
    while (i < first.size() && is_blank(first[i])) ++i;
    size_t end = i;
    while (end < first.size() && !is_blank(first[end])) ++end;
    if (end == i) return false;
    return vent_parse_decimal(first.substr(i, end - i), status);
}

bool vent_parse_profile(std::string_view reply, VentProfile* out)
{
    int status;
    if (!vent_read_status(reply, &status) || status != 0) return false;
    size_t second;
    line_at(reply, 0, &second);
    if (second == std::string_view::npos) return false;
    size_t after;
    std::string_view line = line_at(reply, second, &after);
    std::string_view prof, count;
    if (!two_fields(line, &prof, &count)) return false;
    VentProfile p;
    if (!vent_parse_decimal(prof, &p.vpn_prof) || !vent_parse_decimal(count, &p.nr_profiles))
        return false;
    *out = p;
    return true;
}

bool vent_find_table_row(std::string_view reply, std::string_view table, int* row)
{
    int status;
    if (!vent_read_status(reply, &status) || status != 0) return false;
    size_t at;
    line_at(reply, 0, &at);
    // Only LF-ended lines count: a last line cut off by a closed connection
    // is not a row.
    while (at != std::string_view::npos && at < reply.size()) {
        size_t next;
        std::string_view line = line_at(reply, at, &next);
        if (next == std::string_view::npos) break;
        at = next;
        std::string_view id, name;
        int value;
        if (!two_fields(line, &id, &name)) continue;
        if (name != table) continue;
        if (!vent_parse_decimal(id, &value) || value < 0) continue;
        *row = value;
        return true;
    }
    return false;
}
