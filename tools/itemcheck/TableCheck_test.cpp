#include "tools/itemcheck/TableCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/Vocabulary.h"
#include "platform/Platform.h"
#include "testsupport/TestUtil.h"
#include "tools/itemcheck/ItemCheck.h"
#include "tools/itemcheck/Words.h"
#include "tools/workbook/XlsxWriter.h"

namespace {
namespace fs = std::filesystem;

// The text cut at every delimiter, nothing trimmed.
std::vector<std::string> Split(const std::string& strText, char chDelimiter) {
    std::vector<std::string> parts(1);
    for (char c : strText) {
        if (c == chDelimiter)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The cells of an example table's line (from 1), its CR dropped: line 1 of the header is the
// group line, line 2 the sub-column line.
std::vector<std::string> CellsOfLine(const char* pszTable, size_t nLine) {
    std::string strLine =
        Split(testutil::ReadFile(testutil::ExamplesDir() / pszTable), '\n').at(nLine - 1);
    if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
    return Split(strLine, '\t');
}

// The cell (from 1) of a column in an example table, found in its header lines as the builder
// finds it, so that a column added to the tables moves the cells of these tests with it: the
// group's cell for a column of its own, otherwise the sub-column's cell in the group's span.
int CellOf(const char* pszTable, const SColumnInfo& column) {
    const std::vector<std::string> groups = CellsOfLine(pszTable, 1);
    const std::vector<std::string> subs = CellsOfLine(pszTable, 2);
    const std::string_view strSub = column.pszSub;
    for (size_t i = 0; i < groups.size(); ++i) {
        if (groups[i] != column.pszGroup) continue;
        if (strSub.empty()) return static_cast<int>(i + 1);
        for (size_t j = i; j < subs.size(); ++j) {
            if (j > i && j < groups.size() && !groups[j].empty()) break;  // the next group
            if (subs[j] == strSub) return static_cast<int>(j + 1);
        }
    }
    ADD_FAILURE() << pszTable << " has no column " << column.pszName;
    return 0;
}

// The columns of an example table's header: the cells of its group line.
int WidthOf(const char* pszTable) { return static_cast<int>(CellsOfLine(pszTable, 1).size()); }

// The rows of an example table: every line but the two header lines.
std::string RowsOfExample(const char* pszTable) {
    const std::string strTable = testutil::ReadFile(testutil::ExamplesDir() / pszTable);
    return std::to_string(std::count(strTable.begin(), strTable.end(), '\n') - 2) + " rows";
}

// Where a finding points: "Weapons.txt:6:19 (S6)".
std::string At(const char* pszTable, int nLine, int nCell) {
    return std::string(pszTable) + ":" + std::to_string(nLine) + ":" + std::to_string(nCell) +
           " (" + ColumnLetters(static_cast<std::uint32_t>(nCell)) + std::to_string(nLine) + ")";
}

// One mistake of each kind the checker knows, in copies of the example tables.
struct SSeed {
    const char* pszTable;
    int nLine;
    int nCell;
    const char* pszText;
};
std::vector<SSeed> Seeds() {
    using namespace columns;
    const char* const MATERIALS = "Materials.txt";
    const char* const WEAPONS = "Weapons.txt";
    const char* const ARMORS = "Armors.txt";
    const char* const QUICK = "QuickItems.txt";
    const char* const LOOT = "LootItems.txt";
    return {
        // The header: a misspelled column, a repeated one (two columns added to the loot items'
        // header), a group cell that widens its neighbour, a sub-column beyond the group line.
        {WEAPONS, 2, CellOf(WEAPONS, PRICE), "Prise"},
        {LOOT, 1, WidthOf(LOOT) + 1, "Loot"},
        {LOOT, 1, WidthOf(LOOT) + 2, ""},
        {LOOT, 2, WidthOf(LOOT) + 1, "Type"},
        {LOOT, 2, WidthOf(LOOT) + 2, ""},
        {MATERIALS, 1, CellOf(MATERIALS, SHOP_2), "(Shop)"},
        {QUICK, 2, WidthOf(QUICK) + 1, "Notes"},
        // Values the getter will not take as they stand, or reads otherwise.
        {MATERIALS, 3, WidthOf(MATERIALS) + 2, "extra"},
        {WEAPONS, 3, CellOf(WEAPONS, WEAPON_DAMAGE_MIN), "forty"},
        {WEAPONS, 4, CellOf(WEAPONS, WEIGHT), "2,5"},
        {WEAPONS, 5, CellOf(WEAPONS, WEAPON_MATERIAL), "Iron, Steel"},
        {WEAPONS, 6, CellOf(WEAPONS, WEAPON_ACTIONS), "2.5"},
        {MATERIALS, 5, CellOf(MATERIALS, MATERIAL_CODE_NAME), "1.50"},
        // Values out of their field's range.
        {ARMORS, 3, CellOf(ARMORS, SKILL_LISTS), "awareness 300"},
        {QUICK, 3, CellOf(QUICK, SKILL_LISTS), "sense -1"},
        {WEAPONS, 7, CellOf(WEAPONS, SHOP_1), "2"},
        {ARMORS, 4, CellOf(ARMORS, MAIN_CRIPPLED), "1,32"},
        {MATERIALS, 4, CellOf(MATERIALS, ABSORPTION_CRIPPLED), "3,x"},
        // Words outside the vocabularies, and list entries the builders ignore.
        {WEAPONS, 8, CellOf(WEAPONS, WEAPON_TYPE), "Swrod"},
        {ARMORS, 5, CellOf(ARMORS, ARMOR_TYPE), "Helmet"},
        {QUICK, 4, CellOf(QUICK, QUICK_TYPE), "Sensor"},
        {LOOT, 3, CellOf(LOOT, LOOT_TYPE), "Tresure"},
        {QUICK, 5, CellOf(QUICK, QUICK_DAMAGE_TYPE), "Slashng"},
        {ARMORS, 6, CellOf(ARMORS, SKILL_LISTS), "stelth 1"},
        {WEAPONS, 9, CellOf(WEAPONS, WEAPON_LISTS), "melee 2, defense 1"},
        {WEAPONS, 10, CellOf(WEAPONS, WEAPON_LISTS), "melee2"},
        {WEAPONS, 11, CellOf(WEAPONS, WEAPON_LISTS), "attack 1.5x"},
        {WEAPONS, 12, CellOf(WEAPONS, WEAPON_TYPE), ""},
        // Rows the converter skips (the name is a row's first cell); QuestItems.txt goes missing
        // in the test itself.
        {LOOT, 4, 1, ""},
        {LOOT, 5, 1, "GOLD COINS"},
    };
}

// What the checker says of the seeds: each finding where its seed lies, in the checker's order.
std::vector<std::string> SeededReport() {
    const std::vector<SSeed> seeds = Seeds();
    // Where the seed of the table's line lies. Each line holds one seed, but for the loot
    // items' two header lines, where the finding is at the first of the two.
    const auto at = [&seeds](const char* pszTable, int nLine) {
        for (const SSeed& seed : seeds)
            if (seed.nLine == nLine && std::string_view(seed.pszTable) == pszTable)
                return At(pszTable, nLine, seed.nCell);
        ADD_FAILURE() << "no seed in " << pszTable << " line " << nLine;
        return std::string();
    };
    const std::string strMaterialsWidth = std::to_string(WidthOf("Materials.txt"));
    const std::string strQuickWidth = std::to_string(WidthOf("QuickItems.txt"));
    const std::string strLootType = std::to_string(CellOf("LootItems.txt", columns::LOOT_TYPE));
    // clang-format off
    std::vector<std::string> report = {
        at("Materials.txt", 1) + ": group cell \"(Shop)\" starts with no letter or digit, so it widens group \"Available In Shop\" instead of starting a group",
        at("Materials.txt", 3) + ": the row has cells beyond the " + strMaterialsWidth + " columns of the header; they are dropped",
        at("Materials.txt", 4) + ": crippled entry \"x\" is no whole number; it sets bit 0",
        at("Materials.txt", 5) + ": \"1.50\" in \"Material Code Name\" is read as the number 1.5",
        at("Weapons.txt", 2) + ": column \"General Prise\" is read by no builder of weapons; did you mean \"General Price\"?",
        at("Weapons.txt", 3) + ": \"forty\" in \"Weapon Damage Min\" is no number; the builder uses the default -1",
        at("Weapons.txt", 4) + ": \"2,5\" in \"General Weight\" is a list to the converter (a decimal comma?); the builder uses the default 1",
        at("Weapons.txt", 5) + ": \"Iron, Steel\" in \"Weapon Material Type\" is a list where one value is read; the builder uses the default \"none\"",
        at("Weapons.txt", 6) + ": \"2.5\" in the integer column \"Weapon Actions\" is read as 2",
        at("Weapons.txt", 7) + ": shop flag 2 in \"Available In Shop 1\" is not 0 or 1",
        at("Weapons.txt", 8) + ": unknown weapon type \"Swrod\"; did you mean \"sword\"?",
        at("Weapons.txt", 9) + ": unknown skill \"defense\" in \"Lists\"; did you mean \"defence\"?",
        at("Weapons.txt", 10) + ": entry \"melee2\" has no space and is ignored; did you mean \"melee 2\"?",
        at("Weapons.txt", 11) + ": attack value \"1.5x\" is no number; it is read as 1.5",
        at("Weapons.txt", 12) + ": empty weapon type; the builder's default \"none\" is no weapon type",
        at("Armors.txt", 3) + ": skill level 300 of awareness is outside 0 to 255; it is stored as 44",
        at("Armors.txt", 4) + ": crippled number 32 is outside 0 to 31; it sets bit 0",
        at("Armors.txt", 5) + ": unknown armor type \"Helmet\"; did you mean \"helm\"?",
        at("Armors.txt", 6) + ": unknown skill \"stelth\" in \"Lists\"; did you mean \"stealth\"?",
        at("QuickItems.txt", 2) + ": sub-column \"Notes\" lies beyond the " + strQuickWidth + " columns of the group line and names no column",
        at("QuickItems.txt", 3) + ": skill level -1 of sense is outside 0 to 255; it is stored as 255",
        at("QuickItems.txt", 4) + ": unknown quick item type \"Sensor\"; did you mean \"dangersensor\"?",
        at("QuickItems.txt", 5) + ": unknown damage type \"Slashng\"; did you mean \"slashing\"?",
        "QuestItems.txt:0:0: the table is missing; the build gives an empty list of quest items",
        at("LootItems.txt", 2) + ": column \"Loot Type\" repeats column " + strLootType + "; each row gives only the first non-empty cell of the two",
        at("LootItems.txt", 3) + ": unknown loot type \"Tresure\"; did you mean \"treasure\"?",
        at("LootItems.txt", 4) + ": the row has no name (an empty first cell) and is skipped",
        at("LootItems.txt", 5) + ": row \"GOLD COINS\" repeats the name of line 3 (case aside) and is skipped",
    };
    const std::map<std::string, std::string> SUMMARIES = {
        {"Materials.txt", "20 rows, 4 problems"},
        {"Weapons.txt", "22 rows, 11 problems"},
        {"Armors.txt", "20 rows, 4 problems"},
        {"QuickItems.txt", "18 rows, 4 problems"},
        {"QuestItems.txt", "0 rows, 1 problem"},
        {"LootItems.txt", "19 rows, 4 problems"},
    };
    // clang-format on
    // A line per table in build order; a table that holds no seed is checked as its example.
    for (const SKindColumns& kind : AllKinds()) {
        const auto it = SUMMARIES.find(kind.pszTable);
        report.push_back(std::string(kind.pszTable) + ": " +
                         (it != SUMMARIES.end() ? it->second : RowsOfExample(kind.pszTable) + ", no problems"));
    }
    return report;
}

std::vector<std::string> LinesOf(const std::string& strText) {
    std::vector<std::string> lines = Split(strText, '\n');
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

std::string SummaryOf(const std::string& strPrefix, const char* pszRows) {
    std::string strSummary;
    for (const SKindColumns& kind : AllKinds())
        strSummary += strPrefix + kind.pszTable + ": " + pszRows + ", no problems\n";
    return strSummary;
}

std::string FoldedName(std::string str) {
    for (char& c : str)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return str;
}

// For each column object, the kinds whose builders read it: "weapons,armors,".
std::map<const SColumnInfo*, std::string> KindsOfEachColumn() {
    std::map<const SColumnInfo*, std::string> kindsOf;
    for (const SKindColumns& kind : AllKinds())
        for (const SColumnInfo* pColumn : kind.columns)
            kindsOf[pColumn] += std::string(kind.pszKind) + ",";
    return kindsOf;
}

// The example tables in a fresh folder, where single cells can be changed.
class ItemCheck : public testing::Test {
protected:
    void SetUp() override {
        for (const SKindColumns& kind : AllKinds())
            fs::copy_file(testutil::ExamplesDir() / kind.pszTable, m_dir.Path() / kind.pszTable);
    }
    // Puts the text into a cell (both from 1), keeping the line's CR; missing cells are added.
    void SetCell(const char* pszTable, int nLine, int nCell, const std::string& strText) {
        std::vector<std::string> lines = Split(testutil::ReadFile(m_dir.Path() / pszTable), '\n');
        std::string& strLine = lines[static_cast<size_t>(nLine - 1)];
        const bool bCr = !strLine.empty() && strLine.back() == '\r';
        if (bCr) strLine.pop_back();
        std::vector<std::string> cells = Split(strLine, '\t');
        if (cells.size() < static_cast<size_t>(nCell)) cells.resize(static_cast<size_t>(nCell));
        cells[static_cast<size_t>(nCell - 1)] = strText;
        strLine = cells[0];
        for (size_t i = 1; i < cells.size(); ++i) strLine += "\t" + cells[i];
        if (bCr) strLine += '\r';
        std::string strTable;
        for (size_t i = 0; i < lines.size(); ++i) strTable += (i ? "\n" : "") + lines[i];
        testutil::WriteFile(m_dir.Path() / pszTable, strTable);
    }
    void Write(const char* pszTable, const std::string& strText) {
        testutil::WriteFile(m_dir.Path() / pszTable, strText);
    }
    // Runs itemcheck in the folder; m_out and m_err receive what it prints.
    int Run(const std::vector<std::string>& args = {}) {
        testutil::CCurrentDirectory here(m_dir.Path());
        m_out.clear();
        m_err.clear();
        return RunItemCheck(args, m_out, m_err);
    }
    // The findings about one table.
    std::vector<std::string> FindingsOf(const std::string& strTable) {
        std::vector<std::string> findings;
        for (const std::string& strLine : LinesOf(m_out))
            if (strLine.rfind(strTable + ":", 0) == 0 && strLine.find(": ") > strTable.size() + 1)
                findings.push_back(strLine);
        return findings;
    }

    testutil::CTempDir m_dir;
    std::string m_out, m_err;
};
}  // namespace

// ---- Checking tables ------------------------------------------------------------------------

TEST_F(ItemCheck, ExampleTablesAreClean) {
    const std::string strExamples = testutil::ExamplesDir().string();
    EXPECT_EQ(CHECK_CLEAN, RunItemCheck({strExamples}, m_out, m_err));
    const std::string strPrefix = strExamples + platform::PATH_SEPARATOR;
    std::string strExpected;
    for (const SKindColumns& kind : AllKinds())
        strExpected += strPrefix + kind.pszTable + ": " + RowsOfExample(kind.pszTable) + ", no problems\n";
    EXPECT_EQ(strExpected, m_out);
    EXPECT_EQ("", m_err);
}

TEST_F(ItemCheck, EachSeededMistakeIsReportedAtItsLineAndCellAndNothingElse) {
    for (const SSeed& seed : Seeds()) SetCell(seed.pszTable, seed.nLine, seed.nCell, seed.pszText);
    fs::remove(m_dir.Path() / "QuestItems.txt");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ(SeededReport(), LinesOf(m_out));
    EXPECT_EQ("", m_err);
}

// The same mistakes in a workbook's sheets (every cell typed as text, as a designer types it):
// each finding names the sheet's cell, and a missing sheet is named.
TEST_F(ItemCheck, AWorkbookIsCheckedSheetBySheetWithFindingsAtTheSheetsCells) {
    for (const SSeed& seed : Seeds()) SetCell(seed.pszTable, seed.nLine, seed.nCell, seed.pszText);
    std::vector<SBookSheet> sheets;
    for (const SKindColumns& kind : AllKinds()) {
        if (std::string_view(kind.pszTable) == "QuestItems.txt") continue;
        SBookSheet& sheet = sheets.emplace_back();
        sheet.strName = std::string(kind.pszTable).substr(0, std::string(kind.pszTable).size() - 4);
        for (std::string strLine : LinesOf(testutil::ReadFile(m_dir.Path() / kind.pszTable))) {
            if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
            std::vector<SBookCell>& row = sheet.rows.emplace_back();
            for (const std::string& strCell : Split(strLine, '\t'))
                row.push_back(strCell.empty() ? SBookCell() : SBookCell{SBookCell::EKind::Text, 0, strCell});
        }
    }
    Write("Items.xlsx", XlsxOf(sheets));
    EXPECT_EQ(CHECK_PROBLEMS, Run({"Items.xlsx"}));
    EXPECT_EQ("", m_err);
    const std::vector<std::string> lines = LinesOf(m_out);
    const auto has = [&lines](const std::string& strLine) {
        return std::find(lines.begin(), lines.end(), strLine) != lines.end();
    };
    size_t nCompared = 0;
    for (const std::string& strFinding : SeededReport()) {
        // "Weapons.txt:8:14 (N8): text" is "Items.xlsx:Weapons!N8: text" in the workbook. A cell
        // holding a comma is read as the sheet quotes it, so its finding has other words; and
        // a sheet is as wide as its widest row, so the header's seeds read otherwise.
        const size_t nOpen = strFinding.find(" ("), nClose = strFinding.find("): ");
        if (nOpen == std::string::npos || strFinding.find(":1:") != std::string::npos ||
            strFinding.find(":2:") != std::string::npos || strFinding.find("beyond the") != std::string::npos)
            continue;
        const std::string strCell = strFinding.substr(nOpen + 2, nClose - nOpen - 2);
        const std::string strTable = strFinding.substr(0, strFinding.find(".txt"));
        const std::string strText = strFinding.substr(nClose + 3);
        if (strText.find(',') != std::string::npos && strText.find('"') < strText.find(',')) {
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& strLine) {
                return strLine.starts_with("Items.xlsx:" + strTable + "!" + strCell + ": ");
            })) << strFinding << "\n" << m_out;
            continue;
        }
        EXPECT_TRUE(has("Items.xlsx:" + strTable + "!" + strCell + ": " + strText)) << strFinding << "\n" << m_out;
        ++nCompared;
    }
    EXPECT_GE(nCompared, 18u);
    EXPECT_TRUE(has("Items.xlsx: no sheet \"QuestItems\"; the build gives an empty list of quest items")) << m_out;
    EXPECT_NE(std::string::npos, m_out.find("\nItems.xlsx:Weapons: 22 rows, 11 problems")) << m_out;
    // A workbook that is no workbook cannot be checked.
    Write("Broken.xlsx", "PK not really");
    EXPECT_EQ(CHECK_FAILED, Run({"Broken.xlsx"}));
    EXPECT_NE(std::string::npos, m_err.find("itemcheck: \"Broken.xlsx\" cannot be read: it is no zip archive")) << m_err;
}

