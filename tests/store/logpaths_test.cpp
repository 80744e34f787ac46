#include "store/logpaths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string built(bool (*fn)(char*, size_t, const LogBoard&), const LogBoard& b)
{
    char out[kLogPathBytes];
    std::memset(out, 'x', sizeof out);
    bool ok = fn(out, sizeof out, b);
    std::string s(out);
    EXPECT_EQ(ok, !s.empty());
    return s;
}

std::string thread(const LogBoard& b, const char* file)
{
    char out[kLogPathBytes];
    bool ok = log_thread_path(out, sizeof out, b, file);
    EXPECT_EQ(ok, out[0] != '\0');
    return out;
}

std::wstring thread_w(const LogBoardW& b, const wchar_t* file)
{
    wchar_t out[kLogPathUnits];
    bool ok = log_thread_path(out, kLogPathUnits, b, file);
    EXPECT_EQ(ok, out[0] != L'\0');
    return out;
}

std::vector<std::string> dirs(const LogBoard& b)
{
    char out[kLogBoardDirsMax][kLogPathBytes];
    int n = log_board_dirs(out, b);
    return std::vector<std::string>(out, out + n);
}

}  // namespace

TEST(LogPaths, BoardWithoutServerLevel)
{
    LogBoard b{"\\log", "srv", "mobile", false};
    EXPECT_EQ(built(log_board_dir, b), "\\log\\mobile");
    EXPECT_EQ(built(log_thread_dir, b), "\\log\\mobile");
    EXPECT_EQ(built(log_subject_path, b), "\\log\\mobile\\subject.txt");
    EXPECT_EQ(built(log_acquired_path, b), "\\log\\mobile\\acquired.txt");
    EXPECT_EQ(thread(b, "1065069078.dat"), "\\log\\mobile\\1065069078.dat");
    EXPECT_EQ(dirs(b), std::vector<std::string>{"\\log\\mobile"});
}

TEST(LogPaths, BoardWithServerLevel)
{
    LogBoard b{"\\log", "srv", "mobile", true};
    EXPECT_EQ(built(log_server_dir, b), "\\log\\srv");
    EXPECT_EQ(built(log_board_dir, b), "\\log\\srv\\mobile");
    EXPECT_EQ(built(log_thread_dir, b), "\\log\\srv\\mobile\\dat");
    EXPECT_EQ(built(log_subject_path, b), "\\log\\srv\\mobile\\subject.txt");
    EXPECT_EQ(built(log_acquired_path, b), "\\log\\srv\\mobile\\acquired.txt");
    EXPECT_EQ(thread(b, "1065069078.dat"), "\\log\\srv\\mobile\\dat\\1065069078.dat");
    EXPECT_EQ(dirs(b), (std::vector<std::string>{"\\log\\srv", "\\log\\srv\\mobile", "\\log\\srv\\mobile\\dat"}));
}

TEST(LogPaths, WideThreadPathInBothLayouts)
{
    LogBoardW flat{L"C:\\q\\log", L"srv", L"mobile", false};
    LogBoardW nested{L"C:\\q\\log", L"srv", L"mobile", true};
    EXPECT_EQ(thread_w(flat, L"1065069078.dat"), L"C:\\q\\log\\mobile\\1065069078.dat");
    EXPECT_EQ(thread_w(nested, L"1065069078.dat"), L"C:\\q\\log\\srv\\mobile\\dat\\1065069078.dat");
    EXPECT_EQ(thread_w(nested, L"..\\1.dat"), L"");
    LogBoardW badHost{L"C:\\q\\log", L"..", L"mobile", true};
    EXPECT_EQ(thread_w(badHost, L"1.dat"), L"");
    // Without the server level the host plays no part.
    LogBoardW ignoredHost{L"C:\\q\\log", L"..", L"mobile", false};
    EXPECT_EQ(thread_w(ignoredHost, L"1.dat"), L"C:\\q\\log\\mobile\\1.dat");
}

TEST(LogPaths, HostWithSecondLevelNestsBothLevels)
{
    LogBoard b{"\\log", "www.example.invalid/area", "north", true};
    EXPECT_EQ(built(log_server_dir, b), "\\log\\www.example.invalid\\area");
    EXPECT_EQ(built(log_acquired_path, b), "\\log\\www.example.invalid\\area\\north\\acquired.txt");
    EXPECT_EQ(thread(b, "1.dat"), "\\log\\www.example.invalid\\area\\north\\dat\\1.dat");
    EXPECT_EQ(dirs(b), (std::vector<std::string>{"\\log\\www.example.invalid", "\\log\\www.example.invalid\\area",
                                                 "\\log\\www.example.invalid\\area\\north",
                                                 "\\log\\www.example.invalid\\area\\north\\dat"}));
    LogBoardW w{L"\\log", L"h/sub", L"north", true};
    EXPECT_EQ(thread_w(w, L"1.dat"), L"\\log\\h\\sub\\north\\dat\\1.dat");
}

TEST(LogPathNames, OrdinaryNamesPass)
{
    for (const char* name : {"mobile", "news4vip", "1065069078.dat", "a.b", "srv.2ch.example", "x-y_z"}) {
        EXPECT_TRUE(log_name_is_safe(name, LogNameKind::Dir)) << name;
        EXPECT_TRUE(log_name_is_safe(name, LogNameKind::File)) << name;
        EXPECT_TRUE(log_name_is_safe(name, LogNameKind::Host)) << name;
    }
    EXPECT_TRUE(log_name_is_safe("host/sub", LogNameKind::Host));
    EXPECT_TRUE(log_name_is_safe(L"mobile", LogNameKind::Dir));
    EXPECT_TRUE(log_name_is_safe(L"\u8868", LogNameKind::Dir));   // 表
}

