// Whole runs of the built itemwatch over a folder of the example tables, with Marrow, itemcheck and
// itembook beside it as a package puts them. The watcher runs as a child process; every wait has a
// generous limit, after which the child is killed, so that no test can hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <string>
#include <thread>

#include "marrow/Loader.h"
#include "tests/EndToEndFixture.h"

namespace {
constexpr int LIMIT_MS = 120000;  // far beyond any build here, even under a loaded machine
constexpr char SETTLE[] = "100";  // short, so that the tests do not wait for nothing

bool IsWindows() { return platform::PATH_SEPARATOR == '\\'; }

std::size_t Occurrences(const std::string& strText, const std::string& strPart) {
    std::size_t n = 0;
    for (std::size_t i = strText.find(strPart); i != std::string::npos;
         i = strText.find(strPart, i + 1))
        ++n;
    return n;
}

// A cell's column letters as a spreadsheet shows them: 1 is A, 26 is Z, 27 is AA.
std::string ColumnLettersOf(std::size_t nCell) {
    std::string strLetters;
    for (; nCell > 0; nCell = (nCell - 1) / 26)
        strLetters.insert(strLetters.begin(), static_cast<char>('A' + (nCell - 1) % 26));
    return strLetters;
}

void Replace(const fs::path& path, const std::string& strOld, const std::string& strNew) {
    std::string strText = testutil::ReadFile(path);
    const std::size_t nAt = strText.find(strOld);
    ASSERT_NE(std::string::npos, nAt) << strOld;
    strText.replace(nAt, strOld.size(), strNew);
    testutil::WriteFile(path, strText);
}
}  // namespace

class ItemWatchRun : public EndToEnd {
protected:
    ItemWatchRun() {
        CopyExamples();
        fs::create_directory(m_dir.Path() / "out");
        for (const std::string& strProgram :
             {std::string(MARROW_ITEMWATCH_PATH), std::string(MARROW_ITEMCHECK_PATH),
              std::string(MARROW_ITEMBOOK_PATH), testutil::MarrowPath()})
            fs::copy_file(strProgram, m_bin.Path() / fs::path(strProgram).filename());
        m_strWatch = (m_bin.Path() / fs::path(MARROW_ITEMWATCH_PATH).filename()).string();
    }
    ~ItemWatchRun() override {
        if (m_hWatch != platform::INVALID_HANDLE) platform::KillProgram(m_hWatch);
    }

    void Start() {
        ASSERT_TRUE(platform::StartProgram({m_strWatch, "--settle-ms", SETTLE, "out"},
                                           m_dir.Path().string().c_str(), Log().c_str(),
                                           (m_bin / "watch.err").c_str(), m_hWatch));
    }
    std::string Log() const { return m_bin / "watch.out"; }
    std::string Output() const { return testutil::ReadOutput(Log()); }
    // Waits until the watcher's output holds the text n times; false after the limit.
    bool WaitFor(const std::string& strText, std::size_t nTimes = 1) {
        for (int nWaited = 0; nWaited < LIMIT_MS; nWaited += 50) {
            if (Occurrences(Output(), strText) >= nTimes) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ADD_FAILURE() << "no \"" << strText << "\" in:\n" << Output();
        return false;
    }
    // Sends the signal and returns the exit status; the watcher is killed after the limit.
    int Stop(int nSignal) {
        EXPECT_TRUE(platform::SignalProgram(m_hWatch, nSignal));
        int nStatus = -12345;
        if (!platform::WaitForProgram(m_hWatch, LIMIT_MS, nStatus)) {
            platform::KillProgram(m_hWatch);
            ADD_FAILURE() << "itemwatch did not stop";
        }
        m_hWatch = platform::INVALID_HANDLE;
        return nStatus;
    }
    // Ends a test's watcher: by SIGTERM where there are signals, which must stop it cleanly.
    void Finish() {
        if (!IsWindows()) {
            EXPECT_EQ(0, Stop(SIGTERM));
            return;
        }
        platform::KillProgram(m_hWatch);
        m_hWatch = platform::INVALID_HANDLE;
    }
    std::string Database() const { return testutil::ReadFile(m_dir.Path() / "out" / "items.idb"); }
    // What a run may leave behind only while it runs.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
            const std::string strName = entry.path().filename().string();
            if (strName.starts_with("tempreg.") || entry.path().extension() == ".tmp")
                names.push_back(strName);
        }
        for (const auto& entry : fs::directory_iterator(m_dir.Path() / "out"))
            if (entry.path().filename() != "items.idb") names.push_back(entry.path().string());
        return names;
    }

    CTempDir m_bin;  // the programs, and the watcher's captured output
    std::string m_strWatch;
    platform::Handle m_hWatch = platform::INVALID_HANDLE;
};

