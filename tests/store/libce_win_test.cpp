#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/codepage.h"
#include "store/libce.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

std::string u8(const char* s) { return s; }

class LibceTest : public testing::Test {
protected:
    std::string path(const std::string& name) const { return dir_.file(name); }

    // Writes `bytes` through the library with one call of fputs.
    void put_text(const std::string& name, const std::string& text, const char* mode = "w")
    {
        LibceFile* f = libce_fopen(path(name).c_str(), mode);
        ASSERT_NE(f, nullptr);
        libce_fputs(text.c_str(), f);
        EXPECT_EQ(libce_fclose(f), 0);
    }

    // Every line fgets returns with `size` until the end of the file.
    std::vector<std::string> lines(const std::string& name, int size = 8192)
    {
        std::vector<std::string> out;
        LibceFile* f = libce_fopen(path(name).c_str(), "r");
        EXPECT_NE(f, nullptr);
        if (!f) return out;
        std::vector<char> buf(size);
        while (libce_fgets(buf.data(), size, f)) out.emplace_back(buf.data());
        libce_fclose(f);
        return out;
    }

    TempDir dir_;
};

using LibceText = LibceTest;
using LibceRead = LibceTest;
using LibceOpen = LibceTest;
using LibceBuffer = LibceTest;
using LibceThreads = LibceTest;
using LibceWide = LibceTest;
using LibceReplace = LibceTest;

}  // namespace

// ---- text output -----------------------------------------------------------

