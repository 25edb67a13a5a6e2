// Faults and bad input in whole runs: each gives its message and exit status, and no crash.
#include <functional>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#endif

#include <chrono>
#include <cstdlib>

#include "loader/RecordSerialize.h"
#include "output/DataStream.h"
#include "tests/EndToEndFixture.h"

using testutil::ConversionScript;

namespace {
const std::string COPY_PREPARED =
    ConversionScript("cp prepared.reg tempreg.reg; exit 0", "copy /y prepared.reg tempreg.reg >nul");

size_t Count(const std::string& strText, const std::string& strWhat) {
    size_t nCount = 0;
    for (size_t i = 0; (i = strText.find(strWhat, i)) != std::string::npos; i += strWhat.size()) ++nCount;
    return nCount;
}

// The line that replaces "Saving database." when every table failed to convert.
std::string NotSavingAll() {
    std::string strLine = "Not saving: ";
    for (size_t i = 0; i < TABLES.size(); ++i)
        strLine += (i ? ", \"" : "\"") + std::string(TABLES[i]) + "\"";
    return strLine + " could not be converted.\n";
}
}  // namespace

using Faults = EndToEnd;

TEST_F(Faults, BrokenConversionScriptsAreReportedPerTableAndNothingIsSaved) {
    CopyExamples();
    testutil::WriteFile(m_dir.Path() / "items.idb", "previous database");
    const struct {
        std::string strScript;
        std::string strPrepared;
        std::string strCause;
    } CASES[] = {
        {ConversionScript("exit 3", "exit /b 3"), "", "left no tempreg.reg for \"%\" (exit status 3)"},
        {COPY_PREPARED, "wrong magic here", "left a tempreg.reg for \"%\" that is no registry file"},
        {COPY_PREPARED, "", "left a tempreg.reg for \"%\" that is no registry file"},
        {COPY_PREPARED, testutil::Unhex("FB 3E AB 45 01 00 FF FF 0C 00 00 00 01 00 05"),
         "left a damaged tempreg.reg for \"%\" (at byte 8: section record at 12 runs past the end"},
        // A file that reads well does not make a failed conversion good.
        {ConversionScript("cp prepared.reg tempreg.reg; exit 3",
                          "copy /y prepared.reg tempreg.reg >nul\r\nexit /b 3"),
         "anything", "failed for \"%\" (exit status 3)"},
    };
    for (const auto& c : CASES) {
        testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat", c.strScript);
        testutil::WriteFile(m_dir.Path() / "prepared.reg", c.strPrepared);
        const std::string strOutput = Run({"."});
        EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
        for (const char* pszTable : TABLES) {
            std::string strCause = c.strCause;
            strCause.replace(strCause.find('%'), 1, pszTable);
            EXPECT_NE(std::string::npos, strOutput.find("Ini2Reg.bat " + strCause)) << strCause;
        }
        EXPECT_TRUE(strOutput.ends_with(NotSavingAll())) << strOutput;
        EXPECT_EQ("previous database", testutil::ReadFile(m_dir.Path() / "items.idb"));
    }
}

TEST_F(Faults, EmptyRegistryFileIsAlsoShownAsAnErrorPerTable) {
    CopyExamples();
    testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat", COPY_PREPARED);
    testutil::WriteFile(m_dir.Path() / "prepared.reg", "");
    const std::string strOutput = Run({"."});
    // One error per table stays below the limit of ten; the run fails because nothing was
    // converted.
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    EXPECT_TRUE(strOutput.ends_with(NotSavingAll())) << strOutput;
    EXPECT_EQ(TABLES.size(), Count(testutil::ReadOutput(m_dir.Path() / "stderr.txt"),
                        "ERROR\nCMappedFile::Open().\nUnable to create file mapping.\n"));
}

// A wrong output folder is found before any table is built.
TEST_F(Faults, UnwritableOutputFailsAtOnceAndKeepsThePreviousDatabase) {
    CopyExamples();
    testutil::WriteFile(m_dir.Path() / "file", "a file where a directory should be");
    fs::create_directories(m_dir.Path() / "old" / "items.idb" / "inside");  // a folder in its place
    const std::string SEP(1, platform::PATH_SEPARATOR);
    for (const char* pszOutput : {"missing", "file", "old"}) {
        const std::string strOutput = Run({pszOutput});
        EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus) << pszOutput;
        // The reason is the system's, in words: "Can't write \"missing/items.idb\": No such ...".
        const std::string strStart = "Can't write \"" + std::string(pszOutput) + SEP + "items.idb\": ";
        ASSERT_EQ(0u, strOutput.find(strStart)) << strOutput;
        const std::string strReason = strOutput.substr(strStart.size());
        EXPECT_GT(strReason.size(), 4u) << strOutput;
        EXPECT_TRUE(strReason.ends_with(".\n")) << strReason;
        EXPECT_EQ(std::string::npos, strReason.find_first_of("0123456789")) << strReason;
        EXPECT_EQ(strReason.size() - 1, strReason.find('\n')) << "nothing was built: " << strOutput;
    }
    EXPECT_TRUE(fs::is_directory(m_dir.Path() / "old" / "items.idb" / "inside"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(m_dir.Path() / "old"), fs::directory_iterator{}) +
                     std::distance(fs::directory_iterator(m_dir.Path() / "old" / "items.idb"),
                                   fs::directory_iterator{}));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.lock"));
}