TEST(LogPathNames, NamesThatLeaveTheRootAreRefused)
{
    const char* refused[] = {"", "..", "a..b", "..\\x", "a\\b", "C:", "a:b", "\\", ".", "a\x01", "tab\there",
                             "del\x7f", "nul", "CON", "con.dat", "Com1", "lpt9.txt", "a*b", "a?b", "a<b",
                             "a>b", "a|b", "a\"b"};
    for (const char* name : refused) {
        EXPECT_FALSE(log_name_is_safe(name, LogNameKind::Dir)) << name;
        EXPECT_FALSE(log_name_is_safe(name, LogNameKind::File)) << name;
        EXPECT_FALSE(log_name_is_safe(name, LogNameKind::Host)) << name;
    }
    EXPECT_FALSE(log_name_is_safe(static_cast<const char*>(nullptr), LogNameKind::Dir));
    // "/" only in a host, and only one level between two non-empty names.
    EXPECT_FALSE(log_name_is_safe("a/b", LogNameKind::Dir));
    EXPECT_FALSE(log_name_is_safe("a/b", LogNameKind::File));
    for (const char* host : {"a/b/c", "/a", "a/", "/", "a/..", "a/.", "./a", "a/nul", "a//b"})
        EXPECT_FALSE(log_name_is_safe(host, LogNameKind::Host)) << host;
    EXPECT_TRUE(log_name_is_safe("COM0", LogNameKind::Dir));
    EXPECT_TRUE(log_name_is_safe("console", LogNameKind::Dir));
    EXPECT_FALSE(log_name_is_safe(L"..", LogNameKind::Dir));
    EXPECT_FALSE(log_name_is_safe(L"a\\b", LogNameKind::File));
    EXPECT_FALSE(log_name_is_safe(L"a/b/c", LogNameKind::Host));
    EXPECT_FALSE(log_name_is_safe(L"\x1f", LogNameKind::File));
}

TEST(LogPathNames, DoubleByteCharactersAreReadWhole)
{
    // 表 is 0x95 0x5C: its second byte is no backslash.
    EXPECT_TRUE(log_name_is_safe("\x95\x5c", LogNameKind::Dir));
    EXPECT_TRUE(log_name_is_safe("\x83\x82\x83\x6f\x83\x43\x83\x8b", LogNameKind::Dir));   // モバイル
    EXPECT_TRUE(log_name_is_safe("\xb1\xb2", LogNameKind::Dir));   // single-byte katakana
    // A lead byte without its second byte, or with one that cannot follow it.
    EXPECT_FALSE(log_name_is_safe("ab\x95", LogNameKind::Dir));
    EXPECT_FALSE(log_name_is_safe("\x95\x2e\x2e", LogNameKind::Dir));
    EXPECT_FALSE(log_name_is_safe("\x5c\x95\x5c", LogNameKind::Dir));
}

TEST(LogPaths, UnsafeNamesGiveNoPath)
{
    LogBoard up{"\\log", "srv", "..", false};
    EXPECT_EQ(built(log_board_dir, up), "");
    EXPECT_EQ(built(log_acquired_path, up), "");
    EXPECT_TRUE(dirs(up).empty());
    LogBoard host{"\\log", "..\\..", "mobile", true};
    EXPECT_EQ(built(log_server_dir, host), "");
    EXPECT_EQ(built(log_subject_path, host), "");
    EXPECT_TRUE(dirs(host).empty());
    LogBoard ok{"\\log", "srv", "mobile", true};
    EXPECT_EQ(thread(ok, "..\\..\\x.dat"), "");
    EXPECT_EQ(thread(ok, ""), "");
    LogBoard noRoot{"", "srv", "mobile", false};
    EXPECT_EQ(built(log_board_dir, noRoot), "");
}

TEST(LogPaths, PathsThatDoNotFitAreRefusedNotCut)
{
    // "R...R\mobile\acquired.txt": root + 20 bytes.
    std::string root(kLogPathBytes - 1 - 20, 'R');
    LogBoard fits{root.c_str(), "srv", "mobile", false};
    std::string path = built(log_acquired_path, fits);
    EXPECT_EQ(path.size(), kLogPathBytes - 1);
    EXPECT_EQ(path, root + "\\mobile\\acquired.txt");

    std::string longer = root + "R";
    LogBoard over{longer.c_str(), "srv", "mobile", false};
    EXPECT_EQ(built(log_acquired_path, over), "");
    EXPECT_EQ(built(log_board_dir, over), longer + "\\mobile");

    char small[8];
    LogBoard b{"\\log", "srv", "mobile", false};
    EXPECT_FALSE(log_board_dir(small, sizeof small, b));
    EXPECT_EQ(small[0], '\0');

    // "\mobile\1.dat" is 13 units.
    std::wstring wroot(kLogPathUnits - 1 - 13, L'R');
    LogBoardW w{wroot.c_str(), L"srv", L"mobile", false};
    EXPECT_EQ(thread_w(w, L"1.dat"), wroot + L"\\mobile\\1.dat");
    EXPECT_EQ(thread_w(w, L"12.dat"), L"");
}

TEST(LogPaths, RefusedBoardMessage)
{
    EXPECT_EQ(log_board_refused_message(L"srv", L".."), L"(srv,..)ログのパスを作れません");
    EXPECT_EQ(log_board_refused_message(nullptr, L"x"), L"(,x)ログのパスを作れません");
}
