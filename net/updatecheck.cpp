#include "net/updatecheck.h"

#include <cstring>
#include <limits>
#include <string_view>

#include "net/httphead.h"

int32_t check_range_start(uint64_t localSize)
{
    if (localSize > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return -1;
    return static_cast<int32_t>(localSize);
}

bool CheckReplyReader::feed(const char* block, size_t len)
{
    if (done_ || !block) return done_;
    size_t room = sizeof line_ - len_;
    size_t take = len < room ? len : room;
    std::memcpy(line_ + len_, block, take);
    size_t from = len_;
    len_ += take;
    std::string_view held(line_, len_);
    size_t end = held.find('\n', from);
    if (end != std::string_view::npos) {
        replied_ = true;
        status_ = status_code_of(held.substr(0, end));
        done_ = true;
    } else if (len_ == sizeof line_) {
        done_ = true;   // no line end in a whole buffer: no status line
    }
    return done_;
}

void CheckReplyReader::closed()
{
    if (done_) return;
    done_ = true;
    status_ = status_code_of(std::string_view(line_, len_));
    replied_ = status_ != 0;
}

CheckCaption check_caption(int status, bool debugMode)
{
    if (status == 416) return debugMode ? CheckCaption::Unchanged : CheckCaption::Keep;
    if (status == 206) return debugMode ? CheckCaption::Changed : CheckCaption::Keep;
    if (status >= 200 && status <= 300) return CheckCaption::Keep;
    if (status >= 301 && status <= 303) return CheckCaption::Moved;
    return CheckCaption::Failed;
}