// The builders keep a material as written; only the checker tells a misspelt one.
TEST_F(ItemCheck, AMaterialThatIsNoRowOfTheMaterialsIsReportedForEveryKind) {
    const int nWeapon = CellOf("Weapons.txt", columns::WEAPON_MATERIAL);
    const int nArmor = CellOf("Armors.txt", columns::ARMOR_MATERIAL);
    const int nQuick = CellOf("QuickItems.txt", columns::QUICK_MATERIAL);
    const int nLoot = CellOf("LootItems.txt", columns::LOOT_SCRAP_MATERIAL);
    SetCell("Weapons.txt", 7, nWeapon, "Irn");
    SetCell("Weapons.txt", 8, nWeapon, "iron");  // case aside, it is the row "Iron"
    SetCell("Weapons.txt", 9, nWeapon, "none");  // the default: no material
    SetCell("Armors.txt", 7, nArmor, "Stell");
    SetCell("QuickItems.txt", 7, nQuick, "Bronce");
    SetCell("LootItems.txt", 7, nLoot, "\"Gould\"");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  At("Weapons.txt", 7, nWeapon) +
                  ": material \"Irn\" is not a row of Materials.txt; did you mean \"Iron\"?"}),
              FindingsOf("Weapons.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  At("Armors.txt", 7, nArmor) +
                  ": material \"Stell\" is not a row of Materials.txt; did you mean \"Steel\"?"}),
              FindingsOf("Armors.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  At("QuickItems.txt", 7, nQuick) +
                  ": material \"Bronce\" is not a row of Materials.txt; did you mean \"Bronze\"?"}),
              FindingsOf("QuickItems.txt"));
    // The quotes go; what is left is still no material.
    EXPECT_EQ((std::vector<std::string>{
                  At("LootItems.txt", 7, nLoot) +
                  ": material \"Gould\" is not a row of Materials.txt; did you mean \"Gold\"?"}),
              FindingsOf("LootItems.txt"));

    // Without the materials, that is one finding, not one per reference.
    fs::remove(m_dir.Path() / "Materials.txt");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{}), FindingsOf("Weapons.txt"));
    EXPECT_EQ((std::vector<std::string>{"Materials.txt:0:0: the table is missing; the build gives "
                                        "an empty list of materials"}),
              FindingsOf("Materials.txt"));
}

