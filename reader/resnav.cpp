#include "reader/resnav.h"

int32_t page_step(int32_t linesOnPage)
{
    int32_t step = linesOnPage - 1;
    return step < 1 ? 1 : step;
}

namespace {

// The header line of response `number` in a thread of `lineCount` lines.
int32_t header_line(const ResponseBuffer& thread, int32_t number, int32_t lineCount)
{
    if (number < 1) return 0;
    if (number > thread.responseCount || !thread.responses) return lineCount;
    int64_t line = thread.responses[number - 1].firstLine;
    // A record never points past the line index; should one, the end is the
    // nearest place that exists.
    return line > lineCount ? lineCount : static_cast<int32_t>(line);
}

}  // namespace

int32_t first_line_of_response(const ResponseBuffer& thread, int32_t number)
{
    return header_line(thread, number, thread.lines ? thread.lineCount : 0);
}

int32_t scroll_line_for_last_read(const ResponseBuffer& thread, int32_t lastRead)
{
    // The line count as the parse left it: the place is chosen before the
    // view reads any line.
    return header_line(thread, lastRead, thread.lineCount);
}

int32_t response_at_top(const ResponseBuffer& thread, int32_t position)
{
    return response_number_at_line(thread, position);
}

int32_t scrolled_position(const ResponseBuffer& thread, const ScrollRecord& record, int code,
                          int32_t thumb, int32_t pageUpLines, int32_t pageDownLines)
{
    const int64_t position = record.nPos;
    int64_t change = 0;
    switch (code) {
    case ScrollLineUp: change = -1; break;
    case ScrollLineDown: change = 1; break;
    case ScrollPageUp: change = -static_cast<int64_t>(pageUpLines); break;
    case ScrollPageDown: change = pageDownLines; break;
    case ScrollThumbPosition:
    case ScrollThumbTrack: change = static_cast<int64_t>(thumb) - position; break;
    case ScrollBottom: return first_line_of_response(thread, thread.responseCount);
    default: change = 0; break;
    }
    int64_t moved = position + change;
    const int64_t maximum = record.nMax < 0 ? 0 : record.nMax;
    if (moved > maximum) moved = maximum;
    if (moved < 0) moved = 0;
    return static_cast<int32_t>(moved);
}

int32_t next_response_position(const ResponseBuffer& thread, int32_t position)
{
    int32_t target = response_at_top(thread, position) + 1;
    if (target > thread.responseCount) target = thread.responseCount;
    return first_line_of_response(thread, target);
}

int32_t previous_response_position(const ResponseBuffer& thread, int32_t position)
{
    int32_t target = response_at_top(thread, position) - 1;
    if (target < 1) target = 1;
    return first_line_of_response(thread, target);
}

void jump_range(int32_t responseCount, int32_t* lowest, int32_t* highest)
{
    *lowest = 1;
    *highest = responseCount - 1 < 1 ? 1 : responseCount - 1;
}

int32_t jump_number(const char16_t* text)
{
    if (!text) return 0;
    size_t at = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        at = 1;
    }
    int64_t value = 0;
    for (; at < kJumpDigits && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = value * 10 + (text[at] - u'0');
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t jump_position(const ResponseBuffer& thread, int32_t n)
{
    if (n < 0) n = 0;
    if (n > thread.responseCount) n = thread.responseCount;
    if (n == 0) return 0;
    return first_line_of_response(thread, n);
}
