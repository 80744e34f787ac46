// The update check's rules over bytes: where a thread's HEAD starts, reading
// the one status line of its reply, and the verdict and the progress caption
// it leads to.
#pragma once
#include <cstddef>
#include <cstdint>

#include "net/difffetch.h"

// One receive of the check asks for at most this (a 1024-byte buffer).
constexpr size_t kCheckReceiveBytes = 1023;
// A status line longer than this is no status line.
constexpr size_t kCheckStatusLineMax = 1024;
// A thread's log file name as the list hands it over: 14 characters at most.
constexpr size_t kCheckFileNameMax = 14;

// The range start of the HEAD for a local log of `localSize` bytes: the size
// itself, the first byte not held (no overlap byte, unlike the fetch), 0 for
// no log. -1 when a 32-bit range start cannot name it.
int32_t check_range_start(uint64_t localSize);

// Reads a HEAD reply block by block. Only the status line counts: once it has
// arrived, however the blocks split it, reading may stop. So a head longer
// than a block is never read a second time as if it were a status line, and a
// server that keeps the connection open after its head does not hold the
// check until its idle time-out.
class CheckReplyReader {
public:
    // Takes the next block; true when reading can stop (the status line is
    // complete, or too long to be one). A line ends at its LF, with or
    // without the CR before it.
    bool feed(const char* block, size_t len);
    // The server closed the connection: a status line it did not end still
    // counts when its code is there.
    void closed();
    bool done() const { return done_; }
    // A complete status line arrived.
    bool replied() const { return replied_; }
    // Its code; 0 before that, or when it carries no code.
    int status() const { return status_; }
    // 206 (and any other 2xx) grown, 416 not; a reply without a status line,
    // or a failed or cancelled read, is no evidence: not grown.
    UpdateOutcome outcome() const { return update_outcome(status_, replied_); }

private:
    char line_[kCheckStatusLineMax];
    size_t len_ = 0;
    int status_ = 0;
    bool replied_ = false;
    bool done_ = false;
};

// What the progress caption shows once the status is known. The two verdicts
// are shown only in debug mode; other 2xx codes leave the caption alone.
enum class CheckCaption { Keep, Unchanged, Changed, Moved, Failed };
CheckCaption check_caption(int status, bool debugMode);
