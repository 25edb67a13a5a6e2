#include "tools/itembook/ItemBook.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "itemdb/Columns.h"
#include "itemdb/Vocabulary.h"
#include "testsupport/TestUtil.h"
#include "tools/workbook/WorkbookReader.h"

namespace {
namespace fs = std::filesystem;
using testutil::CTempDir;
using EKind = SBookCell::EKind;

struct SRun {
    int nStatus;
    std::string strOut, strErr;
};

SRun Book(const std::vector<std::string>& args) {
    SRun run;
    run.nStatus = RunItemBook(args, run.strOut, run.strErr);
    return run;
}

void CopyExamples(const fs::path& directory) {
    for (const SKindColumns& kind : AllKinds())
        fs::copy_file(testutil::ExamplesDir() / kind.pszTable, directory / kind.pszTable);
}

const SBookSheet& SheetNamed(const std::vector<SBookSheet>& sheets, const std::string& strName) {
    for (const SBookSheet& sheet : sheets)
        if (sheet.strName == strName) return sheet;
    throw std::runtime_error("no sheet " + strName);
}

// The column (from 1) whose row-2 cell, or row-1 cell for a one-column group, holds the name.
std::uint32_t ColumnOf(const SBookSheet& sheet, const std::string& strSub, size_t nAfterGroupCell = 0) {
    for (size_t i = nAfterGroupCell; i < sheet.rows[1].size(); ++i)
        if (sheet.rows[1][i].strText == strSub) return static_cast<std::uint32_t>(i + 1);
    return 0;
}
}  // namespace

TEST(ItemBook, ImportThenExportIsStableAndLeavesUnchangedTablesAlone) {
    CTempDir dir;
    fs::create_directory(dir.Path() / "tables");
    CopyExamples(dir.Path() / "tables");
    const SRun import = Book({"import", dir / "tables", dir / "Items.xlsx"});
    ASSERT_EQ(BOOK_DONE, import.nStatus) << import.strErr;
    fs::create_directory(dir.Path() / "out");
    const SRun first = Book({"export", dir / "Items.xlsx", dir / "out"});
    ASSERT_EQ(BOOK_DONE, first.nStatus) << first.strOut << first.strErr;
    EXPECT_NE(std::string::npos, first.strOut.find("Weapons.txt\": written from the sheet \"Weapons\"."));
    // The exported tables make the same workbook again, byte for byte.
    const SRun again = Book({"import", dir / "out", dir / "Again.xlsx"});
    ASSERT_EQ(BOOK_DONE, again.nStatus) << again.strErr;
    EXPECT_EQ(testutil::ReadFile(dir / "Items.xlsx"), testutil::ReadFile(dir / "Again.xlsx"));
    // A second export finds nothing to change and keeps the files' times.
    // An old time, read back as the file system keeps it (to the second, maybe).
    fs::last_write_time(dir.Path() / "out" / "Weapons.txt",
                        fs::file_time_type::clock::now() - std::chrono::hours(24));
    const auto old = fs::last_write_time(dir.Path() / "out" / "Weapons.txt");
    const SRun second = Book({"export", dir / "Items.xlsx", dir / "out"});
    ASSERT_EQ(BOOK_DONE, second.nStatus);
    EXPECT_NE(std::string::npos, second.strOut.find("Weapons.txt\": unchanged."));
    EXPECT_EQ(old, fs::last_write_time(dir.Path() / "out" / "Weapons.txt"));
    // No temporary is left beside the tables.
    for (const auto& entry : fs::directory_iterator(dir.Path() / "out"))
        EXPECT_EQ(".txt", entry.path().extension().string()) << entry.path();
}

