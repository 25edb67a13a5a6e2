#include "errors/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>

#include "testsupport/TestUtil.h"

TEST(ErrorReport, FormatsAndCountsEachReport) {
    testutil::CReportCatcher catcher;
    EXPECT_EQ(0, ReportError("Unknown weapon name: \"%s\".\n", "longbow"));
    EXPECT_EQ(0, ReportError("view of file (error=0x%X).\n", 0x1F4u));
    ASSERT_EQ(2u, catcher.Reports().size());
    EXPECT_EQ("Unknown weapon name: \"longbow\".\n", catcher.Reports()[0]);
    EXPECT_EQ("view of file (error=0x1F4).\n", catcher.Reports()[1]);
    EXPECT_EQ(2, GetErrorCount());
}

TEST(ErrorReport, LongMessagesAreCutTo1023Characters) {
    testutil::CReportCatcher catcher;
    const std::string strLong(2000, 'x');
    ReportError("%s", strLong.c_str());
    ASSERT_EQ(1u, catcher.Reports().size());
    EXPECT_EQ(std::string(1023, 'x'), catcher.Reports()[0]);
}

TEST(ErrorReport, NineReportsLetTheRunGoOn) {
    testutil::CReportCatcher catcher;
    for (int i = 0; i < MAX_ERRORS - 1; ++i) ReportError("error %d\n", i);
    EXPECT_EQ(9u, catcher.Reports().size());
    EXPECT_EQ(9, GetErrorCount());
}

TEST(ErrorReportDeathTest, TheTenthReportEndsTheProcessWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testutil::CReportCatcher catcher;
            for (int i = 0; i < MAX_ERRORS; ++i) ReportError("error %d\n", i);
            std::exit(0);  // not reached when the tenth report ends the run
        },
        testing::ExitedWithCode(testutil::EXIT_MINUS_ONE), "");
}
