// Whole runs on tables the way spreadsheet programs export them: quoted cells, line breaks in
// cells, their number forms, files named after the workbook, the wrong separator, a table that
// is open in the spreadsheet while the build runs.
#include <functional>

#include "loader/include/marrow/Loader.h"
#include "tests/EndToEndFixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
std::vector<std::string> SplitAt(const std::string& strText, char chDelimiter) {
    std::vector<std::string> parts;
    size_t nStart = 0;
    for (size_t n; (n = strText.find(chDelimiter, nStart)) != std::string::npos; nStart = n + 1)
        parts.push_back(strText.substr(nStart, n - nStart));
    parts.push_back(strText.substr(nStart));
    return parts;
}

// The table with every cell for which bQuote holds written as a spreadsheet quotes it.
std::string QuoteCells(const std::string& strTable,
                       const std::function<bool(const std::string&)>& bQuote) {
    std::string strOut;
    const std::vector<std::string> lines = SplitAt(strTable, '\n');
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) strOut += '\n';
        const std::vector<std::string> cells = SplitAt(lines[i], '\t');
        for (size_t k = 0; k < cells.size(); ++k) {
            if (k) strOut += '\t';
            if (!bQuote(cells[k])) {
                strOut += cells[k];
                continue;
            }
            strOut += '"';
            for (const char c : cells[k]) strOut += c == '"' ? std::string("\"\"") : std::string(1, c);
            strOut += '"';
        }
    }
    return strOut;
}

// Replaces the first occurrence of strOld in the table, which must hold it.
void ReplaceIn(const fs::path& table, const std::string& strOld, const std::string& strNew) {
    std::string strText = testutil::ReadFile(table);
    const size_t n = strText.find(strOld);
    ASSERT_NE(std::string::npos, n) << strOld;
    strText.replace(n, strOld.size(), strNew);
    testutil::WriteFile(table, strText);
}

// The database the run wrote, loaded as a game loads it.
marrow::SItemLists Load(const fs::path& database) {
    marrow::SItemLists lists;
    const marrow::SLoadResult result = marrow::LoadItemDatabase(database.string().c_str(), lists);
    EXPECT_EQ(marrow::ELoadStatus::Loaded, result.Status) << result.Reason;
    return lists;
}

bool IsGolden(const fs::path& database) {
    return testutil::ReadFile(database) ==
           testutil::ReadFile(fs::path(MARROW_TESTS_DIR) / "golden" / "examples.idb");
}
}  // namespace

using Spreadsheets = EndToEnd;

// "Quote all text cells" quotes every cell that is no number, headers included; Gnumeric quotes
// every cell that holds a space. Neither changes what the cells say.
TEST_F(Spreadsheets, QuotedExportsBuildTheGoldenDatabase) {
    const std::function<bool(const std::string&)> routes[] = {
        [](const std::string& strCell) { return !strCell.empty(); },
        [](const std::string& strCell) { return strCell.find(' ') != std::string::npos; },
    };
    for (const auto& bQuote : routes) {
        for (const char* pszTable : TABLES)
            testutil::WriteFile(m_dir.Path() / pszTable,
                                QuoteCells(testutil::ReadFile(testutil::ExamplesDir() / pszTable), bQuote));
        Run({"."});
        EXPECT_EQ(0, m_nStatus);
        EXPECT_TRUE(IsGolden(m_dir.Path() / "items.idb"));
        EXPECT_EQ("", StandardError());
    }
}

// Alt+Enter in a cell: the spreadsheet writes the cell quoted over two lines. It stays one row,
// its line break a space, and every row after it is read as before.
TEST_F(Spreadsheets, ALineBreakInACellKeepsTheRowWhole) {
    CopyExamples();
    ReplaceIn(m_dir.Path() / "Weapons.txt", "\nShort Sword\t", "\n\"Short\r\nSword\"\t");
    ReplaceIn(m_dir.Path() / "Weapons.txt", "\tSteel\t", "\t\"St\neel\"\t");
    const std::string strOutput = Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_NE(std::string::npos,
              strOutput.find(HEADINGS[1] + std::string(RowsOf("Weapons.txt"), '.') + "\n"))
        << strOutput;
    const marrow::SItemLists lists = Load(m_dir.Path() / "items.idb");
    ASSERT_EQ(RowsOf("Weapons.txt"), lists.m_weapons.size());
    EXPECT_EQ("short sword", lists.m_weapons[0].Name);
    EXPECT_EQ("St eel", lists.m_weapons[1].MaterialName);
    EXPECT_EQ("broadsword", lists.m_weapons[2].Name);
}