TEST_F(ItemCheck, AMissingTableIsOneFindingAndTheExitStatusIsOne) {
    fs::remove(m_dir.Path() / "Armors.txt");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  "Armors.txt:0:0: the table is missing; the build gives an empty list of armors"}),
              FindingsOf("Armors.txt"));
    EXPECT_NE(std::string::npos, m_out.find("\nArmors.txt: 0 rows, 1 problem\n"));
}

TEST_F(ItemCheck, AFolderThatIsNotThereCannotBeChecked) {
    EXPECT_EQ(CHECK_FAILED, Run({"no such folder"}));
    EXPECT_EQ("", m_out);
    EXPECT_EQ("itemcheck: there is no folder \"no such folder\".\n", m_err);
}

TEST_F(ItemCheck, UnexpectedArgumentsCannotRunAndShowTheUsage) {
    EXPECT_EQ(CHECK_FAILED, Run({"a", "b"}));
    EXPECT_EQ(0u, m_err.find("itemcheck: unexpected arguments.\nitemcheck: checks"));
    EXPECT_EQ(CHECK_FAILED, Run({"--colums"}));
    EXPECT_EQ(CHECK_CLEAN, Run({"--help"}));
    EXPECT_EQ(0u, m_out.find("itemcheck: checks the six item tables"));
}

