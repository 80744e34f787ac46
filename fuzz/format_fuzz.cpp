// The bounded formatter against the unbounded one: for any format and size,
// the bounded result never passes `size`, is always terminated, returns the
// whole length and holds exactly the prefix of the whole result.
//
// The format is fuzzer-chosen but made safe to call: each conversion that
// takes an argument is bent to the type of the argument we pass at its place,
// and conversions past the last argument become the unknown "q" (no argument).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/format.h"

namespace {

enum class ArgType { Int, Bytes, Wide };

// The order of the arguments every call passes.
constexpr ArgType kArgs[] = {ArgType::Int,  ArgType::Bytes, ArgType::Int,  ArgType::Wide,
                             ArgType::Int,  ArgType::Bytes, ArgType::Wide, ArgType::Int};
constexpr size_t kArgCount = sizeof kArgs / sizeof kArgs[0];
constexpr size_t kMaxWidthDigits = 3;  // keeps the whole result small

ArgType type_of(char conversion)
{
    switch (conversion) {
    case 's': return ArgType::Bytes;
    case 'S': return ArgType::Wide;
    default: return ArgType::Int;
    }
}

bool takes_argument(char conversion)
{
    return conversion && strchr("duxXcsS", conversion) != nullptr;
}

char bend(char conversion, ArgType want)
{
    if (type_of(conversion) == want) return conversion;
    switch (want) {
    case ArgType::Bytes: return 's';
    case ArgType::Wide: return 'S';
    default: return "duxXc"[static_cast<unsigned char>(conversion) % 5];
    }
}

// Walks the format by the formatter's own grammar: "%", a "0" looked at but
// not taken, an optional "-", width digits, an optional "l", the conversion.
std::string make_safe(const std::string& raw)
{
    std::string out;
    size_t next = 0;
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] != '%') {
            out += raw[i++];
            continue;
        }
        out += raw[i++];
        if (i < raw.size() && raw[i] == '-') out += raw[i++];
        size_t digits = 0;
        while (i < raw.size() && raw[i] >= '0' && raw[i] <= '9') {
            if (digits++ < kMaxWidthDigits) out += raw[i];
            ++i;
        }
        if (i < raw.size() && raw[i] == 'l') out += raw[i++];
        if (i >= raw.size()) break;
        char c = raw[i++];
        if (takes_argument(c)) c = next < kArgCount ? bend(c, kArgs[next++]) : 'q';
        out += c;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const size_t sizeChoice = in.ConsumeIntegral<uint16_t>();
    int ints[4];
    for (int& v : ints) v = in.ConsumeIntegral<int>();
    std::string bytes1 = in.ConsumeRandomLengthString(64);
    std::string bytes2 = in.ConsumeRandomLengthString(64);
    std::wstring wide1, wide2;
    for (unsigned char ch : in.ConsumeRandomLengthString(32)) wide1 += static_cast<wchar_t>(ch * 257);
    for (unsigned char ch : in.ConsumeRandomLengthString(32)) wide2 += static_cast<wchar_t>(ch);
    std::string format = make_safe(in.ConsumeRemainingBytesAsString().substr(0, 256));
    // Strings from the data carry no terminator inside; c_str() gives it.
    const char* fmt = format.c_str();

#define ARGS ints[0], bytes1.c_str(), ints[1], wide1.c_str(), ints[2], bytes2.c_str(), \
             wide2.c_str(), ints[3]

    int whole = libce_snprintf(nullptr, 0, fmt, ARGS);
    if (whole < 0) abort();
    std::vector<char> reference(static_cast<size_t>(whole) + 1, '\x7f');
    if (libce_sprintf(reference.data(), fmt, ARGS) != whole) abort();
    if (reference[whole] != '\0') abort();

    // Exactly `bufSize` bytes on the heap: AddressSanitizer sees any byte past them.
    size_t bufSize = sizeChoice % (static_cast<size_t>(whole) + 8);
    std::unique_ptr<char[]> out(bufSize ? new char[bufSize] : nullptr);
    if (bufSize) memset(out.get(), '\x7f', bufSize);
    int n = libce_snprintf(out.get(), bufSize, fmt, ARGS);
    if (n != whole) abort();
    if (bufSize) {
        size_t kept = std::min(bufSize - 1, static_cast<size_t>(whole));
        if (memcmp(out.get(), reference.data(), kept) != 0) abort();
        if (out[kept] != '\0') abort();
    }
#undef ARGS
    return 0;
}
