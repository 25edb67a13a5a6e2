// Whole runs of the built Marrow executable in temporary directories.
#include "tests/EndToEndFixture.h"


TEST_F(EndToEnd, ExamplesBuildTheGoldenDatabase) {
    CopyExamples();
    fs::create_directory(m_dir.Path() / "out");
    const std::string strOutput = Run({"out"});
    EXPECT_EQ(0, m_nStatus);
    std::string strExpected;
    for (size_t i = 0; i < 6; ++i)
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

TEST_F(EndToEnd, WithoutTheScriptEveryBuilderSaysWhyAndTheRunStillSaves) {
    CopyExamples();
    fs::remove(m_dir.Path() / "Ini2Reg.bat");
    const std::string strOutput = Run({"."});
    EXPECT_EQ(0, m_nStatus);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_NE(std::string::npos, strOutput.find(std::string(HEADINGS[i]) +
                                                    "Can't start Ini2Reg.bat for \"" + TABLES[i] +
                                                    "\""))
            << TABLES[i];
    EXPECT_EQ(24u, fs::file_size(m_dir.Path() / "items.idb"));
}

TEST_F(EndToEnd, NineUnknownWeaponNamesSaveAndTheTenthEndsTheRun) {
    for (int nNames : {9, 10}) {
        std::string strTable = "Name\tWeapon\t\n\tType\tRange\n";
        for (int i = 0; i < nNames; ++i) strTable += "W" + std::to_string(i) + "\tclub\t1\n";
        testutil::WriteFile(m_dir.Path() / "Weapons.txt", strTable);
        fs::remove(m_dir.Path() / "items.idb");
        Run({"."});
        const std::string strErrors = testutil::ReadFile(m_dir.Path() / "stderr.txt");
        if (nNames == 9) {
            EXPECT_EQ(0, m_nStatus);
            EXPECT_TRUE(fs::exists(m_dir.Path() / "items.idb"));
        } else {
            EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
            EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
        }
#ifndef _WIN32
        // Without a desktop each report goes to standard error, once.
        size_t nReports = 0;
        // The box's own line; a debug build also traces each text.
        for (size_t i = 0; (i = strErrors.find("ERROR\nUnknown weapon name", i)) != std::string::npos; ++i)
            ++nReports;
        EXPECT_EQ(static_cast<size_t>(nNames), nReports);
#endif
    }
}
