// Whole runs of the built Marrow executable in temporary directories.
#include "tests/EndToEndFixture.h"


TEST_F(EndToEnd, ExamplesBuildTheGoldenDatabase) {
    CopyExamples();
    fs::create_directory(m_dir.Path() / "out");
    const std::string strOutput = Run({"out"});
    EXPECT_EQ(0, m_nStatus);
    std::string strExpected;
    for (size_t i = 0; i < TABLES.size(); ++i)
        strExpected += HEADINGS[i] + std::string(RowsOf(TABLES[i]), '.') + "\n";
    EXPECT_EQ(strExpected + "Saving database.\n", strOutput);
    // The same bytes on every platform and after every change that keeps the output.
    EXPECT_TRUE(testutil::ReadFile(m_dir.Path() / "out" / "items.idb") ==
                testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.ini"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.reg"));
}

TEST_F(EndToEnd, UsageErrorsExitWith255AndWriteNothing) {
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"a", "b"}, {""}}) {
        const std::string strOutput = Run(args);
        EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
        EXPECT_EQ(0u, strOutput.rfind("Items database builder.\n", 0));
    }
    EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.ini"));
}

TEST_F(EndToEnd, WithoutTheScriptEveryBuilderSaysWhyAndThePreviousDatabaseIsKept) {
    CopyExamples();
    fs::remove(m_dir.Path() / "Ini2Reg.bat");
    testutil::WriteFile(m_dir.Path() / "items.idb", "previous database");
    const std::string strOutput = Run({"."});
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    std::string strExpected, strNotSaving = "Not saving: ";
    for (size_t i = 0; i < TABLES.size(); ++i) {
        strExpected += HEADINGS[i] + "Can't start Ini2Reg.bat for \"" + TABLES[i] +
                       "\": not found beside Marrow, in the current folder or on PATH.\n";
        strNotSaving += (i ? ", \"" : "\"") + std::string(TABLES[i]) + "\"";
    }
    EXPECT_EQ(strExpected + strNotSaving + " could not be converted.\n", strOutput);
    EXPECT_EQ("previous database", testutil::ReadFile(m_dir.Path() / "items.idb"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.lock"));
}

// bin/ holds Marrow, the script and the converter; the tables' folder holds neither.
TEST_F(EndToEnd, InstalledLayoutFindsTheScriptBesideTheProgram) {
    const fs::path bin = m_dir.Path() / "bin", tables = m_dir.Path() / "tables";
    fs::create_directories(bin);
    fs::create_directories(tables / "out");
    testutil::InstallConverter(bin);
    const fs::path marrow = bin / fs::path(testutil::MarrowPath()).filename();
    fs::copy_file(testutil::MarrowPath(), marrow);
    for (const char* pszTable : TABLES)
        fs::copy_file(testutil::ExamplesDir() / pszTable, tables / pszTable);
    const std::string strOutput = RunProgramAt(marrow.string(), tables, {"out"});
    EXPECT_EQ(0, m_nStatus) << strOutput;
    EXPECT_TRUE(strOutput.ends_with("Saving database.\n")) << strOutput;
    EXPECT_TRUE(testutil::ReadFile(tables / "out" / "items.idb") ==
                testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb"));
    EXPECT_FALSE(fs::exists(tables / "tempreg.ini"));
    EXPECT_FALSE(fs::exists(tables / "tempreg.lock"));
}

TEST_F(EndToEnd, SecondRunInTheSameFolderStopsAtOnceAndTouchesNothing) {
    CopyExamples();
    testutil::WriteFile(m_dir.Path() / "tempreg.ini", "the first run's");
    platform::Handle hLock = platform::INVALID_HANDLE;
    const std::string strLock = m_dir / "tempreg.lock";
    ASSERT_EQ(platform::LockResult::LOCKED, platform::LockExclusive(strLock.c_str(), hLock));
    const std::string strOutput = Run({"."});
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    EXPECT_EQ("", strOutput);
    EXPECT_EQ("Another Marrow run is using this folder.\n", StandardError());
    EXPECT_EQ("the first run's", testutil::ReadFile(m_dir.Path() / "tempreg.ini"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
    platform::UnlockAndRemove(strLock.c_str(), hLock);
    // Once given up, the folder is free again.
    Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.lock"));
}

#ifndef _WIN32
TEST_F(EndToEnd, TemporaryFilesAreNeverWrittenThroughALink) {
    CopyExamples();
    for (const char* pszName : {"ini", "reg", "lock"}) {
        testutil::WriteFile(m_dir.Path() / ("victim." + std::string(pszName)), "keep me");
        fs::create_symlink("victim." + std::string(pszName),
                           m_dir.Path() / ("tempreg." + std::string(pszName)));
    }
    Run({"."});
    EXPECT_EQ(0, m_nStatus);
    for (const char* pszName : {"ini", "reg", "lock"}) {
        EXPECT_EQ("keep me", testutil::ReadFile(m_dir.Path() / ("victim." + std::string(pszName))));
        EXPECT_FALSE(fs::is_symlink(m_dir.Path() / ("tempreg." + std::string(pszName)))) << pszName;
    }
    EXPECT_TRUE(testutil::ReadFile(m_dir.Path() / "items.idb") ==
                testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb"));
}
#endif

// "Unicode text" from a spreadsheet: UTF-16 with a byte order mark, either byte order.
TEST_F(EndToEnd, TablesSavedAsUtf16BuildTheSameDatabase) {
    for (const bool bBigEndian : {false, true}) {
        for (const char* pszTable : TABLES) {
            const std::string strText = testutil::ReadFile(testutil::ExamplesDir() / pszTable);
            std::string strUtf16 = bBigEndian ? "\xFE\xFF" : "\xFF\xFE";
            for (const char ch : strText) {  // the examples are ASCII
                ASSERT_GE(ch, 0) << pszTable;
                strUtf16 += bBigEndian ? std::string{'\0', ch} : std::string{ch, '\0'};
            }
            testutil::WriteFile(m_dir.Path() / pszTable, strUtf16);
        }
        const std::string strOutput = Run({"."});
        EXPECT_EQ(0, m_nStatus);
        EXPECT_EQ(std::string::npos, strOutput.find("UTF-16")) << strOutput;
        EXPECT_TRUE(testutil::ReadFile(m_dir.Path() / "items.idb") ==
                    testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb"))
            << (bBigEndian ? "big endian" : "little endian");
    }
}

TEST_F(EndToEnd, NineUnknownWeaponNamesSaveAndTheTenthEndsTheRun) {
    for (int nNames : {9, 10}) {
        std::string strTable = "Name\tWeapon\t\n\tType\tRange\n";
        for (int i = 0; i < nNames; ++i) strTable += "W" + std::to_string(i) + "\tclub\t1\n";
        testutil::WriteFile(m_dir.Path() / "Weapons.txt", strTable);
        fs::remove(m_dir.Path() / "items.idb");
        Run({"."});
        if (nNames == 9) {
            EXPECT_EQ(0, m_nStatus);
            EXPECT_TRUE(fs::exists(m_dir.Path() / "items.idb"));
        } else {
            EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
            EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
        }
#ifdef NDEBUG
        // Every report reaches standard error, whole, on every system; a debug build also
        // traces each text there.
        std::string strExpected;
        for (int i = 0; i < nNames; ++i)
            strExpected += "ERROR\nUnknown weapon name: \"club\".\nin \"Weapons.txt\", row \"W" +
                           std::to_string(i) + "\".\n";
        if (nNames == 10) strExpected += "Stopped after ten errors; items.idb not written.\n";
        // A saved run that met errors or lacked tables says so in its last line.
        // Every table but the weapons is missing, in build order.
        if (nNames == 9) {
            strExpected += "Saved, but with table problems: ";
            for (const char* pszTable : TABLES)
                if (std::string_view(pszTable) != "Weapons.txt")
                    strExpected += "\"" + std::string(pszTable) + "\" could not be opened, ";
            strExpected += "9 errors reported.\n";
        }
        EXPECT_EQ(strExpected, StandardError());
#endif
        EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.lock"));
    }
}

// Errors count over the whole run: six in the weapons and the fourth of the armors end it in
// that armor's row. Nothing is printed after its dot, no later table is built, nothing is saved,
// and the folder keeps neither the lock nor the table's temporary files.
TEST_F(EndToEnd, TheTenthErrorInALaterTableEndsTheRunInItsRow) {
    std::string strWeapons = "Name\tWeapon\t\n\tType\tRange\n";
    for (int i = 0; i < 6; ++i) strWeapons += "W" + std::to_string(i) + "\tclub\t1\n";
    testutil::WriteFile(m_dir.Path() / "Weapons.txt", strWeapons);
    std::string strArmors = "Name\tArmor\t\n\tType\tMaterial Type\n";
    for (int i = 0; i < 6; ++i) strArmors += "A" + std::to_string(i) + "\tcape\tiron\n";
    testutil::WriteFile(m_dir.Path() / "Armors.txt", strArmors);
    testutil::WriteFile(m_dir.Path() / "QuestItems.txt", "Name\tGeneral\n\tPrice\n");

    const std::string strOutput = Run({"."});
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    EXPECT_EQ("Building materials list:Can't open file \"Materials.txt\".\n"
              "Building weapons list:......\n"
              "Building armors list:....",
              strOutput);
#ifdef NDEBUG
    std::string strExpected;
    for (int i = 0; i < 6; ++i)
        strExpected += "ERROR\nUnknown weapon name: \"club\".\nin \"Weapons.txt\", row \"W" +
                       std::to_string(i) + "\".\n";
    for (int i = 0; i < 4; ++i)
        strExpected += "ERROR\nUnknown armor name: \"cape\".\nin \"Armors.txt\", row \"A" +
                       std::to_string(i) + "\".\n";
    EXPECT_EQ(strExpected + "Stopped after ten errors; items.idb not written.\n", StandardError());
#endif
    // No items.idb, no save's temporary, no lock, no tempreg.ini or tempreg.reg.
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_dir.Path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    std::vector<std::string> expected = {"Armors.txt", "Ini2Reg.bat", "QuestItems.txt",
                                         "Weapons.txt", "stderr.txt", "stdout.txt",
                                         fs::path(testutil::Ini2RegPath()).filename().string()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, files);
}
