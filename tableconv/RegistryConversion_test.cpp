// AppendIniSection: the INI text that a table row becomes, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tableconv/TableConverter.h"

namespace {

const std::vector<std::string> COLUMNS = {"Name", "General Price", "General Weight"};

std::string Section(std::string_view strName, const std::vector<std::string_view>& cells,
                    int nSortId, const std::vector<std::string>& columns = COLUMNS) {
    std::string strIni;
    AppendIniSection(strIni, strName, cells, columns, nSortId);
    return strIni;
}

TEST(IniEmission, TwoRowsGiveTheDocumentedText) {
    std::string strIni;
    AppendIniSection(strIni, "Sword", {"Sword", "100", "2.5"}, COLUMNS, 0);
    AppendIniSection(strIni, "Axe", {"Axe", "15%", ""}, COLUMNS, 1);
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

}  // namespace
