// What the response detail dialog shows and copies: one response split into
// name, mail, date, ID and body, and the copy of a selection with the "h" of
// a "ttp:" or "ttps:" address put back. Byte-level, over the parsed thread;
// the fields stay raw Shift-JIS here, and are decoded where they are shown.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/responses.h"

constexpr int kDetailNumberDigits = 9;   // the number typed into the dialog
constexpr size_t kDetailIdChars = 67;    // the ID shown at most

// A typed response number brought into 1 ... response count (a number that
// was typed is not held by the arrows); 0 when the thread has no response.
int32_t detail_clamp_number(int64_t typed, int32_t responseCount);

// The leading decimal digits of what was typed (at most kDetailNumberDigits);
// 0 when it does not begin with a digit.
int64_t detail_typed_number(std::u16string_view text);

// The date field cut at its first " ID:": the date before it and the ID after
// it. Without " ID:" the whole field is the date and the ID is empty.
void split_date_id(std::string_view field, std::string_view* date, std::string_view* id);

struct DetailFields {
    std::string_view name;   // the header line's text
    std::string_view mail;
    std::string_view date;
    std::string_view id;
    std::string body;        // every line after the header, each with CR LF
};

// The fields of response `number` (1-based). False, with nothing filled, for
// a number outside the thread or a thread without its lines.
bool detail_fields(const ResponseBuffer& thread, int32_t number, DetailFields* out);

// What a copy of the selection [start, end) of `text` puts on the clipboard:
// the selected characters less one trailing space, with "h" put back before
// each "ttp:" and "ttps:" that has none (posters leave it off to avoid
// automatic links).
// Empty for an empty selection.
std::u16string detail_copy_text(std::u16string_view text, size_t start, size_t end);