TEST_F(ItemCheck, AFolderArgumentPrefixesEveryTableName) {
    testutil::CTempDir empty;
    EXPECT_EQ(CHECK_PROBLEMS, RunItemCheck({empty.Path().string() + "/"}, m_out, m_err));
    const std::string strPrefix = empty.Path().string() + "/";
    // The first table's finding opens the report and the last table's count ends it.
    EXPECT_EQ(strPrefix + AllKinds().front().pszTable +
                  ":0:0: the table is missing; the build gives an empty list of " +
                  AllKinds().front().pszKind,
              LinesOf(m_out)[0]);
    EXPECT_EQ(strPrefix + AllKinds().back().pszTable + ": 0 rows, 1 problem", LinesOf(m_out).back());
}

TEST_F(ItemCheck, ABadHeaderIsReportedAndTheRestOfTheTableIsNotRead) {
    Write("QuestItems.txt", testutil::Table({{"", "General"}, {"", "Price"}, {"Seal", "x"}}));
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{"QuestItems.txt:1:1 (A1): bad header: the first cell starts no "
                                        "group, so the build reads nothing of the table"}),
              FindingsOf("QuestItems.txt"));
    EXPECT_NE(std::string::npos, m_out.find("\nQuestItems.txt: 0 rows, 1 problem\n"));
}

TEST_F(ItemCheck, AZeroByteEndsTheTableWhereItStands) {
    std::string strTable = HeaderLinesOf(AllKinds()[4]) + "Seal\nCoin\t1\tx";
    strTable.back() = '\0';
    Write("QuestItems.txt", strTable);
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{"QuestItems.txt:4:3: a zero byte (saved as UTF-16?) ends "
                                        "the text here; the build ignores the rest of the table"}),
              FindingsOf("QuestItems.txt"));
    EXPECT_NE(std::string::npos, m_out.find("\nQuestItems.txt: 2 rows, 1 problem\n"));
}

