#include "reader/ngfilter.h"

#include <algorithm>
#include <atomic>

namespace {

// Full-width forms of U+FF61 to U+FF9F, the half-width katakana block.
constexpr char16_t kHalfKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};
static_assert(sizeof kHalfKana / sizeof kHalfKana[0] == 0xFF9F - 0xFF61 + 1, "half-width katakana block");

constexpr char16_t kHalfVoiced = 0xFF9E;
constexpr char16_t kHalfSemiVoiced = 0xFF9F;

bool is_ka_to_row(char16_t c)   // カ to ト: the voiced form is the next unit
{
    return (c >= 0x30AB && c <= 0x30C2 && (c - 0x30AB) % 2 == 0) || c == 0x30C4 || c == 0x30C6 || c == 0x30C8;
}
bool is_ha_row(char16_t c) { return c >= 0x30CF && c <= 0x30DB && (c - 0x30CF) % 3 == 0; }

// The kana `base` with a voiced (or semi-voiced) mark, or 0 when it takes none.
char16_t joined(char16_t base, bool semi)
{
    if (semi) return is_ha_row(base) ? static_cast<char16_t>(base + 2) : 0;
    if (is_ka_to_row(base) || is_ha_row(base)) return static_cast<char16_t>(base + 1);
    if (base == 0x30A6) return 0x30F4;   // ウ゛
    return 0;
}

char16_t lower_ascii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Most units of a body are kana and kanji below the full-width forms: they
// pass with two comparisons.
char16_t fold_unit(char16_t c)
{
    if (c < 0x80) return lower_ascii(c);
    if (c < 0xFF01) return c == 0x3000 ? u' ' : c;
    if (c <= 0xFF5E) return lower_ascii(static_cast<char16_t>(c - 0xFF01 + 0x21));
    if (c >= 0xFF61 && c <= 0xFF9F) return kHalfKana[c - 0xFF61];
    return c;
}

std::atomic<NgFilterSource> g_source{nullptr};
std::atomic<uint32_t> g_generations{0};

std::u16string folded(std::u16string text)
{
    ng_fold(text);
    return text;
}

std::u16string widened(NgWiden widen, std::string_view bytes)
{
    std::u16string text;
    widen(bytes, text);
    return text;
}

}  // namespace

void ng_fold(std::u16string& text)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if ((c == kHalfVoiced || c == kHalfSemiVoiced) && out > 0) {
            if (char16_t j = joined(text[out - 1], c == kHalfSemiVoiced)) {
                text[out - 1] = j;
                continue;
            }
        }
        text[out++] = fold_unit(c);
    }
    text.resize(out);
}

void NgPatterns::add(std::u16string folded)
{
    if (!folded.empty()) texts_.push_back(std::move(folded));
}

void NgPatterns::finish()
{
    auto bucket = [](const std::u16string& t) { return t[0] & 0xFF; };
    std::stable_sort(texts_.begin(), texts_.end(),
                     [&](const std::u16string& a, const std::u16string& b) { return bucket(a) < bucket(b); });
    start_.fill(0);
    for (const std::u16string& t : texts_) ++start_[bucket(t) + 1];
    for (size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
    for (size_t b = 0; b < starts_.size(); ++b) starts_[b] = start_[b] != start_[b + 1];
}

bool NgPatterns::found_in(std::u16string_view text) const
{
    if (texts_.empty()) return false;
    const char16_t* units = text.data();
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned b = units[i] & 0xFF;
        if (!starts_[b]) continue;
        for (uint32_t k = start_[b]; k < start_[b + 1]; ++k) {
            const std::u16string& t = texts_[k];
            if (t[0] == units[i] && t.size() <= n - i &&
                std::char_traits<char16_t>::compare(units + i, t.data(), t.size()) == 0)
                return true;
        }
    }
    return false;
}

bool NgPatterns::equals(std::u16string_view text) const
{
    if (text.empty() || texts_.empty()) return false;
    const unsigned b = text[0] & 0xFF;
    for (uint32_t k = start_[b]; k < start_[b + 1]; ++k)
        if (texts_[k] == text) return true;
    return false;
}

NgFilter ng_filter_build(const std::vector<NgEntry>& entries, NgWiden widen, int32_t today, int32_t lapseDays)
{
    NgFilter f;
    f.widen = widen;
    f.generation = ++g_generations;
    if (f.generation == 0) f.generation = ++g_generations;
    for (const NgEntry& e : entries) {
        if (!widen || ng_entry_lapsed(e, today, lapseDays)) continue;
        // An ID is matched exactly: IDs differing in case are other posters.
        std::u16string text = widened(widen, e.text);
        if (e.kind != NgKind::Id) ng_fold(text);
        switch (e.kind) {
        case NgKind::Word: f.words.add(std::move(text)); break;
        case NgKind::Name: f.names.add(std::move(text)); break;
        case NgKind::Mail: f.mails.add(std::move(text)); break;
        case NgKind::Id: f.ids.add(std::move(text)); break;
        case NgKind::Title: f.titles.add(std::move(text)); break;
        }
    }
    for (NgPatterns* p : {&f.words, &f.names, &f.mails, &f.ids, &f.titles}) p->finish();
    return f;
}

bool ng_fields_match(const NgFilter& f, std::u16string_view name, std::u16string_view mail,
                     std::u16string_view id, std::u16string_view body)
{
    return f.ids.equals(id) || f.names.found_in(name) || f.mails.found_in(mail) || f.words.found_in(body);
}

bool ng_title_matches(const NgFilter& f, std::u16string_view title)
{
    if (f.titles.empty()) return false;
    return f.titles.found_in(folded(std::u16string(title)));
}

void set_ng_filter_source(NgFilterSource source) { g_source.store(source); }

const NgFilter* active_ng_filter()
{
    NgFilterSource source = g_source.load();
    return source ? source() : nullptr;
}
