// The command line and the pieces of itemwatch's lines, in-process.
#include "tools/itemwatch/ItemWatch.h"

#include <gtest/gtest.h>

TEST(ParseWatchArgs, TakesTheOutputFolderTheWorkbookAndTheOptions) {
    SWatchOptions options;
    bool bHelp = true;
    std::string strError;
    ASSERT_TRUE(ParseWatchArgs({"--settle-ms", "50", "out", "Items.xlsx", "--once"}, options, bHelp,
                               strError));
    EXPECT_FALSE(bHelp);
    EXPECT_EQ("out", options.strOutput);
    EXPECT_EQ("Items.xlsx", options.strWorkbook);
    EXPECT_TRUE(options.bOnce);
    EXPECT_EQ(50, options.nSettleMs);
}

TEST(ParseWatchArgs, DefaultsToTheTablesAloneAndTheStandardSettleTime) {
    SWatchOptions options;
    bool bHelp = false;
    std::string strError;
    ASSERT_TRUE(ParseWatchArgs({"out"}, options, bHelp, strError));
    EXPECT_EQ("", options.strWorkbook);
    EXPECT_FALSE(options.bOnce);
    EXPECT_EQ(SETTLE_MS, options.nSettleMs);
}

TEST(ParseWatchArgs, RefusesABadCommandLineWithTheReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "the output folder is missing"},
        {{""}, "the output folder is missing"},
        {{"a", "b", "c"}, "too many arguments"},
        {{"--fast", "out"}, "unknown option \"--fast\""},
        {{"out", "--settle-ms"},
         "--settle-ms wants a count of milliseconds from 0 to 60000, not \"\""},
        {{"out", "--settle-ms", "-5"},
         "--settle-ms wants a count of milliseconds from 0 to 60000, not \"-5\""},
        {{"out", "--settle-ms", "60001"},
         "--settle-ms wants a count of milliseconds from 0 to 60000, not "
         "\"60001\""},
        {{"out", "--settle-ms", "99999999999"},
         "--settle-ms wants a count of milliseconds from 0 to 60000, not "
         "\"99999999999\""},
    };
    for (const auto& [args, strExpected] : cases) {
        SWatchOptions options;
        bool bHelp = false;
        std::string strError;
        EXPECT_FALSE(ParseWatchArgs(args, options, bHelp, strError)) << strExpected;
        EXPECT_EQ(strExpected, strError);
    }
}

TEST(ParseWatchArgs, HelpIsAnsweredWhateverElseIsGiven) {
    SWatchOptions options;
    bool bHelp = false;
    std::string strError;
    ASSERT_TRUE(ParseWatchArgs({"--help", "a", "b", "c"}, options, bHelp, strError));
    EXPECT_TRUE(bHelp);
}

TEST(CountCheckProblems, AddsTheProblemsOfEveryTablesSummaryOnly) {
    const std::string strOutput =
        "Weapons.txt:3:14 (N3): unknown weapon type \"Spork\"; did you mean "
        "\"sword\"?\n"
        "Armors.txt:4:2 (B4): 7 problems of its own in the text\n"
        "Materials.txt: 20 rows, no problems\n"
        "Weapons.txt: 22 rows, 1 problem\n"
        "Armors.txt: 20 rows, 12 problems, 3 notes\n"
        "QuickItems.txt: 1 row, no problems, 2 notes\n";
    EXPECT_EQ(13u, CountCheckProblems(strOutput));
    EXPECT_EQ(0u, CountCheckProblems("Materials.txt: 20 rows, no problems"));
    EXPECT_EQ(0u, CountCheckProblems(""));
    EXPECT_EQ(0u, CountCheckProblems("Other.txt: 2 rows, 5 problems\n"));
}

TEST(CheckFindings, LeavesOutTheSummariesOfCleanTablesOnly) {
    EXPECT_EQ(
        "Weapons.txt:3:14 (N3): unknown weapon type \"Spork\"\n"
        "Armors.txt:4:2 (B4): cell text \"5 rows, no problems\"\n"
        "Weapons.txt: 22 rows, 1 problem\n",
        CheckFindings("Weapons.txt:3:14 (N3): unknown weapon type \"Spork\"\n"
                      "Armors.txt:4:2 (B4): cell text \"5 rows, no problems\"\n"
                      "Materials.txt: 20 rows, no problems\n"
                      "Weapons.txt: 22 rows, 1 problem\n"
                      "QuickItems.txt: 1 row, no problems, 2 notes\n"));
}

TEST(LastLines, KeepsTheEndOfTheOutputWholeLinesOnly) {
    EXPECT_EQ("c\nd\n", LastLines("a\nb\nc\nd\n", 2));
    EXPECT_EQ("c\nd\n", LastLines("a\nb\nc\nd", 2));
    EXPECT_EQ("a\nb\n", LastLines("a\nb\n", 5));
    EXPECT_EQ("", LastLines("", 3));
    EXPECT_EQ("", LastLines("a\n", 0));
}

TEST(RecordCounts, NamesEachListAfterItsKind) {
    EXPECT_EQ(
        "20 materials, 22 weapons, 20 armors, 18 quick items, 16 quest "
        "items, 21 loot items",
        RecordCounts({20, 22, 20, 18, 16, 21}));
}
