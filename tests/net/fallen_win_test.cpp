// Threads that fall out of their board, against the loopback board server:
// each way the old log path answers, each place the past-log store keeps
// the log (or none), with the log and the held-thread list on disk before
// and after.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/threadfetch_win.h"
#include "store/settings.h"
#include "tests/net/boardfetch_fixture_win.h"
#include "tools/boardserver/boardsite.h"

using namespace boardfetch_test;
using boardserver::FallenAnswer;
using boardserver::PastLog;

namespace {

constexpr wchar_t kCaption[] = L"Resdata_get_sabun";

class FallenThread : public BoardFetchFixture {
protected:
    void SetUp() override
    {
        BoardFetchFixture::SetUp();
        set_boards({{L"pc.2ch.net", L"mobile", L"モバイル"}});
        CreateDirectoryA((root_ + "\\mobile").c_str(), nullptr);
    }

    std::string log_path(const std::string& key) const { return root_ + "\\mobile\\" + key + ".dat"; }
    std::string acquired_path() const { return root_ + "\\mobile\\acquired.txt"; }

    // A held thread whose local log holds the server's first `lines` lines.
    std::string hold_thread(const std::string& key, size_t lines)
    {
        std::string whole = server_.dat("mobile", key);
        size_t end = 0;
        for (size_t i = 0; i < lines; ++i) end = whole.find('\n', end) + 1;
        std::string local = whole.substr(0, end);
        write_file_bytes(log_path(key), local);
        write_file_bytes(acquired_path(), "1063333333.dat<>other(3)<>1\r\n" + key + ".dat<>held(" +
                                              std::to_string(lines) + ")<>2\r\n");
        return local;
    }

    std::vector<std::string> paths_asked()
    {
        std::vector<std::string> paths;
        for (const auto& r : server_.requests()) paths.push_back(r.path);
        return paths;
    }

    DatFetchResult fetch(const std::wstring& name, DatFetchMode mode = DatFetchMode::ByHand)
    {
        server_.clear_requests();
        reports_.clear();
        return Resdata_get(0, name.c_str(), mode);
    }
};

struct FallenCase {
    const char* what;
    FallenAnswer answer;
    PastLog store;
    int liveStatus;                          // what the old log path answered
    std::vector<std::string> storePaths;     // asked of the past-log store, in order
    bool storeHasIt;
};

const std::string kGz = "/mobile/kako/1065/10650/1065069078.dat.gz";
const std::string kPlain = "/mobile/kako/1065/10650/1065069078.dat";
const std::string kLive = "/mobile/dat/1065069078.dat";

const FallenCase kCases[] = {
    {"404, gzipped past log", FallenAnswer::NotFound, PastLog::Gzipped, 404, {kGz}, true},
    {"404, plain past log", FallenAnswer::NotFound, PastLog::Plain, 404, {kGz, kPlain}, true},
    {"404, no past log", FallenAnswer::NotFound, PastLog::None, 404, {kGz, kPlain}, false},
    {"redirect, gzipped past log", FallenAnswer::Redirect, PastLog::Gzipped, 302, {kGz}, true},
    {"redirect, no past log", FallenAnswer::Redirect, PastLog::None, 302, {kGz, kPlain}, false},
    {"front page, plain past log", FallenAnswer::FrontPage, PastLog::Plain, 200, {kGz, kPlain}, true},
    {"front page, no past log", FallenAnswer::FrontPage, PastLog::None, 200, {kGz, kPlain}, false},
};

}  // namespace

// Every way the old path answers leads to the past-log store; a log found
// there replaces the local one whole, and either way the thread is marked
// fallen after its last read, the other lines byte for byte. When the store
// has nothing, that is said once and the local log stays as it was.
TEST_F(FallenThread, EachAnswerLeadsToThePastLogStore)
{
    for (const FallenCase& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(server_.load_sample(sample_dir()));
        server_.site().clear_redirects();
        server_.site().remove(kGz);
        server_.site().remove(kPlain);
        const std::string whole = server_.dat("mobile", "1065069078");
        const std::string local = hold_thread("1065069078", 3);
        ASSERT_LT(local.size(), whole.size());
        server_.site().fall_thread("mobile", "1065069078", c.answer, c.store);

        EXPECT_EQ(fetch(L"1065069078.dat"), DatFetchResult::Fallen);

        std::vector<std::string> want{kLive};
        want.insert(want.end(), c.storePaths.begin(), c.storePaths.end());
        EXPECT_EQ(paths_asked(), want);
        EXPECT_EQ(server_.requests().front().status, c.liveStatus);
        EXPECT_EQ(read_file_bytes(log_path("1065069078")), c.storeHasIt ? whole : local);
        EXPECT_EQ(read_file_bytes(acquired_path()),
                  "1063333333.dat<>other(3)<>1\r\n1065069078.dat<>held(3)<>2\tfallen\r\n");
        if (c.storeHasIt) {
            EXPECT_TRUE(messages().empty());
        } else {
            expect_messages({{kTextThreadFallen, kCaption}});
        }
    }
}

