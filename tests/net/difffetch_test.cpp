#include "net/difffetch.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <utility>

#include "tests/support/tempdir.h"

namespace {

std::string gzip_bytes(const std::string& plain, const std::string& dir)
{
    std::string path = dir + "make.gz";
    gzFile f = gzopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (!plain.empty()) gzwrite(f, plain.data(), static_cast<unsigned>(plain.size()));
    gzclose(f);
    return read_file_bytes(path);
}

bool append_sink(void* context, const char* chunk, size_t len)
{
    static_cast<std::string*>(context)->append(chunk, len);
    return true;
}

bool refusing_sink(void*, const char*, size_t) { return false; }

struct Inflated {
    InflateResult result;
    std::string data;
    size_t total;
};

Inflated inflate_file(const std::string& path, size_t limit = kFetchBodyMax)
{
    Inflated r{InflateResult::Error, {}, 99};
    gzFile f = gzopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr);
    r.result = inflate_gz(f, limit, append_sink, &r.data, &r.total);
    gzclose(f);
    return r;
}

std::string dat_lines(int from, int to)
{
    std::string s;
    for (int i = from; i <= to; ++i) s += "name<>sage<>2026/12/08 ID:x<> body " + std::to_string(i) + " <>\n";
    return s;
}

}  // namespace

TEST(FetchStatus, EveryBranch)
{
    EXPECT_EQ(fetch_status_action(200), FetchStatusAction::Inflate);
    EXPECT_EQ(fetch_status_action(206), FetchStatusAction::Inflate);
    EXPECT_EQ(fetch_status_action(300), FetchStatusAction::Inflate);
    EXPECT_EQ(fetch_status_action(301), FetchStatusAction::Moved);
    EXPECT_EQ(fetch_status_action(302), FetchStatusAction::Moved);
    EXPECT_EQ(fetch_status_action(303), FetchStatusAction::Moved);
    EXPECT_EQ(fetch_status_action(304), FetchStatusAction::Failed);
    EXPECT_EQ(fetch_status_action(416), FetchStatusAction::SizeOdd);
    EXPECT_EQ(fetch_status_action(0), FetchStatusAction::Failed);
    EXPECT_EQ(fetch_status_action(199), FetchStatusAction::Failed);
    EXPECT_EQ(fetch_status_action(500), FetchStatusAction::Failed);
}

TEST(DatRange, OneByteOfOverlap)
{
    EXPECT_EQ(dat_range_start(0), 0);
    EXPECT_EQ(dat_range_start(1), 0);        // fetched whole and overwritten
    EXPECT_EQ(dat_range_start(1000), 999);
    EXPECT_EQ(dat_range_start(2147483648ull), 2147483647);
    EXPECT_EQ(dat_range_start(2147483649ull), -1);
}

TEST(DatRange, OverlapMustBeALineFeed)
{
    EXPECT_TRUE(dat_reply_overlaps(0, "x", 1));
    EXPECT_TRUE(dat_reply_overlaps(999, "\nabc\n", 5));
    EXPECT_FALSE(dat_reply_overlaps(999, "abc\n", 4));      // whole log sent with 200
    EXPECT_FALSE(dat_reply_overlaps(999, "A", 0));          // the 416 marker
    EXPECT_FALSE(dat_reply_overlaps(999, nullptr, 0));
}

TEST(DatRange, NothingNewStoresNothing)
{
    DatWrite w = dat_bytes_to_store(999, "\n", 1);
    EXPECT_FALSE(w.replace);
    EXPECT_EQ(w.length, 0u);
}

TEST(DatRange, GrowthLeavesOutTheOverlapByte)
{
    std::string reply = "\n" + dat_lines(1, 3);
    DatWrite w = dat_bytes_to_store(999, reply.data(), reply.size());
    EXPECT_FALSE(w.replace);
    EXPECT_EQ(w.offset, 1u);
    EXPECT_EQ(reply.substr(w.offset, w.length), dat_lines(1, 3));
}

TEST(DatRange, UnfinishedLastLineWaitsForTheNextFetch)
{
    std::string reply = "\n" + dat_lines(1, 2) + "half a resp";
    DatWrite w = dat_bytes_to_store(10, reply.data(), reply.size());
    EXPECT_EQ(reply.substr(w.offset, w.length), dat_lines(1, 2));
    std::string full = dat_lines(1, 5) + "cut";
    w = dat_bytes_to_store(0, full.data(), full.size());
    EXPECT_TRUE(w.replace);
    EXPECT_EQ(full.substr(w.offset, w.length), dat_lines(1, 5));
    w = dat_bytes_to_store(0, "no line at all", 14);
    EXPECT_TRUE(w.replace);
    EXPECT_EQ(w.length, 0u);
    w = dat_bytes_to_store(5, "\nno end", 7);
    EXPECT_EQ(w.length, 0u);
}

