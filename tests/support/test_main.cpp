#include <gtest/gtest.h>

#ifdef _WIN32
#include "tests/support/winsetup.h"
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    win_test_setup();
#endif
    return RUN_ALL_TESTS();
}
