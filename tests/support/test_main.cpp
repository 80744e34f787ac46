#include <gtest/gtest.h>

#ifdef _WIN32
#include "tests/support/childrole_win.h"
#include "tests/support/winsetup.h"
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    win_test_setup();
    int childExit = 0;
    if (play_child_role(argc, argv, &childExit)) return childExit;
#endif
    return RUN_ALL_TESTS();
}