TEST(BodyCheck, ShortBodyAgainstContentLengthIsIncomplete)
{
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r";
    EXPECT_FALSE(body_complete(head.data(), head.size(), 99));
    EXPECT_TRUE(body_complete(head.data(), head.size(), 100));
    std::string none = "HTTP/1.1 200 OK\r\n\r";
    EXPECT_TRUE(body_complete(none.data(), none.size(), 0));
    std::string bad = "HTTP/1.1 200 OK\r\nContent-Length: lots\r\n\r";
    EXPECT_TRUE(body_complete(bad.data(), bad.size(), 0));
}

TEST(GzipReader, InflatesGzipAndPassesPlainThrough)
{
    TempDir dir;
    std::string plain = dat_lines(1, 3000);   // several chunks
    write_file_bytes(dir.file("work.gz"), gzip_bytes(plain, dir.path()));
    Inflated r = inflate_file(dir.file("work.gz"));
    EXPECT_EQ(r.result, InflateResult::Ok);
    EXPECT_EQ(r.data, plain);
    EXPECT_EQ(r.total, plain.size());

    write_file_bytes(dir.file("work.gz"), plain);
    r = inflate_file(dir.file("work.gz"));
    EXPECT_EQ(r.result, InflateResult::Ok);
    EXPECT_EQ(r.data, plain);

    write_file_bytes(dir.file("work.gz"), "");
    r = inflate_file(dir.file("work.gz"));
    EXPECT_EQ(r.result, InflateResult::Ok);
    EXPECT_EQ(r.total, 0u);
}

TEST(GzipReader, TruncatedOrCorruptStreamFails)
{
    TempDir dir;
    std::string plain = dat_lines(1, 500);
    std::string gz = gzip_bytes(plain, dir.path());
    write_file_bytes(dir.file("work.gz"), gz.substr(0, gz.size() / 2));
    EXPECT_EQ(inflate_file(dir.file("work.gz")).result, InflateResult::Truncated);
    // Only the trailer (CRC and length) missing.
    write_file_bytes(dir.file("work.gz"), gz.substr(0, gz.size() - 4));
    EXPECT_NE(inflate_file(dir.file("work.gz")).result, InflateResult::Ok);
    std::string corrupt = gz;
    for (size_t i = 20; i < 60 && i < corrupt.size(); ++i) corrupt[i] = static_cast<char>(~corrupt[i]);
    write_file_bytes(dir.file("work.gz"), corrupt);
    EXPECT_EQ(inflate_file(dir.file("work.gz")).result, InflateResult::Error);
}

TEST(GzipReader, InflatedSizeIsCapped)
{
    TempDir dir;
    std::string zeros(200000, '\0');
    write_file_bytes(dir.file("work.gz"), gzip_bytes(zeros, dir.path()));
    Inflated r = inflate_file(dir.file("work.gz"), 100000);
    EXPECT_EQ(r.result, InflateResult::TooLarge);
    EXPECT_LE(r.data.size(), 100000u);
    EXPECT_EQ(r.total, r.data.size());
    r = inflate_file(dir.file("work.gz"), 200000);
    EXPECT_EQ(r.result, InflateResult::Ok);
    EXPECT_EQ(r.total, 200000u);
}

TEST(GzipReader, RefusingSinkStopsReading)
{
    TempDir dir;
    write_file_bytes(dir.file("work.gz"), gzip_bytes("abc\n", dir.path()));
    gzFile f = gzopen(dir.file("work.gz").c_str(), "rb");
    size_t total = 7;
    EXPECT_EQ(inflate_gz(f, kFetchBodyMax, refusing_sink, nullptr, &total), InflateResult::SinkFailed);
    EXPECT_EQ(total, 0u);
    gzclose(f);
    EXPECT_EQ(inflate_gz(nullptr, kFetchBodyMax, append_sink, nullptr, &total), InflateResult::Error);
}

