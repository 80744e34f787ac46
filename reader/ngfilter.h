// What the NG lists hide, as the reader judges it: the entries folded once
// (ASCII case, the width of ASCII and katakana) and matched against the text
// a response or a thread title shows, its references decoded. Byte-level,
// over UTF-16 text; the code page's conversion is handed in.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/nglist.h"

// Folds `text` in place so that texts that differ only in ASCII case or in
// the width of ASCII and katakana compare equal: upper-case ASCII becomes
// lower, full-width ASCII and the ideographic space half-width, half-width
// katakana and punctuation full-width, a half-width voiced or semi-voiced
// mark joined to the kana before it ("ｶﾞ" → "ガ").
void ng_fold(std::u16string& text);

// The folded texts of one kind, bucketed by their first unit so that a
// search looks at only the few that can start at each place.
class NgPatterns {
public:
    void add(std::u16string folded);   // an empty text is ignored
    void finish();                     // after the last add, before any search
    bool found_in(std::u16string_view folded) const;
    bool equals(std::u16string_view folded) const;
    bool empty() const { return texts_.empty(); }
    size_t size() const { return texts_.size(); }

private:
    std::vector<std::u16string> texts_;
    std::array<uint32_t, 257> start_{};   // [b]: first text whose first unit's low byte is b
    std::array<bool, 256> starts_{};      // [b]: some text starts so
};

// Appends a code page 932 text as shown to `out`: converted and its
// references decoded.
using NgWiden = void (*)(std::string_view bytes, std::u16string& out);

struct NgFilter {
    NgPatterns words, names, mails, ids, titles;
    NgWiden widen = nullptr;
    bool transparent = false;   // hidden responses vanish with their numbers
    bool chain = true;          // responses anchoring only hidden ones are hidden too
    uint32_t generation = 0;    // differs for every filter built; 0 is none
};

// A filter of `entries` (IDs lapsed by `today` and `lapseDays` left out).
NgFilter ng_filter_build(const std::vector<NgEntry>& entries, NgWiden widen, int32_t today, int32_t lapseDays);

// Whether the response's own fields match: a word anywhere in the body, a
// name or mail as part of its field, its ID exactly. The texts are folded,
// all but the ID.
bool ng_fields_match(const NgFilter& f, std::u16string_view name, std::u16string_view mail,
                     std::u16string_view id, std::u16string_view body);
// Whether a thread title (as shown, not yet folded) holds a title entry.
bool ng_title_matches(const NgFilter& f, std::u16string_view title);

// The filter open threads are judged by, asked of the program (null: nothing
// is hidden). Set once at start; tests set their own.
using NgFilterSource = const NgFilter* (*)();
void set_ng_filter_source(NgFilterSource source);
const NgFilter* active_ng_filter();

// "あぼーん" in code page 932, what a hidden response shows in its fields.
constexpr char kAboneText[] = "\x82\xa0\x82\xda\x81\x5b\x82\xf1";