TEST_F(ItemCheck, AMissingColumnIsReportedOnceForTheWholeTable) {
    std::string strHeader = HeaderLinesOf(AllKinds()[4]);
    // General loses one spanned column and the sub-column Mana.
    strHeader.replace(strHeader.find("General\t\t"), 9, "General\t");
    strHeader.replace(strHeader.find("\tMana"), 5, "");
    Write("QuestItems.txt", strHeader + "Seal\nCoin\n");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  "QuestItems.txt:0:0: no column \"General Mana\"; every row gets the default 0"}),
              FindingsOf("QuestItems.txt"));
}

TEST_F(ItemCheck, ACellUnderAColumnWithoutNameIsDropped) {
    const std::string strHeader = HeaderLinesOf(AllKinds()[4]);
    Write("QuestItems.txt", strHeader + "Seal\n");
    // Quest Items, the last group, now spans two nameless columns more.
    const int nCell = static_cast<int>(Split(Split(strHeader, '\n')[0], '\t').size()) + 2;
    SetCell("QuestItems.txt", 1, nCell, "");
    SetCell("QuestItems.txt", 3, nCell, "note");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  At("QuestItems.txt", 3, nCell) +
                  ": the column has no sub-column name, so the cell is dropped"}),
              FindingsOf("QuestItems.txt"));
}

TEST_F(ItemCheck, MoreRowsThanTheConverterTakesAreReported) {
    std::string strTable = HeaderLinesOf(AllKinds()[4]);
    for (int i = 0; i < 65536; ++i) strTable += "Seal " + std::to_string(i) + "\n";
    Write("QuestItems.txt", strTable);
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{"QuestItems.txt:0:0: the table has 65536 rows; the "
                                        "converter takes at most 65,535, so the build reads none"}),
              FindingsOf("QuestItems.txt"));
}

TEST_F(ItemCheck, IntegerColumnsTakeWholeFloatsAndFlagsTakeOnlyZeroAndOne) {
    const int nSlots = CellOf("Weapons.txt", columns::SLOTS);
    const int nShop = CellOf("Weapons.txt", columns::SHOP_1);
    SetCell("Weapons.txt", 3, nSlots, "2.0");  // read as 2 exactly
    SetCell("Weapons.txt", 3, CellOf("Weapons.txt", columns::WEAPON_ACTIONS), "1e1");  // 10
    SetCell("Weapons.txt", 3, nShop, "1.0");  // a shop flag of 1
    SetCell("Weapons.txt", 4, nShop, "-1");
    SetCell("Weapons.txt", 5, nSlots, "3000000000");  // beyond 32 bits: a float, then saturated
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  At("Weapons.txt", 4, nShop) +
                      ": shop flag -1 in \"Available In Shop 1\" is not 0 or 1",
                  At("Weapons.txt", 5, nSlots) +
                      ": \"3000000000\" in the integer column \"General Slots\" is read as "
                      "2147483647"}),
              FindingsOf("Weapons.txt"));
}

TEST_F(ItemCheck, ListEntriesAreJudgedAsTheConverterSplitsThem) {
    const int nWeaponLists = CellOf("Weapons.txt", columns::WEAPON_LISTS);
    const int nArmorLists = CellOf("Armors.txt", columns::SKILL_LISTS);
    const int nCrippled = CellOf("Armors.txt", columns::MAIN_CRIPPLED);
    SetCell("Weapons.txt", 3, nWeaponLists, "melee 2,, attack 1,5");  // "5" is an entry of its own
    SetCell("Weapons.txt", 4, nWeaponLists, "melee 2.5, attack -.5e1");
    SetCell("Armors.txt", 3, nArmorLists, "melee 1, attack 2, stealth");
    SetCell("Armors.txt", 4, nCrippled, "31, -1, 3.5");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ(
        (std::vector<std::string>{
            At("Weapons.txt", 3, nWeaponLists) +
                ": entry \"5\" has no space and is ignored; an entry is a name, a space and a value",
            At("Weapons.txt", 4, nWeaponLists) +
                ": skill level \"2.5\" of melee is no whole number; it is read as 2"}),
        FindingsOf("Weapons.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  At("Armors.txt", 3, nArmorLists) +
                      ": \"attack\" counts only in the \"Lists\" of weapons; here it is ignored",
                  At("Armors.txt", 3, nArmorLists) +
                      ": entry \"stealth\" has no value after a space and is ignored",
                  At("Armors.txt", 4, nCrippled) +
                      ": crippled number -1 is outside 0 to 31; it sets bit 31",
                  At("Armors.txt", 4, nCrippled) +
                      ": crippled entry \"3.5\" is no whole number; it sets bit 3"}),
              FindingsOf("Armors.txt"));
}