TEST(UpdateCheckVerdict, StatusDecides)
{
    EXPECT_EQ(update_outcome(206, true), UpdateOutcome::Grown);
    EXPECT_EQ(update_outcome(200, true), UpdateOutcome::Grown);
    EXPECT_EQ(update_outcome(416, true), UpdateOutcome::NotGrown);
    EXPECT_EQ(update_outcome(302, true), UpdateOutcome::NotGrown);
    EXPECT_EQ(update_outcome(0, true), UpdateOutcome::NotGrown);
    EXPECT_EQ(update_outcome(500, true), UpdateOutcome::NotGrown);
    EXPECT_EQ(update_outcome(0, false), UpdateOutcome::NotGrown);
}

TEST(DatShape, FirstWholeLineMustBeAResponse)
{
    struct Case {
        int32_t rangeStart;
        std::string reply;
        bool log;
    };
    const Case cases[] = {
        {0, "name<>sage<>date<>body<>title\n", true},
        {0, "name<>sage<>date<>body<>\nhalf", true},
        {999, "\nname<>sage<>date<>body<>\n", true},
        {999, "\n", true},                                 // nothing new
        {999, "\nn<>s<>d<>half a resp", true},             // no whole line yet
        {0, "<html><body>notice</body></html>\n", false},
        {0, "a<>b<>c\nn<>s<>d<>b<>\n", false},              // three separators on the first line
        {999, "\n<html>\n", false},
        {999, "x\nn<>s<>d<>b<>\n", false},                   // the overlap byte is no line feed
    };
    for (const Case& c : cases)
        EXPECT_EQ(dat_reply_log_shaped(c.rangeStart, c.reply.data(), c.reply.size()), c.log) << c.reply;
}

TEST(BodyCoding, ContentEncodingOfTheHead)
{
    const std::pair<const char*, BodyCoding> cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r", BodyCoding::Plain},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: identity\r\n\r", BodyCoding::Plain},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r", BodyCoding::Gzip},
        {"HTTP/1.1 200 OK\r\ncontent-encoding: X-GZIP\r\n\r", BodyCoding::Gzip},
        {"HTTP/1.1 200 OK\r\nContent-Encoding:  deflate \r\n\r", BodyCoding::Deflate},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: br\r\n\r", BodyCoding::Unknown},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip, deflate\r\n\r", BodyCoding::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(body_coding(c.first), c.second) << c.first;
}

namespace {

std::string deflated(const std::string& plain, int windowBits)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(plain.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

Inflated inflate_deflate_bytes(const std::string& coded, const std::string& dir, size_t limit = kFetchBodyMax)
{
    std::string path = dir + "coded.bin";
    write_file_bytes(path, coded);
    Inflated r{InflateResult::Error, {}, 99};
    gzFile f = gzopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr);
    r.result = inflate_deflate(f, limit, append_sink, &r.data, &r.total);
    gzclose(f);
    return r;
}

}  // namespace

TEST(InflateDeflate, ZlibWrappedAndRawStreams)
{
    TempDir dir;
    // Larger than a chunk either way, so that input and output both come in pieces.
    std::string plain = dat_lines(1, 3000);
    for (int bits : {15, -15}) {
        Inflated r = inflate_deflate_bytes(deflated(plain, bits), dir.path());
        EXPECT_EQ(r.result, InflateResult::Ok) << bits;
        EXPECT_EQ(r.data, plain) << bits;
        EXPECT_EQ(r.total, plain.size()) << bits;
    }
    EXPECT_EQ(inflate_deflate_bytes("", dir.path()).result, InflateResult::Ok);
}

TEST(InflateDeflate, CutCorruptAndOversizedStreamsAreRefused)
{
    TempDir dir;
    std::string coded = deflated(dat_lines(1, 3000), 15);
    EXPECT_EQ(inflate_deflate_bytes(coded.substr(0, coded.size() / 2), dir.path()).result, InflateResult::Truncated);
    EXPECT_EQ(inflate_deflate_bytes("\x78\x9c\xff\xff\xff\xff", dir.path()).result, InflateResult::Error);
    EXPECT_EQ(inflate_deflate_bytes(coded, dir.path(), 1000).result, InflateResult::TooLarge);
    std::string file = dir.path() + "refused.bin";
    write_file_bytes(file, coded);
    gzFile f = gzopen(file.c_str(), "rb");
    std::string sunk;
    size_t total = 0;
    EXPECT_EQ(inflate_deflate(f, kFetchBodyMax, refusing_sink, &sunk, &total), InflateResult::SinkFailed);
    gzclose(f);
}
