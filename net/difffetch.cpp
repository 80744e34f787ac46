#include "net/difffetch.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

#include "net/httphead.h"

FetchStatusAction fetch_status_action(int status)
{
    if (status >= 200 && status <= 300) return FetchStatusAction::Inflate;
    if (status >= 301 && status <= 303) return FetchStatusAction::Moved;
    if (status == 416) return FetchStatusAction::SizeOdd;
    return FetchStatusAction::Failed;
}

int32_t dat_range_start(uint64_t localSize)
{
    if (localSize == 0) return 0;
    if (localSize - 1 > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return -1;
    return static_cast<int32_t>(localSize - 1);
}

bool dat_reply_overlaps(int32_t rangeStart, const char* data, size_t len)
{
    if (rangeStart <= 0) return true;
    return data && len > 0 && data[0] == '\n';
}

bool dat_reply_log_shaped(int32_t rangeStart, const char* data, size_t len)
{
    if (!data) return len == 0;
    std::string_view rest(data, len);
    if (rangeStart > 0) {
        if (rest.empty() || rest[0] != '\n') return false;
        rest.remove_prefix(1);
    }
    size_t end = rest.find('\n');
    if (end == std::string_view::npos) return true;
    std::string_view line = rest.substr(0, end);
    constexpr int kResponseSeparators = 4;   // name, mail, date and body end in "<>"
    int separators = 0;
    for (size_t at = line.find("<>"); at != std::string_view::npos; at = line.find("<>", at + 2)) ++separators;
    return separators >= kResponseSeparators;
}

DatWrite dat_bytes_to_store(int32_t rangeStart, const char* data, size_t len)
{
    DatWrite w{0, 0, rangeStart <= 0};
    if (!data || len == 0) return w;
    size_t end = len;
    while (end > 0 && data[end - 1] != '\n') --end;   // keep whole lines only
    if (rangeStart > 0) {
        // The overlap byte is already in the log.
        w.offset = 1;
        w.length = end > 1 ? end - 1 : 0;
    } else {
        w.length = end;
    }
    return w;
}

bool body_complete(const char* head, size_t headLen, uint64_t bodyBytes)
{
    uint64_t announced = 0;
    if (!head_content_length(std::string_view(head ? head : "", head ? headLen : 0), &announced)) return true;
    return bodyBytes >= announced;
}

InflateResult inflate_gz(gzFile_s* file, size_t limit, InflateSink sink, void* context, size_t* total)
{
    *total = 0;
    if (!file) return InflateResult::Error;
    std::unique_ptr<char[]> chunk(new char[kInflateChunkBytes]);
    for (;;) {
        std::memset(chunk.get(), 0, kInflateChunkBytes);
        int n = gzread(file, chunk.get(), static_cast<unsigned>(kInflateChunkBytes));
        if (n < 0) return InflateResult::Error;
        if (n == 0) break;
        if (static_cast<size_t>(n) > limit - *total) return InflateResult::TooLarge;
        if (!sink(context, chunk.get(), static_cast<size_t>(n))) return InflateResult::SinkFailed;
        *total += static_cast<size_t>(n);
    }
    int err = Z_OK;
    gzerror(file, &err);
    if (err == Z_BUF_ERROR) return InflateResult::Truncated;
    if (err != Z_OK) return InflateResult::Error;
    return InflateResult::Ok;
}

UpdateOutcome update_outcome(int status, bool replied)
{
    if (!replied) return UpdateOutcome::NotGrown;
    if (status == 416) return UpdateOutcome::NotGrown;
    if (status >= 200 && status <= 300) return UpdateOutcome::Grown;
    return UpdateOutcome::NotGrown;
}
