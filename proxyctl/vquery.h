// The query protocol of the compression-proxy client's configuration
// database: the request texts this program sends and the reading of the
// replies. Plain bytes and lengths only; the socket side is in venturi_win.
#pragma once
#include <cstddef>
#include <string_view>

// Requests are LF-ended lines with no blank line at the end.
constexpr std::string_view kVentProfileRequest = "GET vpn_prof,nr_profiles\nFROM VSLookupParams\n";
constexpr std::string_view kVentTableRowRequest = "GET rowid,tablename\nFROM MetaTable\n";
constexpr const char* kVentSetProfileFormat = "SET vpn_prof=%d\nWHERE rowid=%d\nFROM VSLookupParams\n";
constexpr const char* kVentMarkModifiedFormat = "SET modified=%d\nWHERE rowid=%d\nFROM MetaTable\n";

// The table whose row in "MetaTable" is marked modified after a change.
constexpr std::string_view kVentProfileTable = "VSLookupParams";

// Room for either SET request with any two int values.
constexpr size_t kVentRequestBytes = 128;

// Reply buffers: the single-row replies are small, the table list is not.
// A reply may fill all but the last byte of its buffer.
constexpr size_t kVentSmallReplyBytes = 128;
constexpr size_t kVentTableReplyBytes = 8192;

// Fills `out` (of `size` bytes) with the SET request and its terminator.
// Returns the request's length, or 0 when it does not fit (nothing usable
// is left in `out` then, and nothing must be sent).
size_t vent_format_set_profile(char* out, size_t size, int value, int row);
size_t vent_format_mark_modified(char* out, size_t size, int value, int row);

// Where a reply being received stands after `received` bytes have arrived
// in a buffer of `capacity` bytes.
enum class VentReplyState {
    More,       // keep reading
    Complete,   // ends with LF LF: the database has said all
    Full,       // no room left and not complete: the query fails
};
VentReplyState vent_reply_state(const char* buf, size_t received, size_t capacity);

// How many bytes the next recv may take: all but the last byte of the buffer
// stay free for the terminator.
size_t vent_reply_room(size_t received, size_t capacity);

// The status code from the first line of a reply: the first "status" in it,
// blanks and TABs after it, then a decimal number up to the next blank, TAB
// or the line's end. False when there is no "status", nothing after it, or
// the text there is not a whole decimal number within int range.
bool vent_read_status(std::string_view reply, int* status);

// The reply to the profile request: status 0, then a line
// `vpn_prof` TAB `nr_profiles` TAB.
struct VentProfile {
    int vpn_prof;
    int nr_profiles;
};
bool vent_parse_profile(std::string_view reply, VentProfile* out);

// The reply to the table-row request: status 0, then one LF-ended line per
// table, `rowid` TAB `tablename` TAB. Gives the rowid of the first line whose
// tablename is exactly `table`. Lines without two TABs, or whose rowid is not
// a non-negative decimal number, are passed over.
bool vent_find_table_row(std::string_view reply, std::string_view table, int* row);

// A whole decimal number: an optional sign and one or more digits, nothing
// else, within int range.
bool vent_parse_decimal(std::string_view text, int* value);
