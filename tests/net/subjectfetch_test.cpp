#include "net/subjectfetch.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(SubjectListWhole, WholeLinesOnly)
{
    std::string list = "1065069078.dat<>a (25)\n1063333333.dat<>b (3)\n";
    EXPECT_TRUE(subject_list_whole(list.data(), list.size()));
    EXPECT_FALSE(subject_list_whole(list.data(), list.size() - 1));
    EXPECT_FALSE(subject_list_whole(list.data(), 20));
    EXPECT_TRUE(subject_list_whole("\n", 1));
}

TEST(SubjectListWhole, NothingIsNoList)
{
    EXPECT_FALSE(subject_list_whole("A", 0));   // the 416 marker
    EXPECT_FALSE(subject_list_whole(nullptr, 0));
    EXPECT_FALSE(subject_list_whole(nullptr, 5));
}

TEST(SubjectListShaped, LinesOfKeyDatAndTitle)
{
    const std::pair<std::string, bool> cases[] = {
        {"1065069078.dat<>a (25)\n1063333333.dat<>b (3)\n", true},
        {"1065069078.dat<>a (25)\n", true},
        {"<html><body>error</body></html>\n", false},
        {"1065069078.dat<>a (25)\n<html>\n", false},
        {".dat<>a (1)\n", false},
        {"1065069078<>a (25)\n", false},
        {"\n", false},
    };
    for (const auto& c : cases) EXPECT_EQ(subject_list_shaped(c.first.data(), c.first.size()), c.second) << c.first;
}
