// The lines of "ng.txt" and the matching built on them: every line is read
// or counted as malformed, what is read is valid and is written back and read
// again as itself; the entries, read as UTF-16 text, fold and match without
// reading outside what they are given.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzzcheck.h"
#include "reader/ngfilter.h"
#include "store/nglist.h"

namespace {

void append_units(std::string_view bytes, std::u16string& out)
{
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) << 8 | static_cast<unsigned char>(bytes[i + 1]));
}

std::u16string units_of(std::string_view bytes)
{
    std::u16string text;
    append_units(bytes, text);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1u << 16) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    NgFileRead read = parse_ng_file(bytes);
    for (const NgEntry& e : read.entries) {
        check(ng_entry_valid(e));
        NgEntry again;
        check(parse_ng_line(format_ng_line(e), &again));
        check(again.kind == e.kind && again.text == e.text && again.day == e.day);
    }
    for (const std::string& line : read.unread) {
        NgEntry refused;
        check(!line.empty() && !parse_ng_line(line, &refused));
    }
    const NgFileRead rewritten = parse_ng_file(ng_file_bytes(read.entries));
    check(rewritten.unread.empty() && rewritten.entries.size() == read.entries.size());

    // The entries as UTF-16 units: folding never grows a text, and a folded
    // entry is found in the folded text that holds it.
    const NgFilter filter = ng_filter_build(read.entries, append_units, 20261209, 2);
    std::u16string text = units_of(bytes);
    const size_t before = text.size();
    ng_fold(text);
    check(text.size() <= before);
    for (const NgEntry& e : read.entries) {
        std::u16string entry = units_of(e.text);
        ng_fold(entry);
        if (!entry.empty() && e.kind == NgKind::Word) {
            std::u16string holder = u"<" + entry + u">";
            check(filter.words.found_in(holder));
        }
    }
    ng_title_matches(filter, text);
    return 0;
}
