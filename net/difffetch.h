// The byte-level rules of a fetch: what a status code leads to, where a
// differential request starts, which bytes of a reply reach the local log,
// the gzip reading of the spooled body, and the update check's verdict.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

struct gzFile_s;

constexpr size_t kReceiveBlockBytes = 32768;   // one receive asks for at most this
constexpr size_t kInflateChunkBytes = 32768;   // one gzip read
// A hostile or broken server cannot make the client spool or hold more than
// this: beyond it the fetch fails.
constexpr size_t kFetchBodyMax = size_t{32} << 20;

enum class FetchStatusAction {
    Inflate,    // 200 to 300: the body is the data
    Moved,      // 301 to 303: "移転してるかも(%d)"
    SizeOdd,    // 416: "サイズが変です(%d)" and the 416 marker
    Failed,     // anything else, 0 included: "取得失敗(%d)"
};
FetchStatusAction fetch_status_action(int status);

// The range start of a differential fetch of a log of `localSize` bytes: one
// byte of overlap (size - 1), 0 for no log or a log of one byte. -1 when the
// log is too large to be asked for by a 32-bit range start.
int32_t dat_range_start(uint64_t localSize);

// True when a reply to a request starting at `rangeStart` may be stored: an
// unranged reply always, a ranged one only when its first byte, the overlap,
// is a line feed. The 416 marker (length 0) never overlaps.
bool dat_reply_overlaps(int32_t rangeStart, const char* data, size_t len);

// True when the reply has the shape of a thread log: its first whole line
// (after the overlap byte of a ranged reply) holds the four "<>" of a
// response. A notice, an error page or a login wall answered with 200 has
// not, and must never reach the log. A reply with no whole line after the
// overlap is nothing new and passes; storing decides what it is worth.
bool dat_reply_log_shaped(int32_t rangeStart, const char* data, size_t len);

// Which bytes of a checked reply reach the local log, and how. Only whole
// lines are stored: bytes after the last line feed belong to a response the
// server has not finished (or a transfer cut short) and come again with the
// next fetch. A ranged reply leaves out its overlap byte and is appended; an
// unranged one replaces the log. `length` 0 with `replace` means the reply
// held no complete line and must not touch the log.
struct DatWrite {
    size_t offset;
    size_t length;
    bool replace;
};
DatWrite dat_bytes_to_store(int32_t rangeStart, const char* data, size_t len);

// False when the head announces a Content-Length and fewer body bytes arrived
// (the connection was cut); a head without the field cannot tell.
bool body_complete(const char* head, size_t headLen, uint64_t bodyBytes);

// The coding a reply head names in Content-Encoding. No field, an empty one
// or "identity" is Plain; a coding the client cannot read (or a list of
// codings) is Unknown, and the body must not be taken as data.
enum class BodyCoding { Plain, Gzip, Deflate, Unknown };
BodyCoding body_coding(std::string_view head);

// Reads the spooled body through the gzip reader: a gzip stream is inflated,
// anything else passes through unchanged. Each chunk goes to `sink`; reading
// stops when the sink refuses.
enum class InflateResult {
    Ok,
    Error,       // the stream is corrupt
    Truncated,   // the stream ends in the middle
    TooLarge,    // more than `limit` bytes would come out
    SinkFailed,  // the sink could not take a chunk (out of memory)
};
using InflateSink = bool (*)(void* context, const char* chunk, size_t len);
InflateResult inflate_gz(gzFile_s* file, size_t limit, InflateSink sink, void* context, size_t* total);
// Inflates a deflate-coded body, which servers send in the zlib wrapper or
// raw: the wrapper is recognised by its two header bytes. The bytes come
// through the gzip reader (which passes them through unchanged). An empty
// body gives Ok and nothing; bytes after the stream's end are ignored.
InflateResult inflate_deflate(gzFile_s* file, size_t limit, InflateSink sink, void* context, size_t* total);

// The update check reads one status line: 206 means the log has grown, 416
// that it has not, any other 2xx leaves it counted as grown, and every other
// code (a moved board, an error, no status at all) as not grown. A server
// that closes without sending anything gives no evidence: not grown.
enum class UpdateOutcome { Grown, NotGrown };
UpdateOutcome update_outcome(int status, bool replied);