// A spreadsheet's quotes are transport: a quoted cell that reads as it shows is a note, shown
// with --notes and not counted; one that still reads as something else is a problem.
TEST_F(ItemCheck, QuotedCellsThatReadAsTheyShowAreNotesAndTheRestProblems) {
    const int nSpell = CellOf("QuickItems.txt", columns::QUICK_SPELL);
    const int nDamage = CellOf("QuickItems.txt", columns::QUICK_DAMAGE);
    const int nDamageType = CellOf("QuickItems.txt", columns::QUICK_DAMAGE_TYPE);
    const int nLists = CellOf("Weapons.txt", columns::WEAPON_LISTS);
    SetCell("QuickItems.txt", 3, nSpell, "\"12\"");  // the text 12
    SetCell("QuickItems.txt", 4, nSpell, "+12");     // unquoted, read as the number 12
    SetCell("QuickItems.txt", 5, nDamage, "\"25%\""); // the number 25
    SetCell("QuickItems.txt", 6, nDamage, "40 %");    // the percent sign and the blank go
    SetCell("QuickItems.txt", 6, nSpell, "\"a \"\"b\"\"\"");  // doubled quotes stand for one
    SetCell("QuickItems.txt", 7, nDamageType, "\"CHEMIC\"");
    SetCell("QuickItems.txt", 8, nDamage, "\"1,5\"");  // a decimal comma stays no number
    SetCell("Weapons.txt", 3, nLists, "\"melee 2, attack 1\"");  // a list column splits it again
    SetCell("Weapons.txt", 4, nLists, "\"melee x\"");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  At("Weapons.txt", 4, nLists) +
                  ": skill level \"x\" of melee is no whole number; it is read as 0"}),
              FindingsOf("Weapons.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  At("QuickItems.txt", 4, nSpell) +
                      ": \"+12\" in \"Quick Items Spell\" is read as the number 12",
                  At("QuickItems.txt", 8, nDamage) +
                      ": \"1,5\" in \"Quick Items Damage\" has a decimal comma, so it is no "
                      "number; the builder uses the default 0"}),
              FindingsOf("QuickItems.txt"));
    EXPECT_NE(std::string::npos, m_out.find("\nQuickItems.txt: 18 rows, 2 problems, 4 notes\n"));

    EXPECT_EQ(CHECK_PROBLEMS, Run({"--notes"}));
    EXPECT_EQ((std::vector<std::string>{
                  At("Weapons.txt", 3, nLists) +
                      ": note: \"melee 2, attack 1\" in \"Lists\" is quoted; it is read as the "
                      "list \"melee 2\", \"attack 1\"",
                  At("Weapons.txt", 4, nLists) +
                      ": skill level \"x\" of melee is no whole number; it is read as 0"}),
              FindingsOf("Weapons.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  At("QuickItems.txt", 3, nSpell) +
                      ": note: \"12\" in \"Quick Items Spell\" is quoted; it is read as the text "
                      "\"12\"",
                  At("QuickItems.txt", 4, nSpell) +
                      ": \"+12\" in \"Quick Items Spell\" is read as the number 12",
                  At("QuickItems.txt", 5, nDamage) +
                      ": note: \"25%\" in \"Quick Items Damage\" is quoted; it is read as the "
                      "number 25",
                  At("QuickItems.txt", 6, nSpell) +
                      ": note: \"a \"b\"\" in \"Quick Items Spell\" is quoted; it is read as the "
                      "text \"a \"b\"\"",
                  At("QuickItems.txt", 7, nDamageType) +
                      ": note: \"CHEMIC\" in \"Quick Items Damage Type\" is quoted; it is read "
                      "as the text \"CHEMIC\"",
                  At("QuickItems.txt", 8, nDamage) +
                      ": \"1,5\" in \"Quick Items Damage\" has a decimal comma, so it is no "
                      "number; the builder uses the default 0"}),
              FindingsOf("QuickItems.txt"));
}

// Only notes: the gate stays open.
TEST_F(ItemCheck, TablesWhoseEveryCellIsQuotedAreClean) {
    for (const SKindColumns& kind : AllKinds()) {
        std::string strQuoted;
        for (const std::string& strLine : Split(testutil::ReadFile(m_dir.Path() / kind.pszTable), '\n')) {
            if (strLine.empty()) continue;
            std::string strOut;
            for (const std::string& strCell : Split(strLine, '\t'))
                strOut += (strOut.empty() ? "\"" : "\t\"") + strCell + "\"";
            strQuoted += strOut + "\n";
        }
        Write(kind.pszTable, strQuoted);
    }
    EXPECT_EQ(CHECK_CLEAN, Run());
    EXPECT_EQ(std::string::npos, m_out.find("problem,")) << m_out;
    EXPECT_NE(std::string::npos, m_out.find("Weapons.txt: 22 rows, no problems, ")) << m_out;
}

// A quoted cell over two lines is one row: the file line and the sheet's row part after it.
TEST_F(ItemCheck, AfterAMultiLineCellFindingsNameTheFileLineAndTheSheetRow) {
    const int nType = CellOf("Weapons.txt", columns::WEAPON_TYPE);
    SetCell("Weapons.txt", 4, 1, "\"Long\nSword\"");
    SetCell("Weapons.txt", 6, nType, "Swrod");  // the file's line 6 is the sheet's row 5
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  "Weapons.txt:6:" + std::to_string(nType) + " (" +
                  ColumnLetters(static_cast<std::uint32_t>(nType)) +
                  "5): unknown weapon type \"Swrod\"; did you mean \"sword\"?"}),
              FindingsOf("Weapons.txt"));
    EXPECT_NE(std::string::npos, m_out.find("\nWeapons.txt: 22 rows, 1 problem, 1 note\n")) << m_out;
}

TEST(ColumnLetters, CountLikeASpreadsheet) {
    EXPECT_EQ("A", ColumnLetters(1));
    EXPECT_EQ("Z", ColumnLetters(26));
    EXPECT_EQ("AA", ColumnLetters(27));
    EXPECT_EQ("AZ", ColumnLetters(52));
    EXPECT_EQ("BA", ColumnLetters(53));
    EXPECT_EQ("ZZ", ColumnLetters(702));
    EXPECT_EQ("AAA", ColumnLetters(703));
    EXPECT_EQ("XFD", ColumnLetters(16384));
}

// The tables a designer exported under another name, or with commas, are named as such.
TEST_F(ItemCheck, MisnamedAndCommaSeparatedTablesAreNamed) {
    fs::rename(m_dir.Path() / "Weapons.txt", m_dir.Path() / "Items-Weapons.txt");
    fs::rename(m_dir.Path() / "Armors.txt", m_dir.Path() / "armors.TXT");
    Write("LootItems.txt", "Name,General,,\n,Price,Weight\nCoin,1,2\n");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    EXPECT_EQ((std::vector<std::string>{
                  "Weapons.txt:0:0: the table is missing; the build gives an empty list of "
                  "weapons; found \"Items-Weapons.txt\" instead, but the table must be named "
                  "\"Weapons.txt\""}),
              FindingsOf("Weapons.txt"));
#ifndef _WIN32  // where names are compared case aside, "armors.TXT" is the table
    EXPECT_EQ((std::vector<std::string>{
                  "Armors.txt:0:0: the table is missing; the build gives an empty list of armors; "
                  "found \"armors.TXT\" instead, but the table must be named \"Armors.txt\""}),
              FindingsOf("Armors.txt"));
#endif
    EXPECT_EQ((std::vector<std::string>{
                  "LootItems.txt:1:1 (A1): the table looks comma-separated, so the build reads "
                  "nothing of it; save it with tabs"}),
              FindingsOf("LootItems.txt"));
}

// ---- The column reference and the templates --------------------------------------------------

