#include <gtest/gtest.h>

#include "base/report.h"
#include "tests/support/winsetup.h"

TEST(Report, HookSeesMessage)
{
    ReportCapture cap(IDYES);
    EXPECT_EQ(report_message(nullptr, L"本当に削除しますか？", L"削除確認", MB_YESNO), IDYES);
    ASSERT_EQ(cap.messages().size(), 1u);
    EXPECT_EQ(cap.messages()[0].caption, L"削除確認");
}
