#include "driver/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "itemdb/Columns.h"
#include "platform/Platform.h"
#include "testsupport/TestUtil.h"

using testutil::CTempDir;
namespace fs = std::filesystem;

namespace {
const std::string SEP(1, platform::PATH_SEPARATOR);
const std::string USAGE_START = "Items database builder.\n";
const std::string USAGE_END = "\tUsage:\n\t  Marrow.exe <output path>\n";

// Runs the driver in a directory and returns what it printed.
std::string RunDriver(const fs::path& directory, std::vector<const char*> args, int& nStatus) {
    testutil::CCurrentDirectory current(directory);
    args.insert(args.begin(), "Marrow");
    testing::internal::CaptureStdout();
    nStatus = RunMarrow(static_cast<int>(args.size()), args.data());
    return testing::internal::GetCapturedStdout();
}

// A run saves only when it has read a table: one without rows, and the converter beside it.
void WriteOneTable(const fs::path& directory) {
    testutil::InstallConverter(directory);
    testutil::WriteFile(directory / "QuestItems.txt", "Name\tGeneral\n\tPrice\n");
}

bool IsUsage(const std::string& strOutput) {
    return strOutput.rfind(USAGE_START, 0) == 0 && strOutput.size() > USAGE_END.size() &&
           strOutput.compare(strOutput.size() - USAGE_END.size(), USAGE_END.size(), USAGE_END) == 0 &&
           std::count(strOutput.begin(), strOutput.end(), '\n') == 5;
}
}  // namespace

TEST(Driver, WrongArgumentCountsAndAnEmptyArgumentPrintUsageAndFail) {
    CTempDir dir;
    const std::vector<std::vector<const char*>> CASES = {{}, {"a", "b"}, {""}};
    for (const auto& args : CASES) {
        int nStatus = 0;
        EXPECT_TRUE(IsUsage(RunDriver(dir.Path(), args, nStatus)));
        EXPECT_EQ(-1, nStatus);
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));  // no temporary file, no database
}

TEST(Driver, HelpPrintsUsageAndSucceeds) {
    CTempDir dir;
    for (const char* pszHelp : {"-h", "--help", "/?"}) {
        int nStatus = -1;
        EXPECT_TRUE(IsUsage(RunDriver(dir.Path(), {pszHelp}, nStatus))) << pszHelp;
        EXPECT_EQ(0, nStatus);
    }
    int nStatus = -1;
    EXPECT_EQ("Marrow 1.0.0\n", RunDriver(dir.Path(), {"--version"}, nStatus));
    EXPECT_EQ(0, nStatus);
}

TEST(Driver, OutputDirectoryGetsOneTrailingSeparator) {
    EXPECT_EQ("out" + SEP, OutputDirectoryOf("out"));
    EXPECT_EQ("out" + SEP, OutputDirectoryOf(("out" + SEP).c_str()));
#ifdef _WIN32
    EXPECT_EQ("out/\\", OutputDirectoryOf("out/"));  // only a backslash counts
#endif
}

// A run in the wrong folder reads no table; an empty database must not replace a good one.
TEST(Driver, WithoutTablesEveryBuilderSaysSoAndNothingIsSaved) {
    CTempDir dir;
    fs::create_directory(dir.Path() / "out");
    testutil::WriteFile(dir.Path() / "out" / "items.idb", "previous database");
    int nStatus = 0;
    const std::string strOutput = RunDriver(dir.Path(), {"out"}, nStatus);
    EXPECT_EQ(-1, nStatus);
    // Each kind in build order, from the build table.
    std::string strExpected;
    for (const SKindColumns& kind : AllKinds())
        strExpected += "Building " + std::string(kind.pszKind) + " list:Can't open file \"" +
                       kind.pszTable + "\".\n";
    EXPECT_EQ(strExpected + "Not saving: none of the six tables could be read.\n", strOutput);
    EXPECT_EQ("previous database", testutil::ReadFile(dir.Path() / "out" / "items.idb"));
}

