#include "reader/ngfilter_win.h"

#include <cstring>
#include <vector>

#include "base/codepage.h"
#include "base/ticks.h"
#include "reader/entities.h"
#include "store/ngfile.h"
#include "store/settings.h"

namespace {

// What the filter was built from; a change in any of them builds it again.
struct FilterKey {
    uint32_t lists = 0;
    int32_t today = 0;
    int32_t lapseDays = 0;
    bool transparent = false;
    bool chain = false;
    bool operator==(const FilterKey& o) const
    {
        return lists == o.lists && today == o.today && lapseDays == o.lapseDays && transparent == o.transparent &&
               chain == o.chain;
    }
};

}  // namespace

namespace {

// The code page's characters in a table of our own, asked of the platform
// once: converting every response of a thread through the platform's call
// costs more than the rest of its judging together.
struct CodePageTable {
    char16_t single[256];
    int16_t leadRow[256];          // -1: not a lead byte
    std::vector<char16_t> pairs;   // [row * 256 + trail]; 0: no such pair
};

char16_t platform_unit(const char* bytes, int n)
{
    wchar_t unit[2] = {};
    return MultiByteToWideChar(kCodePage, 0, bytes, n, unit, 2) == 1 ? static_cast<char16_t>(unit[0]) : 0;
}

CodePageTable make_table()
{
    CodePageTable t{};
    int16_t rows = 0;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        t.leadRow[b] = IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(b)) ? rows++ : -1;
        t.single[b] = t.leadRow[b] < 0 ? platform_unit(&byte, 1) : 0;
    }
    t.pairs.assign(static_cast<size_t>(rows) * 256, 0);
    for (int lead = 0; lead < 256; ++lead) {
        if (t.leadRow[lead] < 0) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            t.pairs[static_cast<size_t>(t.leadRow[lead]) * 256 + trail] = platform_unit(pair, 2);
        }
    }
    return t;
}

const CodePageTable& code_page_table()
{
    static const CodePageTable table = make_table();
    return table;
}

// A byte the code page cannot read as a character of its own.
constexpr char16_t kUnreadable = 0x30FB;

}  // namespace

void ng_shown_text(std::string_view bytes, std::u16string& out)
{
    const size_t start = out.size();
    const CodePageTable& t = code_page_table();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    // A byte never becomes more than one unit, nor a reference more units
    // than its bytes.
    out.resize(start + n);
    char16_t* to = &out[start];
    // References are decoded as they are met: "&" and ";" are never the
    // second byte of a pair, so a reference's bytes are the units DecodeEntities
    // would read.
    bool semicolonsLeft = true;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == '&' && semicolonsLeft) {
            const void* semi = std::memchr(p + i + 1, ';', n - i - 1);
            semicolonsLeft = semi != nullptr;
            const size_t end = semi ? static_cast<const unsigned char*>(semi) - p : 0;
            if (const uint32_t code = semi ? entity_code(bytes.substr(i + 1, end - i - 1)) : 0) {
                if (code < 0x10000) {
                    *to++ = static_cast<char16_t>(code);
                } else {
                    *to++ = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                    *to++ = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
                }
                i = end;
                continue;
            }
        }
        const int16_t row = t.leadRow[p[i]];
        char16_t unit = row < 0 ? t.single[p[i]] : 0;
        if (row >= 0 && i + 1 < n && (unit = t.pairs[static_cast<size_t>(row) * 256 + p[i + 1]]) != 0)
            ++i;   // a lead byte without its pair is read alone
        *to++ = unit ? unit : kUnreadable;
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

const NgFilter* program_ng_filter()
{
    static NgFilter filter;
    static FilterKey built;
    const FilterKey now{ProcessNgLists.generation, platform_today(), Settings.NgLapseDays,
                        Settings.NgTransparent != 0, Settings.NgChain != 0};
    if (filter.generation == 0 || !(now == built)) {
        filter = ng_filter_build(ProcessNgLists.entries, ng_shown_text, now.today, now.lapseDays);
        filter.transparent = now.transparent;
        filter.chain = now.chain;
        built = now;
    }
    return &filter;
}

void ng_start()
{
    ng_lists_load();
    set_ng_filter_source(program_ng_filter);
}
