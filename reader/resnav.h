// Where the response view's top line goes: the scroll codes, the moves to the
// next and previous response, the jump to a response number and the page
// steps measured at each paint. Byte-level, over the parsed thread.
#pragma once
#include <cstddef>
#include <cstdint>

#include "store/responses.h"

// The platform's vertical scroll codes, by value.
enum ScrollCode : int {
    ScrollLineUp = 0,
    ScrollLineDown = 1,
    ScrollPageUp = 2,
    ScrollPageDown = 3,
    ScrollThumbPosition = 4,
    ScrollThumbTrack = 5,
    ScrollTop = 6,
    ScrollBottom = 7,
    ScrollEndScroll = 8,
};

constexpr int32_t kInitialPageLines = 10;   // PageScrollLines, PageUpLines before a paint

// A page step from the lines that fit a page: one less, but at least 1.
int32_t page_step(int32_t linesOnPage);

// The index of the header line of response `number`: 0 below 1, the line
// count above the response count.
int32_t first_line_of_response(const ResponseBuffer& thread, int32_t number);

// The display line an opened thread starts at, from the last read response
// recorded in the held-thread list: 0 when it is 0 or less (never read, or
// not held), the line count when it lies beyond the responses, else the
// header line of that response.
int32_t scroll_line_for_last_read(const ResponseBuffer& thread, int32_t lastRead);

// The response at the top of the view when line `position` is the top line
// (the response count when the position lies past the last line).
int32_t response_at_top(const ResponseBuffer& thread, int32_t position);

// The new top line after scroll `code` from `record` (thumb: the thumb's
// position for the thumb codes). Kept between 0 and the record's maximum;
// bottom puts the last response's header at the top; top and unknown codes
// change nothing.
int32_t scrolled_position(const ResponseBuffer& thread, const ScrollRecord& record, int code,
                          int32_t thumb, int32_t pageUpLines, int32_t pageDownLines);

// N and P: the header of the next response (not past the last) and of the
// previous one (not before the first).
int32_t next_response_position(const ResponseBuffer& thread, int32_t position);
int32_t previous_response_position(const ResponseBuffer& thread, int32_t position);

// The jump dialog. Its arrows step over 1 to the response count less one
// (never an empty range: at least 1 to 1).
void jump_range(int32_t responseCount, int32_t* lowest, int32_t* highest);
// At most the first 9 characters of the edit box, read as a decimal number:
// a leading sign allowed, stops at the first non-digit, 0 without digits.
constexpr size_t kJumpDigits = 9;
int32_t jump_number(const char16_t* text);
// The top line for number `n`: below 0 counts as 0 (line 0), above the
// response count as the response count; else the header of response n.
int32_t jump_position(const ResponseBuffer& thread, int32_t n);