TEST(ItemBook, SheetsHoldNumbersAsNumbersNotesAndDropdowns) {
    CTempDir dir;
    CopyExamples(dir.Path());
    std::vector<SBookSheet> sheets;
    std::string strError;
    ASSERT_TRUE(SheetsOfTables(dir.Path().string(), sheets, strError)) << strError;
    // A sheet per kind, then the hidden word lists.
    ASSERT_EQ(AllKinds().size() + 1, sheets.size());
    EXPECT_TRUE(sheets.back().bHidden);
    const SBookSheet& weapons = SheetNamed(sheets, "Weapons");
    EXPECT_EQ(2u, weapons.nFrozenRows);
    const std::vector<SBookCell>& shortSword = weapons.rows[2];
    EXPECT_EQ("Short Sword", shortSword[0].strText);
    EXPECT_EQ(EKind::Number, shortSword[1].kind);  // General Price 60
    EXPECT_EQ(60.0, shortSword[1].fNumber);
    const std::uint32_t nPiercing = ColumnOf(weapons, "Piercing");
    ASSERT_NE(0u, nPiercing);
    EXPECT_EQ(EKind::Percent, shortSword[nPiercing - 1].kind);  // 20%
    EXPECT_EQ(0.2, shortSword[nPiercing - 1].fNumber);
    const std::uint32_t nZones = ColumnOf(weapons, "Zones");
    EXPECT_EQ(EKind::Text, shortSword[nZones - 1].kind);
    EXPECT_EQ("Castle, Harbor", shortSword[nZones - 1].strText);
    // A note on every column the builder reads, in the column reference's words.
    bool bPriceNote = false;
    for (const SBookNote& note : weapons.notes)
        if (note.nRow == 2 && note.nColumn == 2)
            bPriceNote = note.strText == "General Price\nnumber, default 1\nPrice: as read";
    EXPECT_TRUE(bPriceNote);
    // Dropdowns: the weapon types from the word list, the materials from the Materials sheet.
    const std::uint32_t nType = ColumnOf(weapons, "Type");
    const std::uint32_t nMaterial = ColumnOf(weapons, "Material Type");
    std::string strTypeRange, strMaterialRange;
    for (const SBookValidation& validation : weapons.validations) {
        EXPECT_EQ(3u, validation.nFirstRow);
        EXPECT_EQ(65537u, validation.nLastRow);
        if (validation.nColumn == nType) strTypeRange = validation.strRange;
        if (validation.nColumn == nMaterial) strMaterialRange = validation.strRange;
    }
    size_t nWeaponTypes = 0;
    for (const std::string_view strWord : VocabularyWords(EVocabulary::WeaponNames))
        nWeaponTypes += !strWord.empty();
    EXPECT_EQ("'Word Lists'!$A$1:$A$" + std::to_string(nWeaponTypes), strTypeRange);
    EXPECT_EQ("Materials!$A$3:$A$65537", strMaterialRange);
    EXPECT_EQ("sword", sheets.back().rows[0][0].strText);
    // A loot item may be named after an instruction type, but need not be.
    const SBookSheet& loot = SheetNamed(sheets, "LootItems");
    bool bNameListed = false;
    for (const SBookValidation& validation : loot.validations)
        if (validation.nColumn == 1) bNameListed = !validation.bStrict;
    EXPECT_TRUE(bNameListed);
}

TEST(ItemBook, OnlyNumbersTheGetterReadsAlikeBecomeNumbers) {
    CTempDir dir;
    // Weapons: Range is a number column, Actions an integer column, Type a text column.
    testutil::WriteFile(dir.Path() / "Weapons.txt",
                        testutil::Table({{"Name", "Weapon", "", ""},
                                         {"", "Range", "Actions", "Type"},
                                         {"a", "12.5%", "007", "5"},
                                         {"b", "\xE2\x88\x92" "1.50", "3.7", "1e3"},
                                         {"c", "1e3", "1,5", "25%"}}));
    std::vector<SBookSheet> sheets;
    std::string strError;
    ASSERT_TRUE(SheetsOfTables(dir.Path().string(), sheets, strError)) << strError;
    const SBookSheet& weapons = SheetNamed(sheets, "Weapons");
    ASSERT_EQ(5u, weapons.rows.size());
    const auto kinds = [&](size_t nRow) {
        std::string str;
        for (size_t i = 1; i < 4; ++i) {
            const SBookCell& cell = weapons.rows[nRow][i];
            str += cell.kind == EKind::Number ? "n" : cell.kind == EKind::Percent ? "p" : "t";
        }
        return str;
    };
    EXPECT_EQ("pnt", kinds(2));
    EXPECT_EQ(0.125, weapons.rows[2][1].fNumber);
    EXPECT_EQ(7.0, weapons.rows[2][2].fNumber);
    EXPECT_EQ("ntt", kinds(3));  // an integer column's 3.7 stays text: its getter reads 3
    EXPECT_EQ(-1.5, weapons.rows[3][1].fNumber);
    EXPECT_EQ("ttt", kinds(4));
    // A missing table is its empty template.
    EXPECT_EQ(2u, SheetNamed(sheets, "Armors").rows.size());
}

