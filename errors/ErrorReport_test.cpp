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
    EXPECT_FALSE(ErrorLimitReached());
}

// The process goes on: ending the run is the driver's, which asks ErrorLimitReached.
TEST(ErrorReport, TheTenthReportIsShownAndReachesTheLimit) {
    testutil::CReportCatcher catcher;
    for (int i = 0; i < MAX_ERRORS; ++i) EXPECT_EQ(0, ReportError("error %d\n", i));
    EXPECT_TRUE(ErrorLimitReached());
    ASSERT_EQ(10u, catcher.Reports().size());
    EXPECT_EQ("error 9\n", catcher.Reports().back());
    EXPECT_EQ(MAX_ERRORS, GetErrorCount());
}

TEST(ErrorReport, ReportsAfterTheLimitAreNeitherShownNorCounted) {
    testutil::CReportCatcher catcher;
    for (int i = 0; i < MAX_ERRORS + 3; ++i) ReportError("error %d\n", i);
    EXPECT_EQ(10u, catcher.Reports().size());
    EXPECT_EQ(MAX_ERRORS, GetErrorCount());
    EXPECT_TRUE(ErrorLimitReached());
}

// On standard error the tenth report is the last text: the line that the run stops is the
// driver's to write. Without an observer a report also goes to the error box, which a Windows
// desktop would show; the whole runs of tests/ check the same there.
#ifndef _WIN32
TEST(ErrorReport, TheTenthReportWritesOnlyItselfToStandardError) {
    ResetErrorCount();
    testing::internal::CaptureStderr();
    for (int i = 0; i < MAX_ERRORS + 1; ++i) ReportError("error %d\n", i);
    const std::string strError = testing::internal::GetCapturedStderr();
    ResetErrorCount();
    std::string strExpected;
    for (int i = 0; i < MAX_ERRORS; ++i) strExpected += "ERROR\nerror " + std::to_string(i) + "\n";
#ifdef NDEBUG
    EXPECT_EQ(strExpected, strError);
#else
    // A debug build also traces each text there.
    EXPECT_NE(std::string::npos, strError.find("ERROR\nerror 9\n"));
    EXPECT_EQ(std::string::npos, strError.find("error 10"));
#endif
}
#endif

TEST(ErrorReport, ResettingTheCountLiftsTheLimit) {
    testutil::CReportCatcher catcher;
    for (int i = 0; i < MAX_ERRORS; ++i) ReportError("error %d\n", i);
    ResetErrorCount();
    EXPECT_FALSE(ErrorLimitReached());
    ReportError("again\n");
    EXPECT_EQ(11u, catcher.Reports().size());
    EXPECT_EQ(1, GetErrorCount());
}
