#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store/format.h"

namespace {

// Formats into a buffer far larger than any result and checks the returned
// length against the bytes before the terminator.
template <typename... Args>
std::string fmt(const char* format, Args... args)
{
    char out[512];
    memset(out, 'Z', sizeof out);
    int n = libce_sprintf(out, format, args...);
    EXPECT_EQ(static_cast<size_t>(n), strlen(out)) << format;
    return std::string(out, strlen(out));
}

// Runs the bounded formatter into a guarded buffer of exactly `size` bytes and
// fails if it wrote past them.
template <typename... Args>
std::string bounded(size_t size, int* result, const char* format, Args... args)
{
    char area[600];
    memset(area, 'G', sizeof area);
    char* out = area + 8;
    *result = libce_snprintf(out, size, format, args...);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(area[i], 'G') << "guard before the buffer";
    for (size_t i = size; i < size + 8; ++i) EXPECT_EQ(out[i], 'G') << "wrote past size " << size;
    if (size == 0) return std::string("<untouched>");
    return std::string(out, strnlen(out, size));
}

}  // namespace

TEST(LibceFormat, ExamplesOfTheFormatter)
{
    EXPECT_EQ(fmt("%05d", 42), "00042");
    EXPECT_EQ(fmt("%5s", "ab"), "   ab");
    EXPECT_EQ(fmt("%-5s|", "ab"), "ab   |");
    EXPECT_EQ(fmt("%02x", 5), "05");
    EXPECT_EQ(fmt("%010lu", 1234u), "0000001234");
    EXPECT_EQ(fmt("%%%02x", 32), "%20");
}

TEST(LibceFormat, PlainBytesAreCopied)
{
    EXPECT_EQ(fmt("GET /test/read.cgi HTTP/1.0\r\n"), "GET /test/read.cgi HTTP/1.0\r\n");
    EXPECT_EQ(fmt(""), "");
    // Shift-JIS bytes pass unchanged ("日本" in code page 932).
    EXPECT_EQ(fmt("\x93\xfa\x96\x7b"), "\x93\xfa\x96\x7b");
}

TEST(LibceFormat, DecimalConversions)
{
    EXPECT_EQ(fmt("%d", 0), "0");
    EXPECT_EQ(fmt("%d", 2147483647), "2147483647");
    EXPECT_EQ(fmt("%u", 4294967295u), "4294967295");
    EXPECT_EQ(fmt("%ld", 77), "77");
    EXPECT_EQ(fmt("%5d|", 42), "   42|");
    EXPECT_EQ(fmt("%1d", 12345), "12345");  // a width below the digits cuts nothing
    EXPECT_EQ(fmt("%-5d|", 42), "42|");    // a negative width pads nothing
    EXPECT_EQ(fmt("%-05u|", 7u), "7|");
}

TEST(LibceFormat, NegativeNumbersKeepTheirSignInFront)
{
    EXPECT_EQ(fmt("%d", -1), "-1");
    EXPECT_EQ(fmt("%d", -2147483647 - 1), "-2147483648");
    EXPECT_EQ(fmt("%05d", -42), "-0042");
    EXPECT_EQ(fmt("%5d", -42), "  -42");
    EXPECT_EQ(fmt("%2d", -42), "-42");
}

TEST(LibceFormat, HexadecimalConversions)
{
    EXPECT_EQ(fmt("%x", 0xdeadbeefu), "deadbeef");
    EXPECT_EQ(fmt("%X", 0xdeadbeefu), "DEADBEEF");
    EXPECT_EQ(fmt("%08x", 0x1au), "0000001a");
    EXPECT_EQ(fmt("%04X", 0xabu), "00AB");
    EXPECT_EQ(fmt("%4x|", 0xfu), "   f|");
    EXPECT_EQ(fmt("0x%08x.", 0u), "0x00000000.");
}

TEST(LibceFormat, StringsArePaddedWithBlanksOnly)
{
    EXPECT_EQ(fmt("%s", "abc"), "abc");
    EXPECT_EQ(fmt("%05s", "ab"), "   ab");  // the "0" pad never applies to strings
    EXPECT_EQ(fmt("%-6s|", "abc"), "abc   |");
    EXPECT_EQ(fmt("%2s", "abcdef"), "abcdef");
    EXPECT_EQ(fmt("%-2s|", "abcdef"), "abcdef|");
    EXPECT_EQ(fmt("[%s]", ""), "[]");
    EXPECT_EQ(fmt("%s", static_cast<const char*>(nullptr)), "(null)");
}

TEST(LibceFormat, WideStringsWriteTheLowByteOfEachUnit)
{
    EXPECT_EQ(fmt("abuf='%S'.", L"C:\\logs\\subject.txt"), "abuf='C:\\logs\\subject.txt'.");
    EXPECT_EQ(fmt("%6S|", L"ab"), "    ab|");
    EXPECT_EQ(fmt("%-6S|", L"ab"), "ab    |");
    const wchar_t high[] = {0x3042, 0x0141, 0};  // units above 0xFF: only the low byte
    EXPECT_EQ(fmt("%S", high), "\x42\x41");
    EXPECT_EQ(fmt("%S", static_cast<const wchar_t*>(nullptr)), "(null)");
}