TEST_F(ItemCheck, ColumnsListsEachColumnWithTypeDefaultAndMeaning) {
    EXPECT_EQ(CHECK_CLEAN, Run({"--columns"}));
    const std::vector<std::string> lines = LinesOf(m_out);
    EXPECT_EQ("Materials.txt: the columns the builder of materials reads", lines[0]);
    EXPECT_EQ(
        "  Column                              Type     Default     Field: what becomes of the "
        "value",
        lines[1]);
    EXPECT_EQ("  Name                                text     \"none\"      Name: lowercased",
              lines[2]);
    const auto it =
        std::find(lines.begin(), lines.end(),
                  "  Weapon Damage Min                   number   -1          DamageMin: x 0.1");
    EXPECT_NE(lines.end(), it);
    size_t nColumns = 0;
    for (const SKindColumns& kind : AllKinds()) nColumns += kind.columns.size();
    // Per kind a title, a heading and the columns; an empty line between kinds.
    EXPECT_EQ(nColumns + 3 * AllKinds().size() - 1, lines.size());
}

TEST_F(ItemCheck, CommittedTemplatesAreTheHeaderLinesOfTheColumnTables) {
    for (const SKindColumns& kind : AllKinds())
        EXPECT_EQ(HeaderLinesOf(kind),
                  testutil::ReadFile(testutil::ExamplesDir() / "templates" / kind.pszTable))
            << kind.pszTable;
}

TEST_F(ItemCheck, TemplatesOptionWritesEachKindsHeaderLinesIntoANewFolder) {
    EXPECT_EQ(CHECK_CLEAN, Run({"--templates", "new/templates"}));
    for (const SKindColumns& kind : AllKinds())
        EXPECT_EQ(HeaderLinesOf(kind),
                  testutil::ReadFile(m_dir.Path() / "new" / "templates" / kind.pszTable));
    EXPECT_EQ(CHECK_CLEAN, Run({"new/templates"}));
    EXPECT_EQ(SummaryOf("new/templates" + std::string(1, platform::PATH_SEPARATOR), "0 rows"),
              m_out);
}

// A slip of the folder must not replace a designer's tables with empty ones.
TEST_F(ItemCheck, TemplatesNeverReplaceATableWithoutForce) {
    const std::string strWeapons = testutil::ReadFile(m_dir.Path() / "Weapons.txt");
    fs::remove(m_dir.Path() / "Armors.txt");
    EXPECT_EQ(CHECK_FAILED, Run({"--templates", "."}));
    EXPECT_EQ("", m_out);
    const std::string strHere = std::string(".") + platform::PATH_SEPARATOR;
    EXPECT_EQ(0u, m_err.find("itemcheck: not replacing \"" + strHere + "Materials.txt\", \"" +
                             strHere + "Weapons.txt\", \"" + strHere + "QuickItems.txt\""))
        << m_err;
    EXPECT_NE(std::string::npos, m_err.find("; --force replaces them.\n"));
    EXPECT_EQ(strWeapons, testutil::ReadFile(m_dir.Path() / "Weapons.txt"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "Armors.txt"));  // nothing at all is written

    EXPECT_EQ(CHECK_CLEAN, Run({"--templates", "--force", "."}));
    EXPECT_EQ(HeaderLinesOf(AllKinds()[1]), testutil::ReadFile(m_dir.Path() / "Weapons.txt"));
    EXPECT_EQ(HeaderLinesOf(AllKinds()[2]), testutil::ReadFile(m_dir.Path() / "Armors.txt"));
    EXPECT_EQ(CHECK_FAILED, Run({"--force", "."}));
}

TEST_F(ItemCheck, TemplatesIntoAFolderThatCannotBeMadeCannotRun) {
    Write("file", "x");
    EXPECT_EQ(CHECK_FAILED, Run({"--templates", "file/templates"}));
    EXPECT_EQ(0u, m_err.find("itemcheck: cannot create the folder \"file/templates\""));
}

// ---- The column tables -----------------------------------------------------------------------

TEST(Columns, EachFullNameIsTheGroupAndTheSubColumn) {
    for (const SKindColumns& kind : AllKinds()) {
        for (const SColumnInfo* pColumn : kind.columns) {
            const std::string strSub = pColumn->pszSub;
            EXPECT_EQ(strSub.empty() ? pColumn->pszGroup : pColumn->pszGroup + (" " + strSub),
                      std::string(pColumn->pszName));
        }
    }
}

TEST(Columns, NoKindReadsAFullNameTwice) {
    for (const SKindColumns& kind : AllKinds()) {
        std::set<std::string> names;
        for (const SColumnInfo* pColumn : kind.columns)
            EXPECT_TRUE(names.insert(FoldedName(pColumn->pszName)).second) << pColumn->pszName;
    }
}

TEST(Columns, SharedColumnsBelongToTheirKindsAndEveryOtherToOneKind) {
    using namespace columns;
    // Materials come first and are no items; every later kind is an item with the common part.
    ASSERT_EQ(std::string_view("materials"), AllKinds().front().pszKind);
    std::string strItems;
    for (const SKindColumns& kind : AllKinds().subspan(1))
        strItems += std::string(kind.pszKind) + ",";
    const std::set<const SColumnInfo*> COMMON = {&PRICE,         &WEIGHT,          &SIZE,
                                                 &MANA,          &SLOTS,           &DURABILITY,
                                                 &COMPONENTS,    &ZONES,           &DECONSTRUCTABLE,
                                                 &TEXTURE_INDEX, &TEXTURE_INDEX_2, &FIGURE_NAMES};
    const std::set<const SColumnInfo*> EVERY_KIND = {&NAME,   &SHOP_1, &SHOP_2,
                                                     &SHOP_3, &SHOP_4, &SHOP_5};
    std::map<const SColumnInfo*, std::string> kindsOf = KindsOfEachColumn();
    for (const auto& [pColumn, strKinds] : kindsOf) {
        if (EVERY_KIND.count(pColumn))
            EXPECT_EQ("materials," + strItems, strKinds);
        else if (COMMON.count(pColumn))
            EXPECT_EQ(strItems, strKinds) << pColumn->pszName;
        else if (pColumn == &SKILL_LISTS)
            EXPECT_EQ("armors,quick items,", strKinds);
        else
            EXPECT_EQ(1, std::count(strKinds.begin(), strKinds.end(), ',')) << pColumn->pszName;
    }
    EXPECT_EQ("weapons,", kindsOf[&WEAPON_DAMAGE_MIN]);
    EXPECT_EQ("materials,", kindsOf[&MATERIAL_CODE_NAME]);
    EXPECT_EQ("loot items,", kindsOf[&LOOT_TYPE]);
}

