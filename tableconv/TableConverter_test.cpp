#include "tableconv/TableConverter.h"

#include <gtest/gtest.h>

#include "testsupport/TestUtil.h"

using testutil::CTempDir;
using Names = std::vector<std::string>;

namespace {
// The reader's half of the converter, with access to what it derived.
class CTestConverter : public CTableConverter {
public:
    bool Save(const char*) override { return true; }
    const Names& ColumnNames() const { return m_columnNames; }
    const std::vector<SColumnGroup>& Groups() const { return m_groups; }
};

class TableReaderTest : public testing::Test {
protected:
    // Loads the text as a table file and parses its header; returns what was printed.
    std::string LoadAndParse(const std::string& strText, bool bExpected = true) {
        testutil::WriteFile(m_dir / "Weapons.txt", strText);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(m_converter.LoadFile((m_dir / "Weapons.txt").c_str()));
        EXPECT_EQ(bExpected, m_converter.ParseHeader());
        return testing::internal::GetCapturedStdout();
    }
    std::vector<std::string> RemainingLines() {
        std::vector<std::string> lines;
        std::string_view strLine;
        while (m_converter.GetNextLine(strLine)) lines.emplace_back(strLine);
        return lines;
    }

    CTempDir m_dir;
    CTestConverter m_converter;
};

const char HEADER_EXAMPLE[] =
    "Name\tGeneral\t\t\tWeapon\t\n"
    "\tPrice\tWeight\tMana\tDamage Min\tDamage Max\n";
const Names EXAMPLE_COLUMNS = {"Name",         "General Price",     "General Weight",
                               "General Mana", "Weapon Damage Min", "Weapon Damage Max"};
}  // namespace

TEST_F(TableReaderTest, GroupAndSubColumnLinesGiveFullColumnNames) {
    LoadAndParse(HEADER_EXAMPLE);
    EXPECT_EQ(EXAMPLE_COLUMNS, m_converter.ColumnNames());
    ASSERT_EQ(3u, m_converter.Groups().size());
    EXPECT_EQ(3, m_converter.Groups()[1].columnCount);
    EXPECT_EQ((Names{"Price", "Weight", "Mana"}), m_converter.Groups()[1].subNames);
}

TEST_F(TableReaderTest, CrlfTableReadsLikeLfTable) {
    std::string strCrlf;
    for (char c : std::string_view(HEADER_EXAMPLE)) strCrlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    LoadAndParse(strCrlf + "Sword\t10\r\n");
    EXPECT_EQ(EXAMPLE_COLUMNS, m_converter.ColumnNames());
    std::vector<std::string> cells;
    SplitString(RemainingLines().at(0), cells, '\t');
    EXPECT_EQ((Names{"Sword", "10"}), cells);
}

TEST_F(TableReaderTest, GroupCellsAreTrimmedAndPunctuationWidensThePreviousGroup) {
    LoadAndParse("Name\t  Weapon\t(unused)\t\n\tRange\tDamage\tSpeed\n");
    EXPECT_EQ((Names{"Name", "Weapon Range", "Weapon Damage", "Weapon Speed"}),
              m_converter.ColumnNames());
}

TEST_F(TableReaderTest, OneColumnGroupIgnoresItsSubCellAndEmptySubCellsKeepTheBlank) {
    LoadAndParse("Name\tLists\tShop\t\tExtra\t\n(ignored)\tsub\t1\t\tA\n");
    // "Extra" spans two columns; its second sub cell is missing from the line.
    EXPECT_EQ((Names{"Name", "Lists", "Shop 1", "Shop ", "Extra A", "Extra "}),
              m_converter.ColumnNames());
}

TEST_F(TableReaderTest, LastLineWithoutLineFeedIsStillRead) {
    LoadAndParse(std::string(HEADER_EXAMPLE) + "Sword\t10\nAxe\t15");
    EXPECT_EQ((std::vector<std::string>{"Sword\t10", "Axe\t15"}), RemainingLines());
}

TEST_F(TableReaderTest, LinesOfAnyLengthAreAccepted) {
    const std::string strLong(1 << 20, 'x');
    LoadAndParse(std::string(HEADER_EXAMPLE) + strLong + "\n");
    EXPECT_EQ(std::vector<std::string>{strLong}, RemainingLines());
}

TEST_F(TableReaderTest, HeaderWithoutAFirstGroupIsRefusedWithAMessage) {
    for (const char* pszText : {"", "\tGeneral\n\tPrice\n", "(x)\tGeneral\n", "\n\n"}) {
        const std::string strOutput = LoadAndParse(pszText, false);
        EXPECT_EQ("Bad header in \"" + (m_dir / "Weapons.txt") + "\".\n", strOutput) << pszText;
        EXPECT_TRUE(m_converter.ColumnNames().empty());
    }
}

TEST_F(TableReaderTest, ByteOrderMarkOfAUtf8FileIsNoPartOfTheFirstCell) {
    LoadAndParse("\xEF\xBB\xBFName\tGeneral\n\tPrice\n");
    EXPECT_EQ((Names{"Name", "General"}), m_converter.ColumnNames());
}

