// Line reading for the list files over the file library's line reader, which
// hands a line longer than its buffer over in pieces: the list readers must
// not take such a tail for a line of its own.
#pragma once
#include "store/libce.h"

class LineReader {
public:
    explicit LineReader(LibceFile* f) : f_(f) {}

    // The next piece of a line (at most size - 1 bytes); returns its length,
    // NUL bytes inside it included, or -1 at the end of the file. A piece ends
    // its line exactly when its last byte is LF or it is the file's last.
    int piece(char* buf, int size);

    // The next line that fits in `buf` whole (LF included when present); its
    // length, or -1 at the end of the file. Longer lines are passed over to
    // their end and counted in skipped().
    int whole_line(char* buf, int size);

    int skipped() const { return skipped_; }
    // False when the last byte read was not a line feed: something appended
    // now would run on the end of that last line.
    bool ended_with_lf() const { return endedWithLf_; }

private:
    LibceFile* f_;
    int skipped_ = 0;
    bool endedWithLf_ = true;
};