// Gnumeric writes a negative percentage with U+2212; German and French spreadsheets put a
// no-break space before '%' (byte A0 in a Windows code page).
TEST_F(Spreadsheets, SpreadsheetNumberFormsReadAsTheirNumbers) {
    CopyExamples();
    const fs::path weapons = m_dir.Path() / "Weapons.txt";
    ReplaceIn(weapons, "\t20%\t70%\t10%\t", "\t\xE2\x88\x92" "10.00%\t70\xC2\xA0%\t10\xA0%\t");
    ReplaceIn(weapons, "\t15%\t75%\t10%\t", "\t15\xE2\x80\xAF%\t75 %\t\"\xE2\x88\x92" "5%\"\t");
    Run({"."});
    EXPECT_EQ(0, m_nStatus);
    const marrow::SItemLists lists = Load(m_dir.Path() / "items.idb");
    const float* pShort = lists.m_weapons.at(0).DamageProportions.values;
    EXPECT_FLOAT_EQ(-0.1f, pShort[0]);
    EXPECT_FLOAT_EQ(0.7f, pShort[1]);
    EXPECT_FLOAT_EQ(0.1f, pShort[2]);
    const float* pLong = lists.m_weapons.at(1).DamageProportions.values;
    EXPECT_FLOAT_EQ(0.15f, pLong[0]);
    EXPECT_FLOAT_EQ(0.75f, pLong[1]);
    EXPECT_FLOAT_EQ(-0.05f, pLong[2]);
}

// A one-command export names the files after the workbook: no table is read, so nothing is
// saved, and each table says which file was probably meant.
TEST_F(Spreadsheets, TablesNamedAfterTheWorkbookSaveNothingAndAreNamed) {
    for (const char* pszTable : TABLES)
        fs::copy_file(testutil::ExamplesDir() / pszTable, m_dir.Path() / ("Items-" + std::string(pszTable)));
    testutil::WriteFile(m_dir.Path() / "items.idb", "previous database");
    const std::string strOutput = Run({"."});
    EXPECT_EQ(testutil::EXIT_MINUS_ONE, m_nStatus);
    std::string strExpected;
    for (size_t i = 0; i < TABLES.size(); ++i)
        strExpected += HEADINGS[i] + "Can't open file \"" + TABLES[i] + "\".\nFound \"Items-" +
                       TABLES[i] + "\" instead; the table must be named \"" + TABLES[i] + "\".\n";
    EXPECT_EQ(strExpected + "Not saving: none of the six tables could be read.\n", strOutput);
    EXPECT_EQ("previous database", testutil::ReadFile(m_dir.Path() / "items.idb"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.lock"));
}

// A table saved with commas reads as nothing rather than as rows named "none"; the run saves
// the other tables and its last line on standard error says what the database lacks.
TEST_F(Spreadsheets, ACommaSeparatedTableIsReadAsNothingAndTheLogSaysSo) {
    CopyExamples();
    std::string strCommas = testutil::ReadFile(m_dir.Path() / "Materials.txt");
    for (char& c : strCommas)
        if (c == '\t') c = ',';
    testutil::WriteFile(m_dir.Path() / "Materials.txt", strCommas);
    testutil::WriteFile(m_dir.Path() / "Armors.txt", "\tGeneral\n\tPrice\nHelm\t3\n");
    fs::remove(m_dir.Path() / "LootItems.txt");
    const std::string strOutput = Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_EQ(0u, strOutput.find("Building materials list:\"Materials.txt\" looks comma-separated; "
                                 "save it with tabs.\nBuilding weapons list:"))
        << strOutput;
    EXPECT_EQ(
        "Saved, but with table problems: \"Materials.txt\" is not tab-separated, \"Armors.txt\" "
        "has a bad header, \"LootItems.txt\" could not be opened.\n",
        StandardError());
    const marrow::SItemLists lists = Load(m_dir.Path() / "items.idb");
    EXPECT_TRUE(lists.m_materials.empty());
    EXPECT_EQ(RowsOf("Weapons.txt"), lists.m_weapons.size());

    // The examples as they are: nothing on standard error.
    CopyExamples();
    Run({"."});
    EXPECT_EQ(0, m_nStatus);
    EXPECT_EQ("", StandardError());
}

#ifdef _WIN32
// A spreadsheet holds the table it has open for writing, sharing it for reading only.
TEST_F(Spreadsheets, ATableOpenForWritingElsewhereIsRead) {
    CopyExamples();
    const std::string strWeapons = (m_dir.Path() / "Weapons.txt").string();
    HANDLE hHeld = ::CreateFileA(strWeapons.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    const std::string strOutput = Run({"."});
    ::CloseHandle(hHeld);
    EXPECT_EQ(0, m_nStatus) << strOutput;
    EXPECT_EQ(std::string::npos, strOutput.find("Can't")) << strOutput;
    EXPECT_TRUE(IsGolden(m_dir.Path() / "items.idb"));
}
#endif