TEST_F(TableReaderTest, ZeroByteEndsTheTextAndIsReported) {
    std::string strText = std::string(HEADER_EXAMPLE) + "Sword\t10\nAxe";
    strText += '\0';
    strText += "\t15\nBow\t3\n";
    const std::string strOutput = LoadAndParse(strText);
    EXPECT_NE(std::string::npos, strOutput.find("holds a zero byte in line 4"));
    EXPECT_EQ((std::vector<std::string>{"Sword\t10", "Axe"}), RemainingLines());
}

namespace {
// UTF-16 code units as bytes, after the byte order mark of the order.
std::string Utf16(std::initializer_list<unsigned> units, bool bBigEndian) {
    std::string strBytes = bBigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const unsigned nUnit : units) {
        const char chHigh = static_cast<char>(nUnit >> 8), chLow = static_cast<char>(nUnit & 0xFF);
        strBytes += bBigEndian ? std::string{chHigh, chLow} : std::string{chLow, chHigh};
    }
    return strBytes;
}
}  // namespace

TEST_F(TableReaderTest, Utf16TableIsReadAsUtf8InEitherByteOrder) {
    for (const bool bBigEndian : {false, true}) {
        // "N\tG\n\tP\né\t€\n😀\n": two, three and four bytes of UTF-8.
        const std::string strOutput = LoadAndParse(
            Utf16({'N', '\t', 'G', '\n', '\t', 'P', '\n', 0xE9, '\t', 0x20AC, '\n', 0xD83D, 0xDE00, '\n'},
                  bBigEndian));
        EXPECT_EQ("", strOutput);
        EXPECT_EQ((Names{"N", "G"}), m_converter.ColumnNames());  // one column each
        EXPECT_EQ((std::vector<std::string>{"\xC3\xA9\t\xE2\x82\xAC", "\xF0\x9F\x98\x80"}),
                  RemainingLines());
    }
}

TEST_F(TableReaderTest, IllFormedUtf16BecomesReplacementCharactersWithOneWarning) {
    // A lone high surrogate in line 3, a lone low one in line 4, an odd last byte.
    std::string strText = Utf16({'N', '\t', 'G', '\n', '\t', 'P', '\n', 'a', 0xD800, 'b', '\n',
                                 0xDC00, '\n', 'c'},
                                false);
    strText += 'x';
    const std::string strOutput = LoadAndParse(strText);
    EXPECT_EQ("\"" + (m_dir / "Weapons.txt") +
                  "\" holds UTF-16 that is not well formed in line 3; it reads as U+FFFD.\n",
              strOutput);
    EXPECT_EQ((std::vector<std::string>{"a\xEF\xBF\xBD" "b", "\xEF\xBF\xBD", "c\xEF\xBF\xBD"}),
              RemainingLines());
}

