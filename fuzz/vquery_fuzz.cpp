// Replies of the proxy client's configuration database, as they arrive off
// the socket: every reading must stay within the bytes given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "proxyctl/vquery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    std::string_view reply(copy.get(), size);

    int status;
    if (vent_read_status(reply, &status)) {
        size_t lf = reply.find('\n');
        if (reply.substr(0, lf).find("status") == std::string_view::npos) std::abort();
    }

    VentProfile profile;
    if (vent_parse_profile(reply, &profile)) {
        if (!vent_read_status(reply, &status) || status != 0) std::abort();
    }

    int row;
    if (vent_find_table_row(reply, kVentProfileTable, &row)) {
        if (row < 0) std::abort();
        // The row found is printed into the marking request, which must fit.
        char request[kVentRequestBytes];
        if (vent_format_mark_modified(request, sizeof request, 1, row) == 0) std::abort();
    }

    for (size_t cap : {kVentSmallReplyBytes, kVentTableReplyBytes}) {
        size_t got = size < cap ? size : cap - 1;
        VentReplyState st = vent_reply_state(copy.get(), got, cap);
        if (st == VentReplyState::More && vent_reply_room(got, cap) == 0) std::abort();
    }
    return 0;
}