// Nine-digit keys live one level less deep in the store.
TEST_F(FallenThread, NineDigitKeyIsLookedForUnderItsFirstThreeDigits)
{
    const std::string dat = dat_of_size(700);
    server_.put_dat("mobile", "999888777", dat);
    server_.site().fall_thread("mobile", "999888777", FallenAnswer::NotFound, PastLog::Plain);
    EXPECT_EQ(fetch(L"999888777.dat"), DatFetchResult::Fallen);
    EXPECT_EQ(paths_asked(), (std::vector<std::string>{"/mobile/dat/999888777.dat",
                                                       "/mobile/kako/999/999888777.dat.gz",
                                                       "/mobile/kako/999/999888777.dat"}));
    EXPECT_EQ(read_file_bytes(log_path("999888777")), dat);
    EXPECT_TRUE(messages().empty());
}

// A past log shorter than what is held never shortens the local log.
TEST_F(FallenThread, ShorterPastLogNeverShortensTheLocalLog)
{
    const std::string local = hold_thread("1065069078", 5);
    server_.site().fall_thread("mobile", "1065069078", FallenAnswer::NotFound, PastLog::None);
    server_.put_file(kPlain, local.substr(0, local.find('\n') + 1));
    EXPECT_EQ(fetch(L"1065069078.dat"), DatFetchResult::Fallen);
    EXPECT_EQ(read_file_bytes(log_path("1065069078")), local);
    EXPECT_TRUE(messages().empty());
}

// Once fallen, opening the thread asks nothing; its reload by hand asks
// again, and a past log that appeared meanwhile is taken.
TEST_F(FallenThread, FallenThreadIsFetchedAgainOnlyByHand)
{
    const std::string whole = server_.dat("mobile", "1065069078");
    const std::string local = hold_thread("1065069078", 3);
    server_.site().fall_thread("mobile", "1065069078", FallenAnswer::NotFound, PastLog::None);
    EXPECT_EQ(fetch(L"1065069078.dat"), DatFetchResult::Fallen);
    expect_messages({{kTextThreadFallen, kCaption}});
    const std::string marked = read_file_bytes(acquired_path());

    EXPECT_EQ(fetch(L"1065069078.dat", DatFetchMode::Open), DatFetchResult::Skipped);
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(read_file_bytes(log_path("1065069078")), local);

    server_.put_file(kGz, std::string());   // an empty gzipped file is no log
    server_.put_file(kPlain, whole);
    EXPECT_EQ(fetch(L"1065069078.dat", DatFetchMode::ByHand), DatFetchResult::Fallen);
    EXPECT_EQ(paths_asked(), (std::vector<std::string>{kLive, kGz, kPlain}));
    EXPECT_EQ(read_file_bytes(log_path("1065069078")), whole);
    EXPECT_EQ(read_file_bytes(acquired_path()), marked) << "marked once";
    EXPECT_TRUE(messages().empty());
}

// A thread never held (opened for the first time after it fell) gets its
// past log; the list gains nothing here: the opener adds the line, marked.
TEST_F(FallenThread, ThreadNeverHeldGetsItsPastLog)
{
    const std::string whole = server_.dat("mobile", "1065069078");
    server_.site().fall_thread("mobile", "1065069078", FallenAnswer::Redirect, PastLog::Gzipped);
    EXPECT_EQ(fetch(L"1065069078.dat", DatFetchMode::Open), DatFetchResult::Fallen);
    EXPECT_EQ(read_file_bytes(log_path("1065069078")), whole);
    EXPECT_EQ(read_file_bytes(acquired_path()), "");
    EXPECT_TRUE(messages().empty());
}

// A live thread is fetched as before and never marked.
TEST_F(FallenThread, LiveThreadIsNeverMarked)
{
    const std::string whole = server_.dat("mobile", "1065069078");
    hold_thread("1065069078", 3);
    const std::string list = read_file_bytes(acquired_path());
    EXPECT_EQ(fetch(L"1065069078.dat", DatFetchMode::Open), DatFetchResult::Fetched);
    EXPECT_EQ(paths_asked(), std::vector<std::string>{kLive});
    EXPECT_EQ(read_file_bytes(log_path("1065069078")), whole);
    EXPECT_EQ(read_file_bytes(acquired_path()), list);
    EXPECT_TRUE(messages().empty());
}

// A thread marked fallen that its reload by hand finds live again (the
// server served the log once more) loses the mark; the other lines stay.
TEST_F(FallenThread, ReloadThatFindsTheLogLiveTakesTheMarkAway)
{
    const std::string whole = server_.dat("mobile", "1065069078");
    hold_thread("1065069078", 3);
    write_file_bytes(acquired_path(), "1063333333.dat<>other(3)<>1\tfallen\r\n1065069078.dat<>held(3)<>2\tfallen\r\n");
    EXPECT_EQ(fetch(L"1065069078.dat", DatFetchMode::Open), DatFetchResult::Skipped);
    EXPECT_EQ(fetch(L"1065069078.dat", DatFetchMode::ByHand), DatFetchResult::Fetched);
    EXPECT_EQ(paths_asked(), std::vector<std::string>{kLive});
    EXPECT_EQ(read_file_bytes(log_path("1065069078")), whole);
    EXPECT_EQ(read_file_bytes(acquired_path()),
              "1063333333.dat<>other(3)<>1\tfallen\r\n1065069078.dat<>held(3)<>2\r\n");
    EXPECT_TRUE(messages().empty());
}