TEST_F(TableReaderTest, MissingFileIsReportedAndKeepsThePreviousTable) {
    LoadAndParse(std::string(HEADER_EXAMPLE) + "Sword\t10\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_converter.LoadFile("No such table.txt"));
    EXPECT_EQ("Can't open file \"No such table.txt\".\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::vector<std::string>{"Sword\t10"}, RemainingLines());
}

TEST_F(TableReaderTest, SecondLoadDiscardsTheFirstTableAndHeader) {
    LoadAndParse(HEADER_EXAMPLE);
    LoadAndParse("Name\tLoot\n\tType\nRune\ttreasure\n");
    EXPECT_EQ((Names{"Name", "Loot"}), m_converter.ColumnNames());
    EXPECT_EQ(std::vector<std::string>{"Rune\ttreasure"}, RemainingLines());
}

TEST(SplitString, CellsAreOneMoreThanDelimitersAndTrimmed) {
    std::vector<std::string> cells;
    EXPECT_TRUE(SplitString("a\tb\t", cells, '\t'));
    EXPECT_EQ((Names{"a", "b", ""}), cells);
    SplitString("", cells, '\t');
    EXPECT_EQ(Names{""}, cells);
    SplitString(" \x0B a b \r\t\f", cells, '\t');
    EXPECT_EQ((Names{"a b", ""}), cells);
}

// ---- Rows as spreadsheets write them -------------------------------------------------------

namespace {
struct SRowSeen {
    std::vector<std::string> cells;
    std::vector<bool> quoted;
    std::uint32_t nLines;
};

// Every row of the text, header lines included.
std::vector<SRowSeen> RowsOf(CTestConverter& converter, const std::string& strText) {
    EXPECT_TRUE(converter.LoadText(strText, "Rows.txt"));
    std::vector<SRowSeen> rows;
    STableRow row;
    while (converter.GetNextRow(row)) {
        SRowSeen seen{{row.cells.begin(), row.cells.end()}, {}, row.nLines};
        for (size_t i = 0; i < row.cells.size(); ++i) seen.quoted.push_back(row.IsQuoted(i));
        rows.push_back(std::move(seen));
    }
    return rows;
}
}  // namespace

TEST_F(TableReaderTest, QuotedCellsReadAsTheSheetShowedThem) {
    const auto rows = RowsOf(m_converter,
                             "\"Name\"\t\"Lists\"\tPrice\n"
                             "\"say \"\"hi\"\"\"\t\"a, b\"\t\"25%\"\n"
                             "\"tab\there\"\t5\" blade\t \"padded\" \r\n"
                             "\"two\r\nlines\"\t\"and\nmore\rhere\"\tx\n"
                             "\"open\tnever closed\n");
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ((Names{"Name", "Lists", "Price"}), rows[0].cells);
    EXPECT_EQ((std::vector<bool>{true, true, false}), rows[0].quoted);
    EXPECT_EQ((Names{"say \"hi\"", "a, b", "25%"}), rows[1].cells);
    // A tab inside quotes belongs to the cell; a quote inside an unquoted cell is just a quote.
    EXPECT_EQ((Names{"tab\there", "5\" blade", "padded"}), rows[2].cells);
    EXPECT_EQ((std::vector<bool>{true, false, true}), rows[2].quoted);
    // Each line break, CRLF, LF or CR, is one space; the row spans two lines of the file.
    EXPECT_EQ((Names{"two lines", "and more here", "x"}), rows[3].cells);
    EXPECT_EQ(3u, rows[3].nLines);
    // A quote that never closes starts no quoted cell: the cell ends at its tab, as always.
    EXPECT_EQ((Names{"\"open", "never closed"}), rows[4].cells);
    EXPECT_EQ((std::vector<bool>{false, false}), rows[4].quoted);
    EXPECT_EQ(1u, rows[4].nLines);
}

TEST_F(TableReaderTest, RowsWithoutQuotesAreCutAsLinesAre) {
    const auto rows = RowsOf(m_converter, "a\tb \t\n\n c\r\nlast\tline");
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ((Names{"a", "b", ""}), rows[0].cells);
    EXPECT_TRUE(rows[0].quoted.empty() || rows[0].quoted == std::vector<bool>(3, false));
    EXPECT_EQ((Names{""}), rows[1].cells);
    EXPECT_EQ((Names{"c"}), rows[2].cells);
    EXPECT_EQ((Names{"last", "line"}), rows[3].cells);
    for (const SRowSeen& row : rows) EXPECT_EQ(1u, row.nLines);
}

// Quoted header cells name the same columns; a quoted cell at the very end needs no line feed.
TEST_F(TableReaderTest, QuotedHeaderGivesTheSameColumnNames) {
    std::string strQuoted;
    for (const char c : std::string_view(HEADER_EXAMPLE))
        strQuoted += c == '\t' ? std::string("\"\t\"") : c == '\n' ? std::string("\"\n\"") : std::string(1, c);
    strQuoted.pop_back();  // the quote opened after the last line feed
    strQuoted.insert(0, "\"");
    LoadAndParse(strQuoted + "\"Sword\"");
    EXPECT_EQ(EXAMPLE_COLUMNS, m_converter.ColumnNames());
    STableRow row;
    ASSERT_TRUE(m_converter.GetNextRow(row));
    EXPECT_EQ(std::vector<std::string_view>{"Sword"}, row.cells);
    EXPECT_FALSE(m_converter.GetNextRow(row));
}

TEST_F(TableReaderTest, AHeaderWithCommasAndNoTabIsNoHeader) {
    const std::string strName = "\"" + (m_dir.Path() / "Weapons.txt").string() + "\"";
    EXPECT_EQ(strName + " looks comma-separated; save it with tabs.\n",
              LoadAndParse("Name,General,,\n,Price,Weight\nSword,1,2\n", false));
    EXPECT_EQ(strName + " looks semicolon-separated; save it with tabs.\n",
              LoadAndParse("Name;General;;\n;Price;Weight\n", false));
    // A comma inside a group name of a tab-separated header is only a comma.
    LoadAndParse("Name\tDamage, proportions\t\n\tPiercing\tSlashing\n");
    EXPECT_EQ((Names{"Name", "Damage, proportions Piercing", "Damage, proportions Slashing"}),
              m_converter.ColumnNames());
}

TEST(TableFiles, LookalikesNameWhatADesignerMayHaveMeant) {
    CTempDir dir;
    for (const char* pszName : {"weapons.txt", "Weapons.csv", "Items-Weapons.txt", "Copy of Weapons.TXT",
                                "MyWeapons.txt", "Weapons.txt.bak", "Armors.txt"})
        testutil::WriteFile(dir.Path() / pszName, "x");
    EXPECT_EQ((Names{"Copy of Weapons.TXT", "Items-Weapons.txt", "Weapons.csv", "weapons.txt"}),
              LookalikesOf((dir.Path() / "Weapons.txt").string().c_str()));
    EXPECT_EQ(Names{}, LookalikesOf((dir.Path() / "QuestItems.txt").string().c_str()));
    EXPECT_EQ(Names{}, LookalikesOf((dir.Path() / "missing" / "Weapons.txt").string().c_str()));
}