TEST(LibceFormat, CharacterAndPercent)
{
    EXPECT_EQ(fmt("%c%c%c", 'a', 'b', 'c'), "abc");
    EXPECT_EQ(fmt("%5c|", 'x'), "x|");  // width ignored
    EXPECT_EQ(fmt("%c", 0x141), "A");   // low byte
    EXPECT_EQ(fmt("100%%"), "100%");
    EXPECT_EQ(fmt("%5%|"), "%|");
}

TEST(LibceFormat, UnknownConversionWritesNothingAndTakesNoArgument)
{
    // The argument meant for %q must go to the %d after it.
    EXPECT_EQ(fmt("a%qb%d", 7), "ab7");
    EXPECT_EQ(fmt("%5q|%s", "x"), "|x");
    EXPECT_EQ(fmt("%hd|%d", 3), "d|3");  // no "h" size: "h" is the unknown conversion
    EXPECT_EQ(fmt("%.2d|%d", 4), "2d|4");
}

TEST(LibceFormat, FormatEndingInsideAConversionStops)
{
    EXPECT_EQ(fmt("abc%"), "abc");
    EXPECT_EQ(fmt("abc%05"), "abc");
    EXPECT_EQ(fmt("abc%-l"), "abc");
}

TEST(LibceFormat, RealShapedLines)
{
    EXPECT_EQ(fmt("[%010lu]%s: ", 123456u, "fopen_r"), "[0000123456]fopen_r: ");
    EXPECT_EQ(fmt("%s%s\\%s.dat", "C:\\Log\\", "news", "1234567890"),
              "C:\\Log\\news\\1234567890.dat");
    EXPECT_EQ(fmt("Range: bytes=%d-\r\n", 10239), "Range: bytes=10239-\r\n");
    EXPECT_EQ(fmt("%s<>%d<>%d\n", "1234.dat", 5, 12), "1234.dat<>5<>12\n");
}

TEST(LibceFormat, VariadicListFormOfTheSameRules)
{
    struct Helper {
        static int call(char* out, const char* format, ...)
        {
            va_list args;
            va_start(args, format);
            int n = libce_vsprintf(out, format, args);
            va_end(args);
            return n;
        }
    };
    char out[64];
    EXPECT_EQ(Helper::call(out, "%s=%03d", "level", 7), 9);
    EXPECT_STREQ(out, "level=007");
}

TEST(LibceFormatBounded, ZeroSizeWritesNothingAndReturnsTheFullLength)
{
    int n = -1;
    bounded(0, &n, "%05d", 42);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(libce_snprintf(nullptr, 0, "%s", "abcdef"), 6);
}

TEST(LibceFormatBounded, SizeOneHoldsOnlyTheTerminator)
{
    int n = -1;
    EXPECT_EQ(bounded(1, &n, "%s", "abcdef"), "");
    EXPECT_EQ(n, 6);
}

TEST(LibceFormatBounded, CutsAtEveryExactSize)
{
    const std::string whole = "name=00042|   ab|%";
    for (size_t size = 1; size <= whole.size() + 3; ++size) {
        int n = -1;
        std::string got = bounded(size, &n, "%s=%05d|%5s|%%", "name", 42, "ab");
        EXPECT_EQ(n, static_cast<int>(whole.size())) << "size " << size;
        EXPECT_EQ(got, whole.substr(0, size - 1)) << "size " << size;
    }
}

TEST(LibceFormatBounded, ExactFitAndOneShort)
{
    int n = -1;
    EXPECT_EQ(bounded(6, &n, "%s", "abcde"), "abcde");
    EXPECT_EQ(n, 5);
    EXPECT_EQ(bounded(5, &n, "%s", "abcde"), "abcd");
    EXPECT_EQ(n, 5);
}

TEST(LibceFormatBounded, HugeWidthIsCutNotOverrun)
{
    int n = -1;
    EXPECT_EQ(bounded(8, &n, "%100000d", 1), "       ");
    EXPECT_EQ(n, 100000);
    EXPECT_EQ(bounded(8, &n, "%-100000s|", "ab"), "ab     ");
    EXPECT_EQ(n, 100001);
    EXPECT_EQ(bounded(4, &n, "%099999999999999999999d", 1), "000");
}

TEST(LibceFormatBounded, PaddingAndSignCutAlike)
{
    int n = -1;
    EXPECT_EQ(bounded(3, &n, "%05d", -42), "-0");
    EXPECT_EQ(n, 5);
    EXPECT_EQ(bounded(4, &n, "%6S", L"ab"), "   ");
    EXPECT_EQ(n, 6);
}
