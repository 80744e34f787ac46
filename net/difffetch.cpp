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

BodyCoding body_coding(std::string_view head)
{
    std::string_view coding;
    if (!head_field(head, "Content-Encoding", &coding) || coding.empty()) return BodyCoding::Plain;
    auto named = [coding](std::string_view name) { return httphead_detail::same_name(coding, name); };
    if (named("identity")) return BodyCoding::Plain;
    if (named("gzip") || named("x-gzip")) return BodyCoding::Gzip;
    if (named("deflate")) return BodyCoding::Deflate;
    return BodyCoding::Unknown;
}

namespace {

// RFC 1950: compression method 8 with a window of at most 32 KB, and the two
// bytes a multiple of 31.
bool zlib_wrapped(const unsigned char* b, size_t len)
{
    return len >= 2 && (b[0] & 0x0f) == 8 && (b[0] >> 4) <= 7 && ((b[0] << 8) | b[1]) % 31 == 0;
}

struct InflateStream {
    z_stream z{};
    bool open = false;
    ~InflateStream()
    {
        if (open) inflateEnd(&z);
    }
};

}  // namespace

InflateResult inflate_deflate(gzFile_s* file, size_t limit, InflateSink sink, void* context, size_t* total)
{
    *total = 0;
    if (!file) return InflateResult::Error;
    std::unique_ptr<unsigned char[]> in(new unsigned char[kInflateChunkBytes]);
    std::unique_ptr<char[]> out(new char[kInflateChunkBytes]);
    InflateStream s;
    for (;;) {
        int n = gzread(file, in.get(), static_cast<unsigned>(kInflateChunkBytes));
        if (n < 0) return InflateResult::Error;
        if (n == 0) return s.open ? InflateResult::Truncated : InflateResult::Ok;
        if (!s.open) {
            if (inflateInit2(&s.z, zlib_wrapped(in.get(), static_cast<size_t>(n)) ? 15 : -15) != Z_OK)
                return InflateResult::Error;
            s.open = true;
        }
        s.z.next_in = in.get();
        s.z.avail_in = static_cast<uInt>(n);
        int rc = Z_OK;
        do {
            s.z.next_out = reinterpret_cast<Bytef*>(out.get());
            s.z.avail_out = static_cast<uInt>(kInflateChunkBytes);
            rc = inflate(&s.z, Z_NO_FLUSH);
            if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR || rc == Z_MEM_ERROR || rc == Z_STREAM_ERROR)
                return InflateResult::Error;
            size_t produced = kInflateChunkBytes - s.z.avail_out;
            if (produced > limit - *total) return InflateResult::TooLarge;
            if (produced > 0 && !sink(context, out.get(), produced)) return InflateResult::SinkFailed;
            *total += produced;
            if (rc == Z_STREAM_END) return InflateResult::Ok;
        } while (s.z.avail_out == 0 || s.z.avail_in > 0);
    }
}

UpdateOutcome update_outcome(int status, bool replied)
{
    if (!replied) return UpdateOutcome::NotGrown;
    if (status == 416) return UpdateOutcome::NotGrown;
    if (status >= 200 && status <= 300) return UpdateOutcome::Grown;
    return UpdateOutcome::NotGrown;
}