// Found before any table is built.
TEST(Driver, MissingOutputDirectoryFailsAtOnceWithAMessage) {
    CTempDir dir;
    WriteOneTable(dir.Path());
    int nStatus = 0;
    const std::string strOutput = RunDriver(dir.Path(), {"missing"}, nStatus);
    EXPECT_EQ(-1, nStatus);
    EXPECT_EQ("Can't write \"missing" + SEP + "items.idb\": " + testutil::PATH_NOT_FOUND_TEXT + ".\n",
              strOutput);
    EXPECT_FALSE(fs::exists(dir.Path() / "missing"));  // the directory is not created
}

TEST(Driver, FailedWriteKeepsThePreviousDatabaseAndLeavesNoTemporaryFile) {
    CTempDir dir;
    WriteOneTable(dir.Path());
    fs::create_directory(dir.Path() / "out");
    testutil::WriteFile(dir.Path() / "out" / "items.idb", "previous database");
    for (std::int64_t nBudget : {0, 3, 20}) {
        platform::FailWritesAfter(nBudget);
        int nStatus = 0;
        const std::string strOutput = RunDriver(dir.Path(), {"out"}, nStatus);
        platform::FailWritesAfter(-1);
        EXPECT_EQ(-1, nStatus);
        EXPECT_NE(std::string::npos, strOutput.find("Can't write \"out" + SEP + "items.idb\": " +
                                                    testutil::DISK_FULL_TEXT + ".\n"))
            << strOutput;
        EXPECT_EQ("previous database", testutil::ReadFile(dir.Path() / "out" / "items.idb"));
        EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.Path() / "out"),
                                   fs::directory_iterator()));
    }
}

// The tenth error ends the run through RunMarrow's return, the process going on: the folder is
// released, nothing is saved, and the next run in the process counts its own errors.
TEST(Driver, TheTenthErrorEndsTheRunAndTheNextRunCountsAfresh) {
    CTempDir dir;
    testutil::InstallConverter(dir.Path());
    const auto writeWeapons = [&dir](int nRows) {
        std::string strTable = "Name\tWeapon\t\n\tType\tRange\n";
        for (int i = 0; i < nRows; ++i) strTable += "W" + std::to_string(i) + "\tclub\t1\n";
        testutil::WriteFile(dir.Path() / "Weapons.txt", strTable);
    };
    testutil::CReportCatcher catcher;
    writeWeapons(12);
    int nStatus = 0;
    testing::internal::CaptureStderr();
    std::string strOutput = RunDriver(dir.Path(), {"."}, nStatus);
    EXPECT_EQ("Stopped after ten errors; items.idb not written.\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ(-1, nStatus);
    EXPECT_EQ("Building materials list:Can't open file \"Materials.txt\".\n"
              "Building weapons list:" + std::string(10, '.'),
              strOutput);
    EXPECT_EQ(10u, catcher.Reports().size());
    EXPECT_FALSE(fs::exists(dir.Path() / "items.idb"));
    EXPECT_FALSE(fs::exists(dir.Path() / "tempreg.lock"));

    writeWeapons(9);
    testing::internal::CaptureStderr();
    strOutput = RunDriver(dir.Path(), {"."}, nStatus);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, nStatus) << strOutput;
    EXPECT_EQ(19u, catcher.Reports().size());
    EXPECT_TRUE(fs::exists(dir.Path() / "items.idb"));
    EXPECT_FALSE(fs::exists(dir.Path() / "tempreg.lock"));
}

TEST(DriverDeathTest, FailedSaveEndsTheProcessWith255) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CTempDir dir;
    const std::string strDirectory = dir.Path().string();
    auto runIntoMissingDirectory = [&strDirectory] {
        testutil::CCurrentDirectory current(strDirectory);
        const char* const args[] = {"Marrow", "missing"};
        std::exit(RunMarrow(2, args));
    };
    EXPECT_EXIT(runIntoMissingDirectory(), testing::ExitedWithCode(testutil::EXIT_MINUS_ONE), "");
}
