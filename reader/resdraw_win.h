// Drawing the lines of an open thread, shared by the response view and the
// popups over it: header lines with the conversation's counts in the header's
// colours, body lines indented and wrapped, references decoded. The same
// layout also measures without drawing and finds the character under a point.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/responses.h"

// One font of the page: its handle (null: the platform's default font stays
// selected), its width cache and the height of one row.
struct PageFont {
    HFONT font;
    uint8_t* cache;
    int rowHeight;
};

// Where a probe point fell: the line and the code unit of its display text.
struct LineHit {
    bool found;
    int32_t line;
    size_t unit;
};

// Everything drawing a run of lines needs; built once per page.
struct PageContext {
    HDC dc;
    RECT client;
    ResponseBuffer* thread;
    PageFont body;
    PageFont bold;
    bool draw;                // false: only measure (and probe)
    const POINT* probe;       // null: nothing to find
    LineHit* hit;             // filled when the probe lies on a drawn row
};

// The page's fonts as the view draws them, measured in `dc`.
PageFont page_font(HDC dc, HFONT font, uint8_t* cache);
PageContext page_context(HDC dc, const RECT& client, ResponseBuffer* thread, bool draw);

// Draws (or measures) display line `index` of the page's thread across
// `rect`, moving its top down by each row; returns the rows. A line of a
// response the NG lists hide shows "あぼーん" or takes no row at all.
int draw_line(const PageContext& page, int32_t index, RECT& rect);

// Whether line `index` of `thread` takes no row: a line of a response the NG
// lists hide that shows nothing. The keys step over such lines.
bool line_takes_no_row(ResponseBuffer& thread, int32_t index);

// `position` moved by `step` (1 or -1) past the lines that take no row, as
// far as the thread's lines go.
int32_t past_unshown_lines(ResponseBuffer& thread, int32_t position, int step);

// Draws (or measures) one line of body text in the body font and colour.
int draw_body_text(const PageContext& page, const wchar_t* text, RECT& rect);

// The responses a tap on `hit` follows (reader/anchortap.h), the hidden ones
// left out.
std::vector<int32_t> responses_at_hit(ResponseBuffer& thread, const LineHit& hit);

// The text line `index` of `thread` shows, as drawn.
std::wstring line_display_text(ResponseBuffer& thread, int32_t index);