// The save's temporary is its own: what lies at the names others used is never written through
// or removed.
TEST_F(Faults, WhatLiesAtATemporaryNameIsLeftAlone) {
    CopyExamples();
    fs::create_directories(m_dir.Path() / "out" / "items.idb.tmp");
    testutil::WriteFile(m_dir.Path() / "out" / "victim", "keep me");
#ifndef _WIN32
    fs::create_symlink("victim", m_dir.Path() / "out" / "items.idb.1.tmp");
#endif
    Run({"out"});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_TRUE(testutil::ReadFile(m_dir.Path() / "out" / "items.idb") ==
                testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb"));
    EXPECT_TRUE(fs::is_directory(m_dir.Path() / "out" / "items.idb.tmp"));
    EXPECT_EQ("keep me", testutil::ReadFile(m_dir.Path() / "out" / "victim"));
    // items.idb, the folder, the victim (and the link): no temporary stays.
#ifdef _WIN32
    const long nExpected = 3;
#else
    const long nExpected = 4;
    EXPECT_TRUE(fs::is_symlink(m_dir.Path() / "out" / "items.idb.1.tmp"));
#endif
    EXPECT_EQ(nExpected, std::distance(fs::directory_iterator(m_dir.Path() / "out"),
                                       fs::directory_iterator{}));
}

TEST_F(Faults, ZeroByteInATableKeepsTheRowsBeforeIt) {
    std::string strTable = "Name\tMaterial\t\n\tType\tSkill\nIron\tmetal\t1\nWood";
    strTable += '\0';
    strTable += "\twood\t2\nStone\tstone\t3\n";
    testutil::WriteFile(m_dir.Path() / "Materials.txt", strTable);
    const std::string strOutput = Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_NE(std::string::npos,
              strOutput.find("Building materials list:\"Materials.txt\" holds a zero byte in line 4"));
    EXPECT_NE(std::string::npos, strOutput.find("ignored.\n..\n"));  // Iron and Wood
}

TEST_F(Faults, OverlongCellIsRefusedByTheConverterAndNothingIsSaved) {
    CopyExamples();
    std::string strWeapons = "Name\tWeapon\t\n\tType\tMaterial Type\nSword\tsword\t";
    strWeapons += std::string(1 << 20, 'x') + "\n";
    testutil::WriteFile(m_dir.Path() / "Weapons.txt", strWeapons);
    const std::string strOutput = Run({"."});
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    EXPECT_NE(std::string::npos, strOutput.find("Building weapons list:Ini2Reg.bat left no tempreg.reg "
                                                "for \"Weapons.txt\" (exit status 1).\n"));
    // The other tables were still built, so that one run shows every problem.
    EXPECT_NE(std::string::npos, strOutput.find("Building armors list:" +
                                                std::string(RowsOf("Armors.txt"), '.') + "\n"));
    EXPECT_TRUE(strOutput.ends_with("Not saving: \"Weapons.txt\" could not be converted.\n"))
        << strOutput;
#ifndef _WIN32
    // The converter's own message reaches our standard error; on Windows its console is hidden.
    EXPECT_NE(std::string::npos, testutil::ReadFile(m_dir.Path() / "stderr.txt")
                                     .find("a value longer than 65,535 bytes in section \"Sword\""));
#endif
    EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
}

TEST_F(Faults, TableOfMoreRowsThanARegistryHoldsIsRefusedAndNothingIsSaved) {
    CopyExamples();
    std::string strMaterials = "Name\tMaterial\t\n\tType\tSkill\n";
    for (int i = 0; i < 65536; ++i) strMaterials += "M" + std::to_string(i) + "\tmetal\t1\n";
    testutil::WriteFile(m_dir.Path() / "Materials.txt", strMaterials);
    const std::string strOutput = Run({"."});
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    EXPECT_EQ(0u, strOutput.rfind("Building materials list:Ini2Reg.bat left no tempreg.reg for "
                                  "\"Materials.txt\" (exit status 1).\n", 0));
    EXPECT_TRUE(strOutput.ends_with("Not saving: \"Materials.txt\" could not be converted.\n"))
        << strOutput;
#ifndef _WIN32
    EXPECT_NE(std::string::npos, testutil::ReadFile(m_dir.Path() / "stderr.txt").find("65536 sections"));
#endif
    EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
}

TEST_F(Faults, HeaderWithoutAGroupIsReportedAndTheRunGoesOn) {
    CopyExamples();
    testutil::WriteFile(m_dir.Path() / "Armors.txt", "\tGeneral\n\tPrice\nHelm\t3\n");
    const std::string strOutput = Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_NE(std::string::npos,
              strOutput.find("Building armors list:Bad header in \"Armors.txt\".\nBuilding quick"));
}

TEST_F(Faults, DatabaseTruncatedAtEveryLengthLoadsWithoutHarm) {
    const std::string strGolden =
        testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb");
    SItemLists full;
    ASSERT_TRUE(LoadItemDatabase((fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb").string().c_str(), full));
    // Top-level chunk 1, header included, holds all six lists: cut short, it reads as absent.
    const size_t nListsEnd = testutil::FindChunk(strGolden, {{1}}).size();
    for (size_t nLength = 0; nLength < strGolden.size(); ++nLength) {
        CMemoryStream stream;
        stream.Write(strGolden.data(), static_cast<std::uint32_t>(nLength));
        SItemLists lists;
        ReadItemDatabase(stream, lists);
        const bool bComplete = nLength >= nListsEnd;
        ASSERT_EQ(bComplete ? full.m_weapons.size() : 0, lists.m_weapons.size()) << nLength;
        ASSERT_EQ(bComplete ? full.m_lootItems.size() : 0, lists.m_lootItems.size()) << nLength;
    }
    testutil::WriteFile(m_dir.Path() / "items.idb", strGolden.substr(0, strGolden.size() / 2));
    SItemLists lists;
    EXPECT_TRUE(LoadItemDatabaseLenient((m_dir / "items.idb").c_str(), lists));
    EXPECT_TRUE(lists.m_materials.empty());
}

// Two runs in two folders of tables that save into one output folder: each writes its own
// temporary, so both succeed and the database is whole, the one of whichever renamed last.
TEST_F(Faults, TwoRunsSavingIntoOneFolderLeaveAWholeDatabase) {
    const fs::path shared = m_dir.Path() / "shared";
    fs::create_directories(shared);
    std::string databases[2];
    for (int k = 0; k < 2; ++k) {
        const fs::path tables = m_dir.Path() / ("tables" + std::to_string(k));
        fs::create_directories(tables / "own");
        testutil::InstallConverter(tables);
        for (const char* pszTable : TABLES)
            if (k == 0 || std::string(pszTable) != "Weapons.txt")
                fs::copy_file(testutil::ExamplesDir() / pszTable, tables / pszTable);
        int nStatus = -1;
        ASSERT_TRUE(platform::RunProgram({testutil::MarrowPath(), "own"}, tables.string().c_str(),
                                         (m_dir / "own.txt").c_str(), (m_dir / "err.txt").c_str(),
                                         nStatus));
        ASSERT_EQ(0, nStatus);
        databases[k] = testutil::ReadFile(tables / "own" / "items.idb");
    }
    ASSERT_NE(databases[0], databases[1]);
    for (int nRound = 0; nRound < 4; ++nRound) {
        int statuses[2] = {-1, -1};
        std::thread runs[2];
        for (int k = 0; k < 2; ++k)
            runs[k] = std::thread([&, k] {
                const fs::path tables = m_dir.Path() / ("tables" + std::to_string(k));
                platform::RunProgram({testutil::MarrowPath(), (fs::path("..") / "shared").string()},
                                     tables.string().c_str(),
                                     (m_dir / ("run" + std::to_string(k) + ".txt")).c_str(),
                                     (m_dir / ("err" + std::to_string(k) + ".txt")).c_str(),
                                     statuses[k]);
            });
        for (std::thread& run : runs) run.join();
        EXPECT_EQ(0, statuses[0]) << testutil::ReadOutput(m_dir.Path() / "run0.txt");
        EXPECT_EQ(0, statuses[1]) << testutil::ReadOutput(m_dir.Path() / "run1.txt");
        const std::string strSaved = testutil::ReadFile(shared / "items.idb");
        EXPECT_TRUE(strSaved == databases[0] || strSaved == databases[1]) << "round " << nRound;
        EXPECT_EQ(1, std::distance(fs::directory_iterator(shared), fs::directory_iterator{}));
    }
}

// A table that is there but cannot be read fails the run in its own words; the previous
// database stays.
TEST_F(Faults, ATableThatExistsButCannotBeReadFailsTheRun) {
    testutil::WriteFile(m_dir.Path() / "items.idb", "previous database");
    struct SCase {
        const char* pszWhat;
        std::function<void(const fs::path&)> make;
        std::string strSays;
    };
    std::vector<SCase> cases = {
        {"folder", [](const fs::path& table) { fs::create_directory(table); },
         "\"Weapons.txt\" is a folder.\n"},
    };
#ifndef _WIN32
    cases.push_back({"pipe",
                     [](const fs::path& table) { ASSERT_EQ(0, ::mkfifo(table.c_str(), 0644)); },
                     "\"Weapons.txt\" is no file of its own (a device or a pipe).\n"});
    // Sparse: its size is what counts, not its bytes.
    cases.push_back({"4 GiB",
                     [](const fs::path& table) {
                         testutil::WriteFile(table, "");
                         fs::resize_file(table, std::uintmax_t{1} << 32);
                     },
                     "\"Weapons.txt\" is too large to read.\n"});
#endif
    for (const SCase& c : cases) {
        CopyExamples();
        fs::remove(m_dir.Path() / "Weapons.txt");
        c.make(m_dir.Path() / "Weapons.txt");
        const std::string strOutput = Run({"."});
        EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus) << c.pszWhat;
        EXPECT_NE(std::string::npos, strOutput.find("Building weapons list:" + c.strSays))
            << strOutput;
        EXPECT_TRUE(strOutput.ends_with("Not saving: \"Weapons.txt\" could not be read.\n"))
            << strOutput;
        EXPECT_EQ("previous database", testutil::ReadFile(m_dir.Path() / "items.idb"));
        fs::remove_all(m_dir.Path() / "Weapons.txt");
    }
}

// An old Mac export ends its lines with CR alone.
TEST_F(Faults, TablesWithCarriageReturnsAloneBuildTheSameDatabase) {
    for (const char* pszTable : TABLES) {
        std::string strText = testutil::ReadFile(testutil::ExamplesDir() / pszTable);
        std::string strMac;
        for (const char c : strText)
            if (c != '\r') strMac += c == '\n' ? '\r' : c;
        testutil::WriteFile(m_dir.Path() / pszTable, strMac);
    }
    Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_TRUE(testutil::ReadFile(m_dir.Path() / "items.idb") ==
                testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb"));
}

// A table cut short by a zero byte saves what came before it, and the log says so; UTF-16
// without its byte order mark is named as such.
TEST_F(Faults, ATableCutShortIsNamedOnStandardErrorToo) {
    CopyExamples();
    std::string strUtf16;
    for (const char c : std::string("Name\tQuest Items\t\n\tScriptID\tZones\nSeal\t1\n")) {
        strUtf16 += c;
        strUtf16 += '\0';
    }
    testutil::WriteFile(m_dir.Path() / "QuestItems.txt", strUtf16);
    const std::string strOutput = Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_NE(std::string::npos,
              strOutput.find("\"QuestItems.txt\" looks like UTF-16 without a byte order mark; save "
                             "it as UTF-8 or as \"Unicode Text\".\n"))
        << strOutput;
    EXPECT_EQ("Saved, but with table problems: \"QuestItems.txt\" is cut short by a zero byte.\n",
              StandardError());
}

#ifndef _WIN32
// Ctrl+C or a termination request while the converter runs: the converter and what it started
// end with Marrow, which leaves no temporary file and no lock, and ends as the signal ends it.
TEST_F(Faults, ATerminatedRunEndsItsConverterAndLeavesNothingBehind) {
    CopyExamples();
    testutil::WriteFile(m_dir.Path() / "items.idb", "previous database");
    testutil::WriteFile(m_dir.Path() / "prepared.reg", "late");
    // Marrow is the script's parent; the copy would come after Marrow has gone.
    testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat",
                        "echo $PPID > marrow.pid; sleep 2; cp prepared.reg tempreg.reg; "
                        "cp prepared.reg late.reg\n");
    for (const int nSignal : {SIGTERM, SIGINT}) {
        int nStatus = -1;
        std::thread run([&] {
            platform::RunProgram({testutil::MarrowPath(), "."}, m_dir.Path().string().c_str(),
                                 (m_dir / "stdout.txt").c_str(), (m_dir / "stderr.txt").c_str(),
                                 nStatus);
        });
        const fs::path pidFile = m_dir.Path() / "marrow.pid";
        for (int i = 0; i < 500 && testutil::ReadFile(pidFile).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const pid_t nMarrow = static_cast<pid_t>(std::atoi(testutil::ReadFile(pidFile).c_str()));
        ASSERT_GT(nMarrow, 0);
        ::kill(nMarrow, nSignal);
        run.join();
        EXPECT_EQ(128 + nSignal, nStatus);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // past the script's sleep
        EXPECT_FALSE(fs::exists(m_dir.Path() / "late.reg")) << "the converter outlived Marrow";
        EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.reg"));
        EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.ini"));
        EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.lock"));
        EXPECT_EQ("previous database", testutil::ReadFile(m_dir.Path() / "items.idb"));
        fs::remove(pidFile);
    }
}
#endif
