#include "store/lineread.h"

#include <cstring>

namespace {
bool ends_line(const char* buf, int length) { return length > 0 && buf[length - 1] == '\n'; }
}  // namespace

int LineReader::piece(char* buf, int size)
{
    if (size < 2) return -1;
    // Zero-filled first, so that the end of what was stored can be found even
    // when the line carries NUL bytes of its own.
    std::memset(buf, 0, static_cast<size_t>(size));
    if (!libce_fgets(buf, size, f_)) return -1;
    int length = size - 1;
    while (length > 0 && buf[length - 1] == '\0') --length;
    endedWithLf_ = ends_line(buf, length);
    return length;
}

int LineReader::whole_line(char* buf, int size)
{
    for (;;) {
        int length = piece(buf, size);
        if (length < 0 || ends_line(buf, length)) return length;
        // No LF: either the file's last line or the first piece of a long one.
        char probe[1024];
        int more = piece(probe, sizeof probe);
        if (more < 0) {
            endedWithLf_ = false;
            return length;
        }
        while (more >= 0 && !ends_line(probe, more)) more = piece(probe, sizeof probe);
        if (more < 0) endedWithLf_ = false;
        ++skipped_;
        if (more < 0) return -1;
    }
}
