#include "net/pastlog.h"

#include <gtest/gtest.h>

#include <string>

TEST(PastLogPath, KeysOfNineAndTenDigits)
{
    struct Case {
        const wchar_t* dir;
        const wchar_t* name;
        bool gzipped;
        const wchar_t* want;   // null: refused
    };
    const Case cases[] = {
        {L"mobile", L"1065069078.dat", true, L"/mobile/kako/1065/10650/1065069078.dat.gz"},
        {L"mobile", L"1065069078.dat", false, L"/mobile/kako/1065/10650/1065069078.dat"},
        {L"mobile", L"999888777.dat", true, L"/mobile/kako/999/999888777.dat.gz"},
        {L"sub", L"999888777.dat", false, L"/sub/kako/999/999888777.dat"},
        {L"mobile", L"10650690781.dat", true, nullptr},   // eleven digits
        {L"mobile", L"12345678.dat", true, nullptr},      // eight
        {L"mobile", L"10650x9078.dat", true, nullptr},
        {L"mobile", L"1065069078.txt", true, nullptr},
        {L"mobile", L".dat", true, nullptr},
        {L"", L"1065069078.dat", true, nullptr},
    };
    for (const Case& c : cases) {
        std::wstring path = L"untouched";
        const bool made = past_log_path(c.dir, c.name, c.gzipped, &path);
        EXPECT_EQ(made, c.want != nullptr) << c.name;
        EXPECT_EQ(path, c.want ? c.want : L"untouched") << c.name;
    }
}

TEST(MovedBoardHost, RedirectsAndNoticePages)
{
    struct Case {
        const char* text;
        const char* want;   // null: no move
    };
    const Case cases[] = {
        {"http://pc9.2ch.net/mobile/subject.txt", "pc9.2ch.net"},
        {"<script>window.location.href=\"http://pc9.2ch.net/mobile/\"</script><a href=\"http://pc9.2ch.net/mobile/\">GO",
         "pc9.2ch.net"},
        {"<a href=\"http://pc.2ch.net/mobile/\">same</a> <a href=\"http://pc9.2ch.net/mobile\">new</a>", "pc9.2ch.net"},
        {"https://pc9.2ch.net/mobile/", "pc9.2ch.net"},
        {"<a href=\"http://PC.2ch.net/mobile/\">the old host in capitals</a>", nullptr},
        {"http://pc9.2ch.net/mobilephones/", nullptr},   // another board that starts alike
        {"http://pc9.2ch.net/other/", nullptr},
        {"http://pc9.2ch.net", nullptr},
        {"http:///mobile/", nullptr},
        {"http://evil host/mobile/", nullptr},
        {"http://a-very-long-host-name.example.org/mobile/", nullptr},   // more than 32 bytes
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::string host = "untouched";
        const bool moved = moved_board_host(c.text, "mobile", "pc.2ch.net", 32, &host);
        EXPECT_EQ(moved, c.want != nullptr) << c.text;
        EXPECT_EQ(host, c.want ? c.want : "untouched") << c.text;
    }
}