TEST_F(ItemWatchRun, OnceBuildsAndPrintsTheRecordsOfEachList) {
    const std::string strLine = RunProgramAt(m_strWatch, m_dir.Path(), {"--once", "out"});
    EXPECT_EQ(0, m_nStatus) << StandardError();
    // A record per row of each example table, the kinds in build order.
    std::string strCounts = ": ";
    for (size_t i = 0; i < TABLES.size(); ++i)
        strCounts += (i ? ", " : "") + std::to_string(RowsOf(TABLES[i])) + " " + AllKinds()[i].pszKind;
    EXPECT_NE(std::string::npos,
              strLine.find(strCounts + "; 0 problems; no previous database to compare\n"))
        << strLine;
    EXPECT_EQ(testutil::ReadFile(testutil::ExamplesDir().parent_path() / "tests" / "golden" /
                                 "examples.idb"),
              Database());
    RunProgramAt(m_strWatch, m_dir.Path(), {"--once", "out"});
    EXPECT_NE(std::string::npos, testutil::ReadOutput(m_dir / "stdout.txt")
                                     .find("; 0 problems; 0 changed, 0 added, 0 removed\n"));
}

TEST_F(ItemWatchRun, OnceWithAMissingTableKeepsTheDatabaseAndSaysWhy) {
    RunProgramAt(m_strWatch, m_dir.Path(), {"--once", "out"});
    ASSERT_EQ(0, m_nStatus);
    const std::string strBefore = Database();
    fs::remove(m_dir.Path() / "LootItems.txt");
    const std::string strOut = RunProgramAt(m_strWatch, m_dir.Path(), {"--once", "out"});
    EXPECT_EQ(1, m_nStatus);
    const std::string strDatabase = (fs::path("out") / "items.idb").string();
    EXPECT_NE(std::string::npos,
              strOut.find(" not rebuilt: LootItems.txt is missing; " + strDatabase + " kept\n"))
        << strOut;
    EXPECT_EQ(strBefore, Database());
}

TEST_F(ItemWatchRun, OnceExportsTheWorkbookIntoTheTablesBeforeTheBuild) {
    const std::string strItemBook =
        (m_bin.Path() / fs::path(MARROW_ITEMBOOK_PATH).filename()).string();
    RunProgramAt(strItemBook, m_dir.Path(), {"import", ".", "Items.xlsx"});
    ASSERT_EQ(0, m_nStatus) << StandardError();
    Replace(m_dir.Path() / "Weapons.txt", "Short Sword\t60\t", "Short Sword\t61\t");
    const std::string strOut =
        RunProgramAt(m_strWatch, m_dir.Path(), {"--once", "out", "Items.xlsx"});
    EXPECT_EQ(0, m_nStatus) << strOut << StandardError();
    EXPECT_NE(std::string::npos,
              testutil::ReadFile(m_dir.Path() / "Weapons.txt").find("Short Sword\t60\t"));
    EXPECT_EQ(testutil::ReadFile(testutil::ExamplesDir().parent_path() / "tests" / "golden" /
                                 "examples.idb"),
              Database());
}

TEST_F(ItemWatchRun, AMissingOutputFolderIsRefusedBeforeAnyBuild) {
    RunProgramAt(m_strWatch, m_dir.Path(), {"--once", "nowhere"});
    EXPECT_EQ(2, m_nStatus);
    EXPECT_EQ("itemwatch: the output folder \"nowhere\" does not exist.\n", StandardError());
    EXPECT_FALSE(fs::exists(m_dir.Path() / "nowhere"));
}

TEST_F(ItemWatchRun, RebuildsAfterASave) {
    Start();
    ASSERT_TRUE(WaitFor(" rebuilt "));
    const std::string strBefore = Database();
    Replace(m_dir.Path() / "Weapons.txt", "Short Sword\t60\t", "Short Sword\t61\t");
    ASSERT_TRUE(WaitFor("; 0 problems; 1 changed, 0 added, 0 removed\n"));
    EXPECT_NE(strBefore, Database());
    Finish();
    EXPECT_EQ(std::string::npos, Output().find("not rebuilt")) << Output();
}

