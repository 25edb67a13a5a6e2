// AppendIniSection: the INI text that a table row becomes, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tableconv/TableConverter.h"

namespace {

const std::vector<std::string> COLUMNS = {"Name", "General Price", "General Weight"};

STableRow Row(const std::vector<std::string_view>& cells, std::vector<bool> quoted = {}) {
    STableRow row;
    row.cells = cells;
    row.quoted = std::move(quoted);
    return row;
}

// The section of a row named strName (the row's first cell, or the name alone for no cells).
std::string Section(std::string_view strName, const std::vector<std::string_view>& cells,
                    int nSortId, const std::vector<std::string>& columns = COLUMNS) {
    std::string strIni;
    STableRow row = Row(cells);
    if (row.cells.empty()) row.cells.push_back(strName);
    else EXPECT_EQ(strName, row.cells[0]);
    // A row of its name alone writes no Name line, as a row without cells would.
    AppendIniSection(strIni, row, cells.empty() ? std::vector<std::string>{} : columns, nSortId);
    return strIni;
}

TEST(IniEmission, TwoRowsGiveTheDocumentedText) {
    std::string strIni;
    AppendIniSection(strIni, Row({"Sword", "100", "2.5"}), COLUMNS, 0);
    AppendIniSection(strIni, Row({"Axe", "15%", ""}), COLUMNS, 1);
    EXPECT_EQ(
        "\n[Sword]\nName=Sword\nGeneral Price=100\nGeneral Weight=2.5\nSortOrderID=0\n"
        "\n[Axe]\nName=Axe\nGeneral Price=15\nSortOrderID=1\n",
        strIni);
}

TEST(IniEmission, TrailingPercentSignsAreRemoved) {
    static const struct {
        const char *szCell, *szLine;
    } CASES[] = {{"50%", "Price=50\n"},
                 {"50%%", "Price=50\n"},
                 {"5%0", "Price=5%0\n"},
                 {"%50", "Price=%50\n"},
                 {"5%0%", "Price=5%0\n"},
                 {"%", ""},
                 {"%%%", ""},
                 {"", ""}};
    const std::vector<std::string> columns = {"Name", "Price"};
    for (const auto& c : CASES)
        EXPECT_EQ(std::string("\n[Row]\nName=Row\n") + c.szLine + "SortOrderID=7\n",
                  Section("Row", {"Row", c.szCell}, 7, columns))
            << c.szCell;
}

TEST(IniEmission, SectionNameKeepsItsPercentSignsButNameLineDoesNot) {
    EXPECT_EQ("\n[Big%]\nName=Big\nGeneral Price=1\nSortOrderID=4\n",
              Section("Big%", {"Big%", "1"}, 4));
    EXPECT_EQ("\n[%%]\nGeneral Price=2\nSortOrderID=5\n", Section("%%", {"%%", "2"}, 5));
    EXPECT_EQ("\n[5%]\nName=5\nGeneral Weight=1%5\nSortOrderID=6\n",
              Section("5%", {"5%", "%", "1%5%%"}, 6));
}

TEST(IniEmission, OnlyNonEmptyCellsThatHaveAColumnAreWritten) {
    EXPECT_EQ("\n[Sword]\nName=Sword\nGeneral Price=100\nSortOrderID=2\n",
              Section("Sword", {"Sword", "100"}, 2));
    EXPECT_EQ("\n[Sword]\nName=Sword\nGeneral Price=100\nGeneral Weight=2.5\nSortOrderID=3\n",
              Section("Sword", {"Sword", "100", "2.5", "extra", "more"}, 3));
    EXPECT_EQ("\n[Bow]\nName=Bow\nGeneral Weight=1\nSortOrderID=0\n",
              Section("Bow", {"Bow", "", "1"}, 0));
    EXPECT_EQ("\n[Sword]\nSortOrderID=65534\n", Section("Sword", {}, 65534));
}

// What a spreadsheet adds to a number is dropped: the space before '%' (plain, no-break in
// UTF-8 or a Windows code page, narrow no-break) and the minus sign U+2212 for '-'. Text that
// only ends in such bytes keeps them.
TEST(IniEmission, SpreadsheetNumberFormsReadAsPlainNumbers) {
    static const struct {
        const char *szCell, *szValue;
    } CASES[] = {{"30 %", "30"},
                 {"30,00\xC2\xA0%", "30,00"},
                 {"12\xA0%", "12"},
                 {"7\xE2\x80\xAF%", "7"},
                 {"\xE2\x88\x92" "10.00%", "-10.00"},
                 {"\xE2\x88\x92.5", "-.5"},
                 {"\xE2\x88\x92" "x", "\xE2\x88\x92" "x"},
                 {"voil\xC3\xA0%", "voil\xC3\xA0"},
                 {"a %", "a "},
                 {"30 ", "30 "}};
    for (const auto& c : CASES) EXPECT_EQ(c.szValue, IniValueOf(c.szCell, false)) << c.szCell;
}

// A quoted cell's text goes to the converter in quotes only where it would otherwise be read
// as a list or lose its leading quote; a quoted number is a number.
TEST(IniEmission, QuotedCellsAreQuotedAgainOnlyWhereTheTextNeedsIt) {
    EXPECT_EQ("25", IniValueOf("25%", true));
    EXPECT_EQ("Great Sword", IniValueOf("Great Sword", true));
    EXPECT_EQ("\"melee 2, attack 1.5\"", IniValueOf("melee 2, attack 1.5", true));
    EXPECT_EQ("\"\"\"Hi\"\", he said\"", IniValueOf("\"Hi\", he said", true));
    EXPECT_EQ("5\" blade", IniValueOf("5\" blade", true));
    // Unquoted cells keep their commas: the converter's list.
    EXPECT_EQ("melee 2, attack 1.5", IniValueOf("melee 2, attack 1.5", false));
    std::string strIni;
    AppendIniSection(strIni, Row({"Axe", "1,5", "10%"}, {false, true, true}), COLUMNS, 3);
    EXPECT_EQ("\n[Axe]\nName=Axe\nGeneral Price=\"1,5\"\nGeneral Weight=10\nSortOrderID=3\n",
              strIni);
}

}  // namespace
