// The program's formatter against the C library's snprintf on what both
// understand: %d %u %x %X %s %c %%, a width, "-" and "0". The format is
// built from the fuzzer's bytes out of those pieces only, so every call is
// well-defined for both; each result is compared byte for byte, with its
// return value, whole and cut to a fuzzer-chosen buffer size.
//
// Where our formatter's rules differ from C's on purpose, the C format is
// written so that it asks for the same thing: our width is ignored by %c and
// left-justifies strings only (a number with "-" is not padded), and our "0"
// pads numbers only.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/format.h"

namespace {

enum class ArgType { Int, Bytes };

// The arguments every call passes, in this order; a conversion is bent to
// the type of the argument at its place.
constexpr ArgType kArgs[] = {ArgType::Int, ArgType::Bytes, ArgType::Int, ArgType::Int,
                             ArgType::Bytes, ArgType::Int, ArgType::Int, ArgType::Bytes};
constexpr size_t kArgCount = sizeof kArgs / sizeof kArgs[0];
constexpr int kMaxWidth = 300;   // keeps the whole result small

struct Formats {
    std::string ours;
    std::string c;
};

// One conversion at argument place `at` (or "%%" past the last argument).
void add_conversion(FuzzedDataProvider& in, size_t at, Formats* f)
{
    if (at >= kArgCount) {
        f->ours += "%%";
        f->c += "%%";
        return;
    }
    const bool isString = kArgs[at] == ArgType::Bytes;
    const char conversion = isString ? 's' : "duxXc"[in.ConsumeIntegralInRange(0, 4)];
    const bool numeric = conversion != 's' && conversion != 'c';
    const bool left = in.ConsumeBool();
    const bool zero = in.ConsumeBool();
    const bool hasWidth = in.ConsumeBool();
    const int width = in.ConsumeIntegralInRange(0, kMaxWidth);

    std::string flags = left ? "-" : "";
    if (zero) flags += "0";
    const std::string widthText = hasWidth ? std::to_string(width) : "";
    f->ours += "%" + flags + widthText + conversion;

    std::string cFlags = left ? "-" : "";
    if (zero && numeric && !left) cFlags += "0";
    const bool cWidth = hasWidth && conversion != 'c' && !(left && numeric);
    f->c += "%" + cFlags + (cWidth ? widthText : "") + conversion;
}

Formats make_formats(FuzzedDataProvider& in)
{
    Formats f;
    size_t next = 0;
    while (in.remaining_bytes() > 0 && f.ours.size() < 512) {
        if (in.ConsumeBool()) {
            // Literal text: any byte but "%" (which starts a conversion) and NUL.
            std::string text = in.ConsumeRandomLengthString(16);
            for (char& ch : text) {
                if (ch == '%' || ch == '\0') ch = '.';
            }
            f.ours += text;
            f.c += text;
        } else {
            add_conversion(in, next++, &f);
        }
    }
    return f;
}

void check(bool ok)
{
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const size_t sizeChoice = in.ConsumeIntegral<uint16_t>();
    int ints[5];
    for (int& v : ints) v = in.ConsumeIntegral<int>();
    std::string bytes1 = in.ConsumeRandomLengthString(64);
    std::string bytes2 = in.ConsumeRandomLengthString(64);
    std::string bytes3 = in.ConsumeRandomLengthString(64);
    const Formats f = make_formats(in);

#define ARGS ints[0], bytes1.c_str(), ints[1], ints[2], bytes2.c_str(), ints[3], ints[4], \
             bytes3.c_str()

    const int whole = std::snprintf(nullptr, 0, f.c.c_str(), ARGS);
    check(whole >= 0);
    std::vector<char> expected(static_cast<size_t>(whole) + 1);
    check(std::snprintf(expected.data(), expected.size(), f.c.c_str(), ARGS) == whole);

    // Unbounded: the whole result, bytes and length.
    std::vector<char> got(static_cast<size_t>(whole) + 1, '\x7f');
    check(libce_sprintf(got.data(), f.ours.c_str(), ARGS) == whole);
    check(std::memcmp(got.data(), expected.data(), got.size()) == 0);

    // Bounded to exactly `bufSize` heap bytes (AddressSanitizer sees any byte
    // past them): the same cut as snprintf makes, and the same return value.
    const size_t bufSize = sizeChoice % (static_cast<size_t>(whole) + 8);
    std::unique_ptr<char[]> ours(bufSize ? new char[bufSize] : nullptr);
    std::unique_ptr<char[]> theirs(bufSize ? new char[bufSize] : nullptr);
    if (bufSize) {
        std::memset(ours.get(), '\x7f', bufSize);
        std::memset(theirs.get(), '\x7f', bufSize);
    }
    check(libce_snprintf(ours.get(), bufSize, f.ours.c_str(), ARGS) == whole);
    check(std::snprintf(theirs.get(), bufSize, f.c.c_str(), ARGS) == whole);
    if (bufSize) check(std::memcmp(ours.get(), theirs.get(), bufSize) == 0);
#undef ARGS
    return 0;
}
