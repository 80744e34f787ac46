#include "net/subjectfetch.h"

#include <gtest/gtest.h>

#include <string>

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
