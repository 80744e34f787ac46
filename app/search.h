// The rules of the two text searches: the title search over the thread
// list's rows and the search in the open thread's lines. Byte-level (wchar_t
// is 16-bit on the handset and 32-bit natively; titles are compared by code
// unit after case folding), so the rules are tested natively.
#pragma once
#include <cstddef>
#include <cstdint>

// Search texts are read with room for this many characters.
constexpr int kSearchTextMax = 255;

// The title search visits the rows after `selected` in order, wrapping from
// the last row to row 0, each at most once and never `selected` itself; with
// no selection (-1, or a row outside the list) it visits 0 .. count - 1.
// Returns the first row for which `match(row)` is true, or -1.
template <class Match>
int32_t find_next_row(int32_t count, int32_t selected, Match match)
{
    if (count <= 0) return -1;
    if (selected < 0 || selected >= count) {
        for (int32_t row = 0; row < count; ++row)
            if (match(row)) return row;
        return -1;
    }
    for (int32_t i = 1; i < count; ++i) {
        int32_t row = (selected + i) % count;
        if (match(row)) return row;
    }
    return -1;
}

// True when `text` stands anywhere in `title`, compared without regard to
// case over the text's length (Latin letters, also full-width, Latin-1,
// Greek and Cyrillic capitals fold to their small letters). An empty text
// matches nothing.
bool title_contains(const wchar_t* title, size_t titleLength, const wchar_t* text, size_t textLength);

// The vertical scroll, in pixels, that brings the row found by the title
// search into view: with d = top - (bottom - top), d when it lies above the
// client top (the row before shows too); row bottom - client bottom + 10 when
// the row's bottom lies more than 10 pixels below the client bottom; else 0.
int32_t found_row_scroll(int32_t rowTop, int32_t rowBottom, int32_t clientTop, int32_t clientBottom);
constexpr int32_t kFoundRowBottomMargin = 10;

// True when the code-page-932 bytes `text` stand in `line`, compared byte for
// byte (case-sensitive), starting only where a character starts: the second
// byte of a double-byte character never begins a match.
bool sjis_line_contains(const char* line, size_t lineLength, const char* text, size_t textLength);
