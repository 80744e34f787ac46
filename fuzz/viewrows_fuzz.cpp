// The response view's rows: for any header fields from a log, the header line
// stays inside its buffer and ends on a whole character; for any UTF-16 text
// and any character widths, wrapping moves on at every row, never splits a
// surrogate pair, never puts more than the width on a row of two or more
// characters, and covers the text exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reader/wrap.h"

namespace {

struct Widths {
    uint8_t seed;
    int calls;
};

// Widths up to 400 pixels, so that some never fit a cache byte.
int fuzz_measure(void* context, const char16_t* text, size_t units)
{
    auto* w = static_cast<Widths*>(context);
    ++w->calls;
    int sum = 0;
    for (size_t i = 0; i < units; ++i) sum += (static_cast<int>(text[i]) * 37 + w->seed) % 401;
    return sum;
}

void check_header(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (char& c : bytes)
        if (c == '\0') c = ' ';
    size_t third = bytes.size() / 3;
    std::string name = bytes.substr(0, third), mail = bytes.substr(third, third), date = bytes.substr(2 * third);
    char out[kHeaderBytes + 8];
    std::memset(out, 0x55, sizeof out);
    const int number = static_cast<int>(size) - 5;
    size_t n = format_header(out, kHeaderBytes, number, name.c_str(), mail.c_str(), date.c_str());
    if (n >= kHeaderBytes || std::strlen(out) != n) abort();
    for (size_t i = kHeaderBytes; i < sizeof out; ++i)
        if (static_cast<unsigned char>(out[i]) != 0x55) abort();
    const std::string whole = std::to_string(number) + " :" + name + " " + mail + " " + date;
    if (whole.size() < kHeaderBytes) {
        if (whole != out) abort();
    } else {
        // Cut: a start of the whole line, one that ends on a character.
        if (whole.compare(0, n, out) != 0) abort();
        if (sjis_whole_prefix(out, n) != n || n + 2 < kHeaderBytes - 1) abort();
    }
}

void check_wrap(const uint8_t* data, size_t size)
{
    if (size < 2) return;
    const int width = static_cast<int>(data[0]) * 3 - 100;
    std::u16string text;
    for (size_t i = 1; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    std::vector<uint8_t> cache(kWidthCacheUnits, 0);
    Widths w{data[1], 0};
    TextMeasurer m{cache.data(), fuzz_measure, &w};
    size_t at = 0;
    int rows = 0;
    do {
        size_t n = fit_row(m, text.data() + at, text.size() - at, width);
        if (text.size() > at && n == 0) abort();
        if (at + n > text.size()) abort();
        // Never the high half of a pair at the end of a row with its low half next.
        if (n > 0 && at + n < text.size()) {
            char16_t last = text[at + n - 1], next = text[at + n];
            if (last >= 0xD800 && last <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) abort();
        }
        if (n > char_units(text.data() + at, text.size() - at)) {
            long long sum = 0;
            for (size_t i = at; i < at + n;) {
                size_t len = char_units(text.data() + i, at + n - i);
                sum += fuzz_measure(&w, text.data() + i, len);
                i += len;
            }
            if (sum > width) abort();
        }
        at += n;
        ++rows;
    } while (at < text.size());
    if (rows != count_rows(m, text.data(), text.size(), width)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check_header(data, size);
    check_wrap(data, size);
    return 0;
}