TEST(ItemBook, ExportWritesNothingWrongAndNamesWhatIsMissing) {
    CTempDir dir;
    const auto textCell = [](const char* psz) { return SBookCell{EKind::Text, 0.0, psz}; };
    SBookSheet weapons;
    weapons.strName = "weapons.TXT";  // the table's name, case aside
    weapons.rows = {{textCell("Name"), textCell("General")}, {SBookCell(), textCell("Price")},
                    {textCell("Axe"), SBookCell{EKind::Number, 1.25, ""}}};
    testutil::WriteFile(dir.Path() / "Good.xlsx", XlsxOf({weapons}));
    testutil::WriteFile(dir.Path() / "Armors.txt", "kept");
    const SRun good = Book({"export", dir / "Good.xlsx", dir.Path().string()});
    EXPECT_EQ(BOOK_FINDINGS, good.nStatus);
    EXPECT_EQ("Name\tGeneral\r\n\tPrice\r\nAxe\t1.25\r\n", testutil::ReadFile(dir / "Weapons.txt"));
    EXPECT_NE(std::string::npos,
              good.strOut.find("Good.xlsx: no sheet \"Armors\"; \"" + (dir / "Armors.txt") + "\" left as it is."))
        << good.strOut;
    EXPECT_EQ("kept", testutil::ReadFile(dir / "Armors.txt"));

    weapons.rows[2][0] = textCell("Axe\tof doom");
    testutil::WriteFile(dir.Path() / "Bad.xlsx", XlsxOf({weapons}));
    const SRun bad = Book({"export", dir / "Bad.xlsx", dir.Path().string()});
    EXPECT_EQ(BOOK_FINDINGS, bad.nStatus);
    EXPECT_NE(std::string::npos, bad.strOut.find("Bad.xlsx:weapons.TXT!A3: a tab in the text")) << bad.strOut;
    EXPECT_NE(std::string::npos, bad.strOut.find("Nothing written: 1 finding")) << bad.strOut;
    EXPECT_EQ("Name\tGeneral\r\n\tPrice\r\nAxe\t1.25\r\n", testutil::ReadFile(dir / "Weapons.txt"));

    testutil::WriteFile(dir.Path() / "Cut.xlsx", testutil::ReadFile(dir / "Good.xlsx").substr(0, 300));
    const SRun cut = Book({"export", dir / "Cut.xlsx", dir.Path().string()});
    EXPECT_EQ(BOOK_FAILED, cut.nStatus);
    EXPECT_NE(std::string::npos, cut.strErr.find("Cut.xlsx\" cannot be read: it is no zip archive")) << cut.strErr;
    const SRun none = Book({"export", dir / "None.xlsx", dir.Path().string()});
    EXPECT_EQ(BOOK_FAILED, none.nStatus);
    EXPECT_EQ(BOOK_FAILED, Book({"export", dir / "Good.xlsx", dir / "no-such-folder"}).nStatus);
}

TEST(ItemBook, ImportNeverReplacesAWorkbookUnlessForced) {
    CTempDir dir;
    testutil::WriteFile(dir.Path() / "Items.xlsx", "mine");
    const SRun refused = Book({"import", dir.Path().string(), dir / "Items.xlsx"});
    EXPECT_EQ(BOOK_FAILED, refused.nStatus);
    EXPECT_NE(std::string::npos, refused.strErr.find("not replacing")) << refused.strErr;
    EXPECT_EQ("mine", testutil::ReadFile(dir / "Items.xlsx"));
    EXPECT_EQ(BOOK_DONE, Book({"import", dir.Path().string(), dir / "Items.xlsx", "--force"}).nStatus);
    EXPECT_EQ("PK", testutil::ReadFile(dir / "Items.xlsx").substr(0, 2));
    EXPECT_EQ(BOOK_FAILED, Book({"import", dir.Path().string(), dir / "Items.ods"}).nStatus);
    EXPECT_EQ(BOOK_FAILED, Book({"import"}).nStatus);
    // A table that is there but no file cannot be taken for a missing one.
    fs::create_directory(dir.Path() / "Weapons.txt");
    const SRun folder = Book({"import", dir.Path().string(), dir / "New.xlsx"});
    EXPECT_EQ(BOOK_FAILED, folder.nStatus);
    EXPECT_FALSE(fs::exists(dir.Path() / "New.xlsx"));
}