TEST_F(ItemWatchRun, RebuildsAfterASaveByRename) {
    Start();
    ASSERT_TRUE(WaitFor(" rebuilt "));
    // The first weapon again under a new name, as a spreadsheet saves: a temporary renamed over.
    std::string strText = testutil::ReadFile(m_dir.Path() / "Weapons.txt");
    const std::size_t nRow = strText.find("Short Sword\t");
    ASSERT_NE(std::string::npos, nRow);
    strText += "Bread Knife" + strText.substr(nRow + 11, strText.find('\n', nRow) + 1 - nRow - 11);
    testutil::WriteFile(m_dir.Path() / "Weapons.txt.tmp", strText);
    fs::rename(m_dir.Path() / "Weapons.txt.tmp", m_dir.Path() / "Weapons.txt");
    ASSERT_TRUE(WaitFor("; 0 problems; 0 changed, 1 added, 0 removed\n"));
    EXPECT_NE(std::string::npos, Output().find(" 23 weapons, "));
    Finish();
}

TEST_F(ItemWatchRun, KeepsTheOldDatabaseWhenTheCheckFindsProblems) {
    Start();
    ASSERT_TRUE(WaitFor(" rebuilt "));
    const std::string strBefore = Database();
    // The weapon type of the first row (line 3), whose cell is counted in the row itself.
    const std::string strText = testutil::ReadFile(m_dir.Path() / "Weapons.txt");
    const std::size_t nRow = strText.find("Short Sword\t");
    const std::size_t nType = strText.find("\tSword\tIron\t", nRow);
    ASSERT_NE(std::string::npos, nType);
    const std::size_t nCell = 2 + static_cast<std::size_t>(std::count(
                                      strText.begin() + static_cast<std::ptrdiff_t>(nRow),
                                      strText.begin() + static_cast<std::ptrdiff_t>(nType), '\t'));
    Replace(m_dir.Path() / "Weapons.txt", "\tSword\tIron\t", "\tSpork\tIron\t");
    const std::string strDatabase = (fs::path("out") / "items.idb").string();
    ASSERT_TRUE(WaitFor(" not rebuilt: itemcheck found 1 problem; " + strDatabase + " kept\n"));
    EXPECT_NE(std::string::npos,
              Output().find("\n  Weapons.txt:3:" + std::to_string(nCell) + " (" +
                            ColumnLettersOf(nCell) +
                            "3): unknown weapon type \"Spork\"; did you mean \"sword\"?\n"))
        << Output();
    EXPECT_EQ(strBefore, Database());
    // The next save tries again. A cell with a space the reader trims: the file differs in size
    // too, since a save that follows at once may keep the file's time where the clock is coarse.
    Replace(m_dir.Path() / "Weapons.txt", "\tSpork\tIron\t", "\tSword \tIron\t");
    ASSERT_TRUE(WaitFor("; 0 problems; 0 changed, 0 added, 0 removed\n"));
    Finish();
}

TEST_F(ItemWatchRun, WaitsForAnotherRunHoldingTheFolder) {
    Start();
    ASSERT_TRUE(WaitFor(" rebuilt "));
    platform::Handle hLock = platform::INVALID_HANDLE;
    const std::string strLock = m_dir / "tempreg.lock";
    ASSERT_EQ(platform::LockResult::LOCKED, platform::LockExclusive(strLock.c_str(), hLock));
    Replace(m_dir.Path() / "Weapons.txt", "Short Sword\t60\t", "Short Sword\t61\t");
    // Long enough for the watcher to settle, check and meet the lock several times over.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::string strWhileHeld = Output();
    platform::UnlockAndRemove(strLock.c_str(), hLock);
    EXPECT_EQ(1u, Occurrences(strWhileHeld, " rebuilt ")) << strWhileHeld;
    ASSERT_TRUE(WaitFor("; 1 changed, 0 added, 0 removed\n"));
    EXPECT_EQ(std::string::npos, Output().find("not rebuilt")) << Output();
    Finish();
}

class ItemWatchStop : public ItemWatchRun, public testing::WithParamInterface<int> {};

TEST_P(ItemWatchStop, StopsCleanlyWithExitStatusZeroAndLeavesNothingBehind) {
    if (IsWindows()) GTEST_SKIP() << "no signals to send";
    Start();
    ASSERT_TRUE(WaitFor(" rebuilt "));
    // A save just before the stop, so that the stop often meets a build under way; either way
    // nothing may be left.
    Replace(m_dir.Path() / "Armors.txt", "\t", "\t");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(0, Stop(GetParam()));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
    EXPECT_EQ(std::string::npos, Output().find("not rebuilt")) << Output();
    marrow::SItemLists lists;
    EXPECT_TRUE(marrow::LoadItemDatabase((m_dir / "out/items.idb").c_str(), lists));
}

INSTANTIATE_TEST_SUITE_P(Signals, ItemWatchStop, testing::Values(SIGINT, SIGTERM));