// ---- Words and suggestions -------------------------------------------------------------------

TEST(Words, EachWordGivesItsOwnCodeInTheBuildersVocabulary) {
    testutil::CReportCatcher catcher;  // an unknown weapon or armor name would be reported
    const struct {
        EValueRule rule;
        std::int32_t (*pfnLookup)(std::string&);
    } LISTS[] = {{EValueRule::WeaponName, WeaponNameToCode},
                 {EValueRule::ArmorName, ArmorNameToCode},
                 {EValueRule::QuickType, QuickItemTypeToCode},
                 {EValueRule::LootType, LootTypeToCode},
                 {EValueRule::DamageType, DamageTypeToCode}};
    for (const auto& list : LISTS) {
        std::set<std::int32_t> codes;
        for (std::string_view strWord : WordsOf(list.rule)) {
            std::string strText(strWord);
            codes.insert(list.pfnLookup(strText));
        }
        EXPECT_EQ(WordsOf(list.rule).size(), codes.size());
        EXPECT_EQ(0, *codes.begin());
        EXPECT_EQ(static_cast<std::int32_t>(codes.size()) - 1, *codes.rbegin());
    }
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST(Words, ListWordsAreTheSkillsTheExtraSkillsAndForWeaponsAttackAndDefence) {
    const auto skills = WordsOf(EValueRule::SkillList);
    const auto nSkills = static_cast<size_t>(SKILL_COUNT);
    ASSERT_EQ(nSkills + static_cast<size_t>(EXTRA_SKILL_COUNT), skills.size());
    std::set<std::int32_t> codes, extraCodes;
    for (size_t i = 0; i < nSkills; ++i) codes.insert(SkillNameToCode(skills[i]));
    for (size_t i = nSkills; i < skills.size(); ++i)
        extraCodes.insert(ExtraSkillNameToCode(skills[i]));
    EXPECT_EQ((std::set<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7}), codes);
    EXPECT_EQ((std::set<std::int32_t>{0, 1, 2}), extraCodes);
    const auto weaponWords = WordsOf(EValueRule::WeaponList);
    EXPECT_TRUE(std::equal(skills.begin(), skills.end(), weaponWords.begin()));
    EXPECT_EQ((std::vector<std::string_view>{"attack", "defence"}),
              std::vector<std::string_view>(weaponWords.begin() + 11, weaponWords.end()));
}

TEST(Words, EditDistanceCountsSingleEditsAndIgnoresCase) {
    EXPECT_EQ(0u, EditDistance("Sword", "sWORD"));
    EXPECT_EQ(2u, EditDistance("swrod", "sword"));
    EXPECT_EQ(2u, EditDistance("meele", "melee"));
    EXPECT_EQ(3u, EditDistance("", "axe"));
    EXPECT_EQ(6u, EditDistance("sensor", "dangersensor"));
}

TEST(Words, TheClosestWordPrefersAWordThatHoldsTheOther) {
    const auto armors = WordsOf(EValueRule::ArmorName);
    EXPECT_EQ("helm", ClosestWord("Helmet", armors));
    EXPECT_EQ("boots", ClosestWord("bots", armors));
    EXPECT_EQ("dangersensor", ClosestWord("Sensor", WordsOf(EValueRule::QuickType)));
    EXPECT_EQ("", ClosestWord("x", {}));
}

// The checker says what the converter would refuse, and so the build: it saves nothing then.
TEST_F(ItemCheck, WhatTheConverterRefusesIsAProblem) {
    SetCell("Weapons.txt", 3, 1, std::string(70000, 'n'));
    std::string strList;
    for (int i = 0; i < 70000; ++i) strList += "m,";
    const int nZones = CellOf("Weapons.txt", columns::ZONES);
    const int nSpell = CellOf("QuickItems.txt", columns::QUICK_SPELL);
    SetCell("Weapons.txt", 4, nZones, strList);  // a list
    SetCell("QuickItems.txt", 3, nSpell, "\"" + std::string(65536, 's') + "\"");  // a text
    fs::remove(m_dir.Path() / "Armors.txt");
    fs::create_directory(m_dir.Path() / "Armors.txt");
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    const std::string strTail =
        "; the converter takes at most 65535, so the table cannot be converted and the build saves "
        "nothing";
    const std::vector<std::string> weapons = FindingsOf("Weapons.txt");
    ASSERT_EQ(2u, weapons.size()) << m_out.substr(0, 2000);
    EXPECT_EQ("Weapons.txt:3:1 (A3): the row name's bytes number 70000" + strTail, weapons[0]);
    EXPECT_EQ(At("Weapons.txt", 4, nZones) + ": the list's elements number 70000" + strTail,
              weapons[1]);
    EXPECT_EQ((std::vector<std::string>{At("QuickItems.txt", 3, nSpell) +
                                        ": the text's bytes number 65536" + strTail}),
              FindingsOf("QuickItems.txt"));
    EXPECT_EQ((std::vector<std::string>{"Armors.txt:0:0: the table is a folder, so the build "
                                        "cannot read it and saves nothing"}),
              FindingsOf("Armors.txt"));
}

// A cell of a megabyte in a word column: no suggestion is looked for, and the finding is a line.
TEST_F(ItemCheck, AHugeCellGivesAShortFinding) {
    const int nType = CellOf("Weapons.txt", columns::WEAPON_TYPE);
    SetCell("Weapons.txt", 3, nType, std::string(1 << 20, 'x'));
    EXPECT_EQ(CHECK_PROBLEMS, Run());
    const std::vector<std::string> findings = FindingsOf("Weapons.txt");
    ASSERT_EQ(2u, findings.size());
    EXPECT_EQ(0u, findings[0].find(At("Weapons.txt", 3, nType) +
                                   ": the text's bytes number 1048576;"));
    EXPECT_EQ(At("Weapons.txt", 3, nType) + ": unknown weapon type \"" + std::string(200, 'x') +
                  "...\" (1048576 bytes)",
              findings[1]);
}