TEST_F(LibceText, LoneLineFeedIsWrittenAsCrLf)
{
    LibceFile* f = libce_fopen(path("t.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_fputs("a\nb", f), 4);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("t.txt")), "a\r\nb");
}

TEST_F(LibceText, CrLfIsWrittenUnchanged)
{
    LibceFile* f = libce_fopen(path("t.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_fputs("a\r\nb", f), 4);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("t.txt")), "a\r\nb");
}

TEST_F(LibceText, CrAtTheEndOfOneCallDoesNotCoverLfOfTheNext)
{
    LibceFile* f = libce_fopen(path("t.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_fputs("a\r", f), 2);
    EXPECT_EQ(libce_fputs("\nb", f), 3);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("t.txt")), "a\r\r\nb");
}

TEST_F(LibceText, BinaryModeTranslatesAlike)
{
    put_text("t.txt", "x\n\ny\n", "wb");
    EXPECT_EQ(read_file_bytes(path("t.txt")), "x\r\n\r\ny\r\n");
}

TEST_F(LibceText, BlockWriteIsUntranslated)
{
    LibceFile* f = libce_fopen(path("t.bin").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const char data[] = {'a', '\n', 'b', '\0', '\r', '\xff'};
    EXPECT_EQ(libce_fwrite(data, 2, 3, f), 6u);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("t.bin")), std::string(data, 6));
}

TEST_F(LibceText, ShiftJisBytesPassThrough)
{
    std::string text = utf8_to_sjis(u8(u8"ソフトウェア板\n"));  // trail bytes include 0x5C-like values
    put_text("t.txt", text);
    std::string expected = text.substr(0, text.size() - 1) + "\r\n";
    EXPECT_EQ(read_file_bytes(path("t.txt")), expected);
}

// ---- line reading ----------------------------------------------------------

TEST_F(LibceRead, CrLfReadsAsLf)
{
    write_file_bytes(path("r.txt"), "x\r\ny");
    EXPECT_EQ(lines("r.txt"), (std::vector<std::string>{"x\n", "y"}));
}

TEST_F(LibceRead, CarriageReturnIsDroppedWhereverItStands)
{
    write_file_bytes(path("r.txt"), "a\rb\n\rc\r\r\n");
    EXPECT_EQ(lines("r.txt"), (std::vector<std::string>{"ab\n", "c\n"}));
}

TEST_F(LibceRead, LongLineComesInPiecesOfSizeMinusOne)
{
    write_file_bytes(path("r.txt"), "abcdefghijklmnopqrst\r\nnext\r\n");  // a 20-byte line
    EXPECT_EQ(lines("r.txt", 10),
              (std::vector<std::string>{"abcdefghi", "jklmnopqr", "st\n", "next\n"}));
}

TEST_F(LibceRead, CarriageReturnsCountAgainstTheSize)
{
    write_file_bytes(path("r.txt"), "ab\r\rcd\n");
    EXPECT_EQ(lines("r.txt", 4), (std::vector<std::string>{"ab", "cd", "\n"}));
}

TEST_F(LibceRead, SizeOneGivesEmptyStringAndSizeZeroNull)
{
    write_file_bytes(path("r.txt"), "abc\n");
    LibceFile* f = libce_fopen(path("r.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[8] = "zzzzzzz";
    EXPECT_EQ(libce_fgets(buf, 0, f), nullptr);
    EXPECT_EQ(libce_fgets(buf, 1, f), buf);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(libce_fgets(buf, 8, f), buf);
    EXPECT_STREQ(buf, "abc\n");  // nothing was consumed by the calls before
    libce_fclose(f);
}

TEST_F(LibceRead, BulkReadGivesTheBytesAsTheyStandAfterWhatFgetsTook)
{
    // More than two buffers, CR kept, NUL bytes kept, no line end at the end.
    std::string bytes = "first\r\n";
    for (int i = 0; bytes.size() < 3 * kLibceBufferSize; ++i) bytes += std::string("line\r\n\0x", 9) + std::to_string(i);
    write_file_bytes(path("r.txt"), bytes);
    UniqueLibceFile f(libce_fopen(path("r.txt").c_str(), "r"));
    ASSERT_TRUE(f);
    char line[16];
    ASSERT_NE(libce_fgets(line, sizeof line, f.get()), nullptr);
    EXPECT_STREQ(line, "first\n");
    // A small read from the buffer, then one larger than a buffer, then the rest.
    std::string got(bytes.size(), '\0');
    size_t at = libce_fread(&got[0], 10, f.get());
    EXPECT_EQ(at, 10u);
    at += libce_fread(&got[at], kLibceBufferSize + 100, f.get());
    at += libce_fread(&got[at], got.size() - at, f.get());
    got.resize(at);
    EXPECT_EQ(got, bytes.substr(7));
    char more[4];
    EXPECT_EQ(libce_fread(more, sizeof more, f.get()), 0u);
}

TEST_F(LibceRead, EmptyFileIsEndOfFileAtOnce)
{
    write_file_bytes(path("r.txt"), "");
    EXPECT_TRUE(lines("r.txt").empty());
}

TEST_F(LibceRead, CrAsLastByteOfBufferAndLfAsFirstOfNext)
{
    // The CR is byte 4096 of the file, the LF byte 4097.
    std::string first(4095, 'a');
    write_file_bytes(path("r.txt"), first + "\r\n" + "tail\r\n");
    EXPECT_EQ(lines("r.txt"), (std::vector<std::string>{first + "\n", "tail\n"}));
}

TEST_F(LibceRead, LfAsLastByteOfBuffer)
{
    std::string first(4095, 'b');
    write_file_bytes(path("r.txt"), first + "\n" + "\r\nc");
    EXPECT_EQ(lines("r.txt"), (std::vector<std::string>{first + "\n", "\n", "c"}));
}

TEST_F(LibceRead, LinesStraddlingBufferBoundaries)
{
    std::string content;
    std::vector<std::string> expected;
    for (int i = 0; content.size() < 3 * 4096 + 100; ++i) {
        std::string line(37 + (i * 53) % 700, static_cast<char>('a' + i % 26));
        content += line + "\r\n";
        expected.push_back(line + "\n");
    }
    write_file_bytes(path("r.txt"), content);
    EXPECT_EQ(lines("r.txt"), expected);
}

TEST_F(LibceRead, PiecesAcrossTheBufferBoundary)
{
    std::string line(5000, 'q');
    write_file_bytes(path("r.txt"), line + "\r\n");
    std::vector<std::string> got = lines("r.txt", 1001);
    ASSERT_EQ(got.size(), 6u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], std::string(1000, 'q'));
    EXPECT_EQ(got[5], "\n");
}

TEST_F(LibceRead, EndOfFileSticksUntilSeekToStart)
{
    write_file_bytes(path("r.txt"), "one\r\ntwo\r\n");
    LibceFile* f = libce_fopen(path("r.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[32];
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_TRUE(f->flags & LIBCE_EOF);
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_EQ(libce_fseek(f, 0, 0), 0);
    EXPECT_FALSE(f->flags & LIBCE_EOF);
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_STREQ(buf, "one\n");
    libce_fclose(f);
}

TEST_F(LibceRead, EndOfFileSticksEvenWhenBytesFollow)
{
    LibceFile* f = libce_fopen(path("r.txt").c_str(), "w+");
    ASSERT_NE(f, nullptr);
    char buf[32];
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
    libce_fputs("new\n", f);
    ASSERT_EQ(libce_fflush(f), 0);
    // Back to the start behind the library's back: the end, once seen, stays.
    SetFilePointer(f->handle, 0, nullptr, FILE_BEGIN);
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_EQ(libce_fseek(f, 0, 0), 0);
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_STREQ(buf, "new\n");
    libce_fclose(f);
}

// ---- opening and closing ---------------------------------------------------

TEST_F(LibceOpen, MissingFileWithReadModeIsNull)
{
    EXPECT_EQ(libce_fopen(path("missing.txt").c_str(), "r"), nullptr);
    EXPECT_EQ(libce_fopen(path("missing.txt").c_str(), "r+"), nullptr);
    EXPECT_FALSE(file_exists(path("missing.txt")));
}

TEST_F(LibceOpen, AppendPlusCreatesAMissingFileAtPositionZero)
{
    LibceFile* f = libce_fopen(path("new.txt").c_str(), "a+");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->flags, LIBCE_READ | LIBCE_WRITE);
    EXPECT_TRUE(file_exists(path("new.txt")));
    EXPECT_EQ(SetFilePointer(f->handle, 0, nullptr, FILE_CURRENT), 0u);
    libce_fputs("first\n", f);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("new.txt")), "first\r\n");
}

TEST_F(LibceOpen, AppendWritesAfterTheExistingBytes)
{
    write_file_bytes(path("l.txt"), "old\r\n");
    put_text("l.txt", "new\n", "a+");
    put_text("l.txt", "more\n", "a");
    EXPECT_EQ(read_file_bytes(path("l.txt")), "old\r\nnew\r\nmore\r\n");
}

TEST_F(LibceOpen, WriteModeEmptiesEvenWithNothingWritten)
{
    write_file_bytes(path("e.txt"), "content that must go\r\n");
    LibceFile* f = libce_fopen(path("e.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_fclose(f), 0);
    EXPECT_TRUE(file_exists(path("e.txt")));
    EXPECT_EQ(read_file_bytes(path("e.txt")), "");
}

TEST_F(LibceOpen, FlagsFollowTheFirstTwoCharactersOnly)
{
    write_file_bytes(path("m.txt"), "line\r\n");
    struct Case {
        const char* mode;
        uint32_t flags;
    } cases[] = {
        {"r", LIBCE_READ},
        {"r+", LIBCE_READ | LIBCE_WRITE},
        {"rb", LIBCE_READ | LIBCE_BINARY},
        {"w", LIBCE_WRITE},
        {"w+", LIBCE_READ | LIBCE_WRITE},
        {"wb", LIBCE_WRITE | LIBCE_BINARY},
        {"wb+", LIBCE_WRITE | LIBCE_BINARY},  // the "+" is the third character
        {"a", LIBCE_WRITE},
        {"a+", LIBCE_READ | LIBCE_WRITE},
        {"a+b", LIBCE_READ | LIBCE_WRITE},
    };
    for (const Case& c : cases) {
        LibceFile* f = libce_fopen(path("m.txt").c_str(), c.mode);
        ASSERT_NE(f, nullptr) << c.mode;
        EXPECT_EQ(f->flags, c.flags) << c.mode;
        EXPECT_EQ(f->token, 1) << c.mode;
        EXPECT_EQ(f->bufferSize, kLibceBufferSize);
        EXPECT_NE(f->buffer, nullptr);
        EXPECT_EQ(f->pos, f->buffer);
        EXPECT_EQ(f->readEnd, f->buffer);
        EXPECT_EQ(f->writeEnd, f->buffer);
        libce_fclose(f);
        write_file_bytes(path("m.txt"), "line\r\n");
    }
}

TEST_F(LibceOpen, WriteOnlyHandleReadsNothing)
{
    write_file_bytes(path("m.txt"), "line\r\n");
    LibceFile* f = libce_fopen(path("m.txt").c_str(), "wb+");
    ASSERT_NE(f, nullptr);
    libce_fputs("x\n", f);
    libce_fseek(f, 0, 0);
    char buf[16];
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("m.txt")), "x\r\n");
}

TEST_F(LibceOpen, UnknownModeIsNullAndTakesNoSlot)
{
    write_file_bytes(path("m.txt"), "x");
    for (const char* mode : {"x", "", "+r", "R", "b"})
        EXPECT_EQ(libce_fopen(path("m.txt").c_str(), mode), nullptr) << mode;
    EXPECT_EQ(libce_fopen(path("m.txt").c_str(), nullptr), nullptr);
    EXPECT_EQ(libce_fopen(nullptr, "r"), nullptr);
    // Thirteen slots are still free.
    std::vector<LibceFile*> open;
    for (int i = 0; i < 13; ++i) {
        open.push_back(libce_fopen(path("s" + std::to_string(i)).c_str(), "w"));
        EXPECT_NE(open.back(), nullptr) << i;
    }
    for (LibceFile* f : open) libce_fclose(f);
}

TEST_F(LibceOpen, FourteenthSimultaneousOpenIsNullUntilOneCloses)
{
    std::vector<LibceFile*> open;
    for (int i = 0; i < 13; ++i) {
        LibceFile* f = libce_fopen(path("f" + std::to_string(i) + ".txt").c_str(), "w");
        ASSERT_NE(f, nullptr) << "file " << i;
        open.push_back(f);
    }
    std::set<LibceFile*> distinct(open.begin(), open.end());
    EXPECT_EQ(distinct.size(), 13u);
    EXPECT_EQ(libce_fopen(path("f13.txt").c_str(), "w"), nullptr);
    EXPECT_FALSE(file_exists(path("f13.txt")));

    LibceFile* freed = open[6];
    EXPECT_EQ(libce_fclose(freed), 0);
    LibceFile* again = libce_fopen(path("f13.txt").c_str(), "w");
    EXPECT_EQ(again, freed);
    EXPECT_EQ(libce_fopen(path("f14.txt").c_str(), "w"), nullptr);
    open[6] = again;
    for (LibceFile* f : open) libce_fclose(f);
}

TEST_F(LibceOpen, ClosingTwiceOrNullOnlyTraces)
{
    LibceFile* f = libce_fopen(path("c.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    libce_fputs("data\n", f);
    EXPECT_EQ(libce_fclose(f), 0);
    EXPECT_EQ(f->token, 0);
    EXPECT_EQ(f->buffer, nullptr);
    EXPECT_EQ(libce_fclose(f), 0);
    EXPECT_EQ(libce_fclose(nullptr), 0);
    EXPECT_EQ(read_file_bytes(path("c.txt")), "data\r\n");
    // A closed handle refuses everything.
    EXPECT_EQ(libce_putc('x', f), -1);
    char buf[8];
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
}

TEST_F(LibceOpen, ReadHandleRefusesPutcAndFileStaysUnchanged)
{
    write_file_bytes(path("ro.txt"), "keep\r\n");
    LibceFile* f = libce_fopen(path("ro.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_putc('x', f), -1);
    EXPECT_EQ(libce_fputs("more\n", f), 0);
    EXPECT_EQ(libce_fwrite("abc", 1, 3, f), 0u);
    EXPECT_EQ(libce_fclose(f), 0);
    EXPECT_EQ(read_file_bytes(path("ro.txt")), "keep\r\n");
}

TEST_F(LibceOpen, SlashesBecomeBackslashes)
{
    std::filesystem::create_directories(path("sub"));
    std::string forward = path("sub");
    std::replace(forward.begin(), forward.end(), '\\', '/');
    put_text("sub\\x.txt", "");
    LibceFile* f = libce_fopen((forward + "/y.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    libce_fputs("y\n", f);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("sub\\y.txt")), "y\r\n");
}

TEST_F(LibceOpen, ShiftJisPathNamesTheRightFile)
{
    std::string name = utf8_to_sjis(u8(u8"お気に入り.txt"));
    put_text(name, "fav\n");
    std::filesystem::path wide = std::filesystem::path(sjis_to_wide(dir_.path())) / L"お気に入り.txt";
    EXPECT_TRUE(std::filesystem::exists(wide));
    EXPECT_EQ(lines(name), (std::vector<std::string>{"fav\n"}));
}

TEST_F(LibceOpen, PathsOver255BytesAreRefused)
{
    std::string base = dir_.path();
    ASSERT_LT(base.size(), 200u);
    std::string at255 = base + std::string(255 - base.size() - 4, 'n') + ".txt";
    ASSERT_EQ(at255.size(), 255u);
    LibceFile* f = libce_fopen(at255.c_str(), "w");
    ASSERT_NE(f, nullptr);
    libce_fclose(f);
    std::string at256 = base + std::string(256 - base.size() - 4, 'n') + ".txt";
    EXPECT_EQ(libce_fopen(at256.c_str(), "w"), nullptr);
    EXPECT_EQ(libce_fopen((at256 + std::string(4000, 'x')).c_str(), "w"), nullptr);
    EXPECT_FALSE(file_exists(at256));
}

TEST_F(LibceOpen, OpenersShareReadingOnly)
{
    write_file_bytes(path("s.txt"), "x\r\n");
    LibceFile* r1 = libce_fopen(path("s.txt").c_str(), "r");
    LibceFile* r2 = libce_fopen(path("s.txt").c_str(), "r");
    EXPECT_NE(r1, nullptr);
    EXPECT_NE(r2, nullptr);
    // Nobody may write a file that is being read...
    EXPECT_EQ(libce_fopen(path("s.txt").c_str(), "a"), nullptr);
    libce_fclose(r1);
    libce_fclose(r2);
    // ...and while it is written it stays the writer's alone.
    LibceFile* w = libce_fopen(path("s.txt").c_str(), "a");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(libce_fopen(path("s.txt").c_str(), "w"), nullptr);
    libce_fclose(w);
    EXPECT_EQ(read_file_bytes(path("s.txt")), "x\r\n");
}

// ---- buffering -------------------------------------------------------------

TEST_F(LibceBuffer, FullBufferStaysUntilTheNextByte)
{
    LibceFile* f = libce_fopen(path("b.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(libce_putc('0' + i % 10, f), '0' + i % 10);
    EXPECT_EQ(read_file_bytes(path("b.txt")).size(), 0u);
    EXPECT_EQ(f->pos, f->writeEnd);
    EXPECT_EQ(libce_putc('z', f), 'z');
    std::string disk = read_file_bytes(path("b.txt"));
    ASSERT_EQ(disk.size(), 4096u);
    EXPECT_EQ(disk[4095], '5');  // 4095 % 10
    EXPECT_EQ(f->pos, f->buffer + 1);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("b.txt")).size(), 4097u);
}

TEST_F(LibceBuffer, FlushWritesPendingBytesAndClosesTheWindow)
{
    LibceFile* f = libce_fopen(path("b.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    libce_fputs("abc\n", f);
    EXPECT_EQ(read_file_bytes(path("b.txt")), "");
    EXPECT_EQ(libce_fflush(f), 0);
    EXPECT_EQ(read_file_bytes(path("b.txt")), "abc\r\n");
    EXPECT_EQ(f->pos, f->buffer);
    EXPECT_EQ(f->writeEnd, f->buffer);
    EXPECT_EQ(f->level, 0u);
    libce_fclose(f);
}

TEST_F(LibceBuffer, PutcReturnsTheByteAsUnsigned)
{
    LibceFile* f = libce_fopen(path("b.bin").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_putc(0xFF, f), 0xFF);
    EXPECT_EQ(libce_putc(static_cast<char>(0x82), f), 0x82);
    EXPECT_EQ(libce_putc(0, f), 0);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("b.bin")), std::string("\xff\x82\0", 3));
}

TEST_F(LibceBuffer, WriteThenReadOnOneHandle)
{
    LibceFile* f = libce_fopen(path("b.txt").c_str(), "w+");
    ASSERT_NE(f, nullptr);
    libce_fputs("one\ntwo\n", f);
    ASSERT_EQ(libce_fseek(f, 0, 0), 0);
    char buf[16];
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_STREQ(buf, "one\n");
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    EXPECT_STREQ(buf, "two\n");
    EXPECT_EQ(libce_fgets(buf, sizeof buf, f), nullptr);
    libce_fclose(f);
}

TEST_F(LibceBuffer, SeekToEndAppendsAfterReading)
{
    write_file_bytes(path("b.txt"), "one\r\n");
    LibceFile* f = libce_fopen(path("b.txt").c_str(), "r+");
    ASSERT_NE(f, nullptr);
    char buf[16];
    ASSERT_NE(libce_fgets(buf, sizeof buf, f), nullptr);
    ASSERT_EQ(libce_fseek(f, 0, 2), 0);
    libce_fputs("two\n", f);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("b.txt")), "one\r\ntwo\r\n");
}

TEST_F(LibceBuffer, SeekRejectsBadOriginAndNull)
{
    LibceFile* f = libce_fopen(path("b.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_fseek(f, 0, 3), -1);
    EXPECT_EQ(libce_fseek(f, 0, -1), -1);
    EXPECT_EQ(libce_fseek(nullptr, 0, 0), -1);
    EXPECT_EQ(libce_fseek(f, -10, 0), -1);  // before the start
    libce_fclose(f);
}

TEST_F(LibceBuffer, LargeBlockWriteArrivesWhole)
{
    std::string data;
    for (int i = 0; i < 3 * 4096 + 17; ++i) data += static_cast<char>(i * 7);
    LibceFile* f = libce_fopen(path("big.bin").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(libce_fwrite(data.data(), 1, data.size(), f), data.size());
    EXPECT_EQ(read_file_bytes(path("big.bin")).size(), 3u * 4096);
    libce_fclose(f);
    EXPECT_EQ(read_file_bytes(path("big.bin")), data);
}

// A handle that refuses writing, put behind an open library handle so that
// its next flush comes up short, as on a full disk.
static HANDLE swap_in_read_only(LibceFile* f, const std::string& path)
{
    CloseHandle(f->handle);
    std::wstring wide = sjis_to_wide(path);
    f->handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return f->handle;
}

TEST_F(LibceBuffer, FailedFlushKeepsTheBytesAndRefusesMore)
{
    LibceFile* f = libce_fopen(path("full.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::string block(4096, 'd');
    ASSERT_EQ(libce_fwrite(block.data(), 1, block.size(), f), block.size());
    ASSERT_NE(swap_in_read_only(f, path("full.txt")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(libce_fflush(f), -1);
    EXPECT_EQ(f->pos, f->buffer + 4096);  // nothing thrown away
    EXPECT_EQ(libce_putc('e', f), -1);
    EXPECT_EQ(libce_fwrite("ee", 1, 2, f), 0u);
    EXPECT_EQ(libce_fseek(f, 0, 0), -1);
    EXPECT_EQ(libce_fclose(f), -1);  // the caller hears of the lost bytes
    EXPECT_EQ(f->token, 0);
    EXPECT_EQ(read_file_bytes(path("full.txt")), "");
}

TEST_F(LibceBuffer, BytesKeptByAFailedFlushGoOutOnceLater)
{
    LibceFile* f = libce_fopen(path("retry.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    libce_fputs("kept\n", f);
    HANDLE writable = f->handle;
    std::wstring wide = sjis_to_wide(path("retry.txt"));
    HANDLE readOnly = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    f->handle = readOnly;
    EXPECT_EQ(libce_fflush(f), -1);
    f->handle = writable;
    CloseHandle(readOnly);
    EXPECT_EQ(libce_fflush(f), 0);
    EXPECT_EQ(read_file_bytes(path("retry.txt")), "kept\r\n");
    EXPECT_EQ(libce_fclose(f), -1);  // a flush failed on the way: reported at close
    EXPECT_EQ(read_file_bytes(path("retry.txt")), "kept\r\n");
}

// ---- threads ---------------------------------------------------------------

TEST_F(LibceThreads, NoSlotIsEverHandedOutTwice)
{
    std::mutex lock;
    std::set<LibceFile*> held;
    std::atomic<int> twice{0}, opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            std::string name = path("thread" + std::to_string(t) + ".txt");
            for (int i = 0; i < 100; ++i) {
                LibceFile* f = libce_fopen(name.c_str(), "w");
                if (!f) continue;  // all thirteen busy
                ++opened;
                {
                    std::lock_guard<std::mutex> g(lock);
                    if (!held.insert(f).second) ++twice;
                }
                libce_fputs("x\n", f);
                {
                    std::lock_guard<std::mutex> g(lock);
                    held.erase(f);
                }
                libce_fclose(f);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(twice.load(), 0);
    EXPECT_GT(opened.load(), 0);
    for (int t = 0; t < 8; ++t)
        EXPECT_EQ(read_file_bytes(path("thread" + std::to_string(t) + ".txt")), "x\r\n");
    // Every slot came back.
    std::vector<LibceFile*> all;
    for (int i = 0; i < 13; ++i) {
        LibceFile* f = libce_fopen(path("after" + std::to_string(i)).c_str(), "w");
        EXPECT_NE(f, nullptr);
        all.push_back(f);
    }
    for (LibceFile* f : all) libce_fclose(f);
}

TEST_F(LibceThreads, ConcurrentWritersKeepTheirOwnBytes)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            LibceFile* f = libce_fopen(path("w" + std::to_string(t)).c_str(), "wb");
            if (!f) return;
            std::string block(10000, static_cast<char>('A' + t));
            libce_fwrite(block.data(), 1, block.size(), f);
            libce_fclose(f);
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 6; ++t)
        EXPECT_EQ(read_file_bytes(path("w" + std::to_string(t))),
                  std::string(10000, static_cast<char>('A' + t)));
}

// ---- wide text and code page 932 -------------------------------------------

TEST_F(LibceWide, RoundTripThroughCodePage932)
{
    const wchar_t* text = L"スレッド一覧 2ch ｶﾀｶﾅ ①";
    char mb[128];
    int n = wide_to_mb(mb, text, sizeof mb);
    std::string expected = utf8_to_sjis(wide_to_utf8(text));
    EXPECT_EQ(std::string(mb), expected);
    EXPECT_EQ(n, static_cast<int>(expected.size()) + 1);
    wchar_t back[64];
    EXPECT_EQ(mb_to_wide(back, mb, 64), static_cast<int>(wcslen(text)) + 1);
    EXPECT_EQ(std::wstring(back), text);
}

TEST_F(LibceWide, WideToMbCutsAtACharacterBoundaryWithoutOverrun)
{
    struct Case {
        int size;
        const char* expected;
    } cases[] = {{1, u8""}, {2, u8""}, {3, u8"日"}, {4, u8"日"}, {5, u8"日本"},
                 {6, u8"日本"}, {7, u8"日本語"}, {8, u8"日本語"}};
    for (const Case& c : cases) {
        char area[16];
        memset(area, '#', sizeof area);
        int n = wide_to_mb(area, L"日本語", c.size);
        std::string expected = utf8_to_sjis(u8(c.expected));
        EXPECT_EQ(std::string(area), expected) << "size " << c.size;
        EXPECT_EQ(n, static_cast<int>(expected.size()) + 1) << "size " << c.size;
        for (int i = c.size; i < 16; ++i) EXPECT_EQ(area[i], '#') << "size " << c.size;
    }
    char untouched = '#';
    EXPECT_EQ(wide_to_mb(&untouched, L"x", 0), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(LibceWide, MbToWideCutsAtACharacterBoundaryWithoutOverrun)
{
    std::string mb = utf8_to_sjis(u8(u8"a日ｶ本"));  // 1 + 2 + 1 + 2 bytes, 4 units
    for (int size = 1; size <= 6; ++size) {
        wchar_t area[8];
        for (wchar_t& w : area) w = L'#';
        int n = mb_to_wide(area, mb.c_str(), size);
        std::wstring expected = std::wstring(L"a日ｶ本").substr(0, std::min(size - 1, 4));
        EXPECT_EQ(std::wstring(area), expected) << "size " << size;
        EXPECT_EQ(n, static_cast<int>(expected.size()) + 1) << "size " << size;
        for (int i = size; i < 8; ++i) EXPECT_EQ(area[i], L'#') << "size " << size;
    }
    wchar_t untouched = L'#';
    EXPECT_EQ(mb_to_wide(&untouched, "x", 0), 0);
    EXPECT_EQ(untouched, L'#');
}

TEST_F(LibceWide, LoneLeadByteAtTheEndIsNotOverrun)
{
    const char mb[] = {'a', '\x93', '\0', 'Z'};  // a lead byte right before the terminator
    wchar_t area[4] = {L'#', L'#', L'#', L'#'};
    int n = mb_to_wide(area, mb, 3);
    EXPECT_GE(n, 1);
    EXPECT_LE(n, 3);
    EXPECT_EQ(area[3], L'#');
    EXPECT_EQ(area[0], L'a');
}

// ---- safe rewrite ----------------------------------------------------------

TEST_F(LibceReplace, CommitReplacesTheOldFileWhole)
{
    write_file_bytes(path("list.txt"), "old line\r\n");
    LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
    ASSERT_NE(f, nullptr);
    libce_fputs("new one\nnew two\n", f);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "old line\r\n");  // untouched meanwhile
    EXPECT_TRUE(file_exists(path("list.txt.new")));
    EXPECT_EQ(libce_fclose_replace(f, true), 0);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "new one\r\nnew two\r\n");
    EXPECT_FALSE(file_exists(path("list.txt.new")));
}

TEST_F(LibceReplace, CommitCreatesAMissingTarget)
{
    LibceFile* f = libce_fopen_replace(path("fresh.txt").c_str());
    ASSERT_NE(f, nullptr);
    std::string big(9000, 'k');
    libce_fputs(big.c_str(), f);
    EXPECT_EQ(libce_fclose_replace(f, true), 0);
    EXPECT_EQ(read_file_bytes(path("fresh.txt")), big);
}

TEST_F(LibceReplace, NoCommitKeepsTheOldFile)
{
    write_file_bytes(path("list.txt"), "old line\r\n");
    LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
    ASSERT_NE(f, nullptr);
    libce_fputs("half writ", f);
    EXPECT_EQ(libce_fclose_replace(f, false), -1);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "old line\r\n");
    EXPECT_FALSE(file_exists(path("list.txt.new")));
    EXPECT_EQ(f->token, 0);
}

TEST_F(LibceReplace, PlainCloseOfARewriteKeepsTheOldFile)
{
    write_file_bytes(path("list.txt"), "old line\r\n");
    LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
    ASSERT_NE(f, nullptr);
    libce_fputs("never confirmed\n", f);
    EXPECT_EQ(libce_fclose(f), 0);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "old line\r\n");
    EXPECT_FALSE(file_exists(path("list.txt.new")));
}

TEST_F(LibceReplace, FailedOpenOfTheNewFileLeavesTheOldIntact)
{
    write_file_bytes(path("list.txt"), "old line\r\n");
    std::filesystem::create_directories(path("list.txt.new"));
    EXPECT_EQ(libce_fopen_replace(path("list.txt").c_str()), nullptr);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "old line\r\n");
}

TEST_F(LibceReplace, StaleNewFileFromAnEarlierRunIsOverwritten)
{
    write_file_bytes(path("list.txt"), "old\r\n");
    write_file_bytes(path("list.txt.new"), "stale stale stale stale\r\n");
    LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
    ASSERT_NE(f, nullptr);
    libce_fputs("new\n", f);
    EXPECT_EQ(libce_fclose_replace(f, true), 0);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "new\r\n");
}

TEST_F(LibceReplace, TooLongForTheNewNameIsRefused)
{
    std::string base = dir_.path();
    std::string at253 = base + std::string(253 - base.size(), 'p');
    EXPECT_EQ(libce_fopen_replace(at253.c_str()), nullptr);  // "<path>.new" would be 257
    EXPECT_EQ(libce_fopen_replace(nullptr), nullptr);
}

TEST_F(LibceReplace, ShortWriteNeverReplacesTheOldFile)
{
    write_file_bytes(path("list.txt"), "old line\r\n");
    LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
    ASSERT_NE(f, nullptr);
    libce_fputs("new content\n", f);
    ASSERT_NE(swap_in_read_only(f, path("list.txt.new")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(libce_fclose_replace(f, true), -1);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "old line\r\n");
    EXPECT_FALSE(file_exists(path("list.txt.new")));
}

TEST_F(LibceReplace, BytesRefusedEarlierNeverReplaceTheOldFile)
{
    // A full buffer that could not go out refused the bytes after it; a later
    // flush that succeeds must not make the gap look like a whole file.
    write_file_bytes(path("list.txt"), "old line\r\n");
    LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
    ASSERT_NE(f, nullptr);
    std::string block(4096, 'n');
    libce_fwrite(block.data(), 1, block.size(), f);
    HANDLE writable = f->handle;
    std::wstring wide = sjis_to_wide(path("list.txt.new"));
    HANDLE readOnly = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    f->handle = readOnly;
    EXPECT_EQ(libce_putc('x', f), -1);
    f->handle = writable;
    CloseHandle(readOnly);
    EXPECT_EQ(libce_fclose_replace(f, true), -1);
    EXPECT_EQ(read_file_bytes(path("list.txt")), "old line\r\n");
    EXPECT_FALSE(file_exists(path("list.txt.new")));
}

TEST_F(LibceReplace, SlotIsFreeAgainAfterEveryOutcome)
{
    for (int round = 0; round < 20; ++round) {
        LibceFile* f = libce_fopen_replace(path("list.txt").c_str());
        ASSERT_NE(f, nullptr) << round;
        libce_fputs("x\n", f);
        libce_fclose_replace(f, round % 2 == 0);
    }
    std::vector<LibceFile*> open;
    for (int i = 0; i < 13; ++i) {
        open.push_back(libce_fopen(path("o" + std::to_string(i)).c_str(), "w"));
        EXPECT_NE(open.back(), nullptr);
    }
    for (LibceFile* f : open) libce_fclose(f);
}

TEST_F(LibceReplace, CloseReplaceOfOrdinaryHandleClosesItAndFails)
{
    LibceFile* f = libce_fopen(path("o.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    libce_fputs("kept\n", f);
    EXPECT_EQ(libce_fclose_replace(f, true), -1);
    EXPECT_EQ(f->token, 0);
    EXPECT_EQ(read_file_bytes(path("o.txt")), "kept\r\n");
    EXPECT_EQ(libce_fclose_replace(nullptr, true), -1);
}

// ---- trace points ----------------------------------------------------------

TEST(LibceTrace, TraceReturnsTheFormattedLength)
{
    EXPECT_EQ(trace_tag("fopen_r"), 21);  // "[%010lu]" is 12 bytes, then "fopen_r: "
    EXPECT_EQ(trace_printf("flags=0x%04x, level=%d.\n", 8u, 120), 25);
    EXPECT_EQ(libce_printf("Memory exhaust!\n"), 16);
}
