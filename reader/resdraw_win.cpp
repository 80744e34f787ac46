#include "reader/resdraw_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "base/appstate.h"
#include "base/codepage.h"
#include "reader/anchorindex.h"
#include "reader/anchortap.h"
#include "reader/conversation.h"
#include "reader/entities.h"
#include "reader/ngfilter.h"
#include "reader/resview_win.h"
#include "reader/widthcache.h"
#include "reader/wrap.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 window text");

namespace {

int measure_with_dc(void* context, const char16_t* text, size_t units)
{
    SIZE size{};
    if (!GetTextExtentPoint32W(static_cast<HDC>(context), reinterpret_cast<const wchar_t*>(text),
                               static_cast<int>(units), &size))
        return 0;
    return size.cx;
}

// Working copy of the line being drawn, reused between lines: conversion and
// decoding run for every line drawn, the allocation does not.
std::vector<wchar_t>& line_buffer()
{
    static std::vector<wchar_t> buffer;
    return buffer;
}

// The line's text as UTF-16 with its references decoded; its length in units.
const wchar_t* display_text(const char* text, size_t* units)
{
    std::vector<wchar_t>& buffer = line_buffer();
    const size_t bytes = text ? std::strlen(text) : 0;
    // Each Shift-JIS byte gives at most one UTF-16 unit.
    if (buffer.size() < bytes + 1) buffer.resize(bytes + 1);
    buffer[0] = L'\0';
    if (bytes) mb_to_wide(buffer.data(), text, static_cast<int>(buffer.size()));
    DecodeEntities(buffer.data());
    *units = std::wcslen(buffer.data());
    return buffer.data();
}

// The header line of response `r` with the conversation's counts.
void header_text(ResponseBuffer& t, int32_t r, const char* name, char (&header)[kHeaderBytes])
{
    const Response* response = r >= 1 && r <= t.responseCount && t.responses ? &t.responses[r - 1] : nullptr;
    const ThreadConversation* c = conversation_of(t);
    const int32_t replies = c ? reply_count(c->index, r) : 0;
    const IdPlace id = c ? id_place(c->index, r) : IdPlace{0, 0};
    format_conversation_header(header, sizeof header, r, replies, id, name, response ? response->mail : "",
                               response ? response->date : "");
}

// How a line of a hidden response shows: not at all (every line of it in the
// transparent form; in the usual form the body lines past the first and
// before the blank one after the response), or with "あぼーん" for its text.
enum class HiddenLine { Shown, Abone, Gone };

HiddenLine hidden_line(ResponseBuffer& t, int32_t index)
{
    const ResponseLine& line = t.lines[index];
    const ThreadConversation* c = conversation_of(t);
    if (!c || !response_hidden(c->index, line.response)) return HiddenLine::Shown;
    const NgFilter* filter = active_ng_filter();
    if (filter && filter->transparent) return HiddenLine::Gone;
    if (line.kind == HeaderLine) return HiddenLine::Abone;
    const bool firstBody = index > 0 && t.lines[index - 1].kind == HeaderLine;
    const bool last = index + 1 >= t.lineCount || t.lines[index + 1].response != line.response;
    if (last) return firstBody ? HiddenLine::Abone : HiddenLine::Shown;
    return firstBody ? HiddenLine::Abone : HiddenLine::Gone;
}

// The text a line of a hidden response shows in the usual form: its number
// and "あぼーん" in every field of the header, "あぼーん" for the body.
const wchar_t* abone_text(const ResponseLine& line, size_t* units)
{
    if (line.kind != HeaderLine) return display_text(kAboneText, units);
    char header[kHeaderBytes];
    format_conversation_header(header, sizeof header, line.response, 0, IdPlace{0, 0}, kAboneText, kAboneText,
                               kAboneText);
    return display_text(header, units);
}

// Notes the character under the page's probe when it lies on the row of `n`
// units from `at` drawn at `rect`.
void probe_row(const PageContext& page, const TextMeasurer& m, const char16_t* text, size_t at, size_t n,
               const RECT& rect, int height, int32_t index)
{
    const POINT& p = *page.probe;
    if (p.y < rect.top || p.y >= rect.top + height || p.x < rect.left) return;
    const size_t unit = unit_at_x(m, text + at, n, p.x - rect.left);
    if (unit < n) *page.hit = LineHit{true, index, at + unit};
}

// Draws (or measures) `text` in rows across `rect`, moving its top down by
// each row; returns the rows.
int draw_text(const PageContext& page, const wchar_t* text, size_t units, RECT& rect, const PageFont& font,
              int32_t index)
{
    TextMeasurer measurer{font.cache, measure_with_dc, page.dc};
    const char16_t* units16 = reinterpret_cast<const char16_t*>(text);
    const int width = rect.right - rect.left;
    int rows = 0;
    size_t at = 0;
    do {
        size_t n = fit_row(measurer, units16 + at, units - at, width);
        int height = font.rowHeight;
        if (page.draw) {
            // An empty line still takes one row: it draws a blank.
            int drawn = n ? DrawTextW(page.dc, text + at, static_cast<int>(n), &rect,
                                      DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX)
                          : DrawTextW(page.dc, L" ", 1, &rect, DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
            if (drawn > 0) height = drawn;
        }
        if (page.probe) probe_row(page, measurer, units16, at, n, rect, height, index);
        rect.top += height;
        at += n;
        ++rows;
    } while (at < units);
    return rows;
}

}  // namespace

PageFont page_font(HDC dc, HFONT font, uint8_t* cache)
{
    PageFont f{font, cache, 0};
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW tm{};
    if (GetTextMetricsW(dc, &tm)) f.rowHeight = tm.tmHeight;
    if (old) SelectObject(dc, old);
    if (f.rowHeight < 1) f.rowHeight = 1;
    return f;
}

PageContext page_context(HDC dc, const RECT& client, ResponseBuffer* thread, bool draw)
{
    return PageContext{dc,
                       client,
                       thread,
                       page_font(dc, AppState.BodyFont, BodyWidthCache),
                       page_font(dc, AppState.BoldFont, BoldWidthCache),
                       draw,
                       nullptr,
                       nullptr};
}

int draw_line(const PageContext& page, int32_t index, RECT& rect)
{
    ResponseBuffer& t = *page.thread;
    const ResponseLine& line = t.lines[index];
    const PageFont* font = &page.body;
    if (page.body.font) SelectObject(page.dc, page.body.font);

    size_t units = 0;
    const wchar_t* text = nullptr;
    const HiddenLine hidden = hidden_line(t, index);
    if (hidden == HiddenLine::Gone) return 0;
    if (hidden == HiddenLine::Abone) {
        if (line.kind != HeaderLine) rect.left += kBodyIndent;
        SetTextColor(page.dc, line.kind == HeaderLine ? kHeaderColour : kBodyColour);
        text = abone_text(line, &units);
    } else if (line.kind == HeaderLine) {
        char header[kHeaderBytes];
        header_text(t, line.response, line.text, header);
        if (line.response > t.ReadMark) {
            font = &page.bold;
            if (page.bold.font) SelectObject(page.dc, page.bold.font);
        }
        SetTextColor(page.dc, header_is_sage(header) ? kSageHeaderColour : kHeaderColour);
        text = display_text(header, &units);
    } else {
        rect.left += kBodyIndent;
        SetTextColor(page.dc, kBodyColour);
        text = display_text(line.text, &units);
    }
    return draw_text(page, text, units, rect, *font, index);
}

bool line_takes_no_row(ResponseBuffer& thread, int32_t index)
{
    return thread.lines && index >= 0 && index < thread.lineCount && hidden_line(thread, index) == HiddenLine::Gone;
}

int32_t past_unshown_lines(ResponseBuffer& thread, int32_t position, int step)
{
    while (line_takes_no_row(thread, position) && position + step >= 0 && position + step < thread.lineCount)
        position += step;
    return position;
}

int draw_body_text(const PageContext& page, const wchar_t* text, RECT& rect)
{
    if (page.body.font) SelectObject(page.dc, page.body.font);
    SetTextColor(page.dc, kBodyColour);
    return draw_text(page, text, std::wcslen(text), rect, page.body, -1);
}

std::wstring line_display_text(ResponseBuffer& thread, int32_t index)
{
    if (!thread.lines || index < 0 || index >= thread.lineCount) return {};
    const ResponseLine& line = thread.lines[index];
    size_t units = 0;
    const HiddenLine hidden = hidden_line(thread, index);
    if (hidden == HiddenLine::Gone) return {};
    if (hidden == HiddenLine::Abone) return abone_text(line, &units);
    if (line.kind != HeaderLine) return display_text(line.text, &units);
    char header[kHeaderBytes];
    header_text(thread, line.response, line.text, header);
    return display_text(header, &units);
}

std::vector<int32_t> responses_at_hit(ResponseBuffer& thread, const LineHit& hit)
{
    ThreadConversation* c = conversation_of(thread);
    if (!c || !hit.found || hit.line < 0 || hit.line >= thread.lineCount) return {};
    const std::wstring text = line_display_text(thread, hit.line);
    const std::u16string units(reinterpret_cast<const char16_t*>(text.data()), text.size());
    const ResponseLine& line = thread.lines[hit.line];
    std::vector<int32_t> tapped = tapped_responses(c->index, units, line.kind == HeaderLine, line.response, hit.unit);
    // An anchor's own targets: the hidden ones are no more shown than by the keys.
    tapped.erase(std::remove_if(tapped.begin(), tapped.end(),
                                [&](int32_t r) { return response_hidden(c->index, r); }),
                 tapped.end());
    return tapped;
}
