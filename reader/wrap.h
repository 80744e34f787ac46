// Laying the response view's text out in rows: the header line's text, the
// per-font width caches and the wrapping of a UTF-16 line to a pixel width.
// Byte-level: the platform's text measuring comes in as a function.
#pragma once
#include <cstddef>
#include <cstdint>

// A width cache: one byte per UTF-16 code unit, the character's width in
// pixels in one font. 0 means not measured yet. A character 255 pixels wide or
// wider does not fit a byte: it is stored as kWidthMeasureAlways and measured
// again each time it is needed.
constexpr size_t kWidthCacheUnits = 65536;
constexpr uint8_t kWidthUnmeasured = 0;
constexpr uint8_t kWidthMeasureAlways = 255;

// The platform's text extent: the width in pixels of `units` code units of
// `text` drawn in the font the measurer stands for.
using MeasureText = int (*)(void* context, const char16_t* text, size_t units);

struct TextMeasurer {
    uint8_t* cache;        // kWidthCacheUnits bytes; null: measure every time
    MeasureText measure;
    void* context;
};

// Code units of the character that starts at text[0] (of `units` left): 2 for
// a whole surrogate pair, else 1.
size_t char_units(const char16_t* text, size_t units);

// The width of the character of `length` units at `text`, from the cache when
// it is known there, else measured (and stored when it fits a byte).
int char_width(const TextMeasurer& m, const char16_t* text, size_t length);

// How many code units from the start of `text` (of `units`) make up the
// characters whose widths add up to at most `width`; never a broken surrogate
// pair. At least one whole character when `units` > 0, even when it is wider
// than `width` (it is then drawn cut off): every row moves the text on.
size_t fit_row(const TextMeasurer& m, const char16_t* text, size_t units, int width);

// The code unit of `text` (of `units`) whose character covers pixel `x` from
// the row's start; `units` when `x` lies past the last character.
size_t unit_at_x(const TextMeasurer& m, const char16_t* text, size_t units, int x);

// The rows a line of `units` takes at `width`: 1 for an empty line.
int count_rows(const TextMeasurer& m, const char16_t* text, size_t units, int width);

// The header line of response `number` into `out` (`size` bytes): the number,
// " :", the name, a blank, the mail, a blank and the date ("%d :%s %s %s").
// Shift-JIS; a header that does not fit is cut at a character boundary, never
// overrun. Returns the length written.
constexpr size_t kHeaderBytes = 512;
size_t format_header(char* out, size_t size, int number, const char* name, const char* mail,
                     const char* date);

// Headers whose text holds " sage " are drawn red, the others green.
bool header_is_sage(const char* header);

// The length of the longest start of the `length` Shift-JIS bytes at `text`
// that ends on a character boundary.
size_t sjis_whole_prefix(const char* text, size_t length);
