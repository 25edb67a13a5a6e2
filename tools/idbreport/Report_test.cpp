// idbdump report: the data made safe for the page, codes as words, the diff counts against
// idbdump diff, findings linked to their records, and bad input refused with a message.
#include "tools/idbreport/Report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "itemdb/Vocabulary.h"
#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"
#include "testsupport/TestUtil.h"
#include "tools/idbdump/IdbDump.h"
#include "tools/idbreport/ReportData.h"

namespace {
namespace fs = std::filesystem;

constexpr std::size_t WEAPONS = 1, ARMORS = 2, QUICK_ITEMS = 3;  // places in ItemKinds()

std::string Save(SItemLists& lists) {
    CChunkArchive archive;
    CMemoryStream stream;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeItemLists(archive, lists);
    EXPECT_TRUE(archive.CloseArchive(stream));
    return std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize());
}

const SReportColumn& ColumnNamed(const std::vector<SReportColumn>& columns, const char* pszName) {
    const auto it = std::find_if(columns.begin(), columns.end(),
                                 [&](const SReportColumn& c) { return c.strName == pszName; });
    EXPECT_NE(columns.end(), it) << pszName;
    return it == columns.end() ? columns.front() : *it;
}

std::size_t IndexOf(const std::vector<SReportColumn>& columns, const char* pszName) {
    return static_cast<std::size_t>(&ColumnNamed(columns, pszName) - columns.data());
}

class ReportTest : public testing::Test {
protected:
    SItemLists Golden() {
        SItemLists lists;
        EXPECT_TRUE(LoadItemDatabase(MARROW_GOLDEN_IDB, lists));
        return lists;
    }
    std::string Write(const char* pszName, SItemLists& lists) {
        const std::string strPath = m_dir / pszName;
        testutil::WriteFile(strPath, Save(lists));
        return strPath;
    }
    int Report(std::vector<std::string> args) {
        args.insert(args.end(), {"-o", m_strPage});
        return RunReport(args, m_strOut, m_strErr);
    }
    // The page's data element, as the page reads it.
    std::string Data() const {
        const std::string strPage = testutil::ReadFile(m_strPage);
        const std::string strOpen = "<script type=\"application/json\" id=\"report-data\">";
        const std::size_t nAt = strPage.find(strOpen);
        EXPECT_NE(std::string::npos, nAt);
        const std::size_t nStart = nAt + strOpen.size();
        return strPage.substr(nStart, strPage.find("</script>", nStart) - nStart);
    }
    // The cells of a record as the report gives them, one JSON value each.
    static std::string Cell(const SDatabaseView& view, std::size_t nKind, std::size_t nRecord,
                            const char* pszColumn) {
        const std::vector<SReportColumn> columns = ReportColumns(nKind);
        std::string strCell;
        AppendCell(strCell, view, view.lists[nKind][nRecord], nKind,
                   ColumnNamed(columns, pszColumn));
        return strCell;
    }

    testutil::CTempDir m_dir;
    std::string m_strPage = m_dir / "report.html";
    std::string m_strOut, m_strErr;
};

TEST(ReportScriptSafe, EscapesWhatCouldEndTheScriptElement) {
    static const struct {
        const char* pszIn;
        const char* pszOut;
    } CASES[] = {
        {"\"</script>\"", "\"\\u003c/script\\u003e\""},
        {"\"<!--\"", "\"\\u003c!--\""},
        {"\"a&b\"", "\"a\\u0026b\""},
        {"\"\xE2\x80\xA8\xE2\x80\xA9\"", "\"\\u2028\\u2029\""},
        {"\"\xE2\x80\xA7 \xC3\xA9\"", "\"\xE2\x80\xA7 \xC3\xA9\""},  // other UTF-8 stays
        {"\"\xE2\x80\"", "\"\xE2\x80\""},                            // a cut sequence too
    };
    for (const auto& c : CASES) EXPECT_EQ(c.pszOut, ScriptSafe(c.pszIn)) << c.pszIn;
}

TEST_F(ReportTest, ARecordNamedLikeMarkupReachesThePageOnlyEscaped) {
    SItemLists lists = Golden();
    lists.m_weapons[0].Name = "</script><script>alert(1)</script>";
    ASSERT_EQ(EXIT_SAME, Report({Write("items.idb", lists)}));
    const std::string strPage = testutil::ReadFile(m_strPage);
    const std::string strTemplate(ReportTemplate());
    const auto count = [](const std::string& str, const char* pszWhat) {
        std::size_t n = 0;
        for (std::size_t at = str.find(pszWhat); at != std::string::npos;
             at = str.find(pszWhat, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(strTemplate, "<script"), count(strPage, "<script"));
    EXPECT_EQ(count(strTemplate, "</script>"), count(strPage, "</script>"));
    EXPECT_NE(
        std::string::npos,
        Data().find("\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\""));
}

TEST_F(ReportTest, ThePageIsTheTemplateWithTheDataInPlaceOfTheMarker) {
    const std::string strTemplate(ReportTemplate());
    const std::size_t nAt = strTemplate.find(REPORT_DATA_MARKER);
    ASSERT_NE(std::string::npos, nAt);
    EXPECT_EQ(std::string::npos, strTemplate.find(REPORT_DATA_MARKER, nAt + 1));
    EXPECT_EQ(strTemplate.substr(0, nAt) + "{\"x\":1}" +
                  strTemplate.substr(nAt + REPORT_DATA_MARKER.size()),
              ReportPage("{\"x\":1}"));
}

TEST(ReportColumnsTest, CodesShowTheWordsOfTheirList) {
    const auto weapons = ReportColumns(WEAPONS);
    const SReportColumn& type = ColumnNamed(weapons, "TypeCode");
    EXPECT_EQ(ECellType::Word, type.type);
    const auto words = VocabularyWords(EVocabulary::WeaponNames);
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(words[i], CodeWord(WEAPONS, type, static_cast<std::int32_t>(i)));
    EXPECT_EQ("unknown", CodeWord(WEAPONS, type, static_cast<std::int32_t>(words.size())));
    EXPECT_EQ("no code", CodeWord(WEAPONS, type, INVALID_CODE));
    const auto quickItems = ReportColumns(QUICK_ITEMS);
    const SReportColumn& damage = ColumnNamed(quickItems, "DamageType");
    EXPECT_EQ("general", CodeWord(QUICK_ITEMS, damage, 6));
    EXPECT_EQ("42", CodeWord(QUICK_ITEMS, damage, 42));
    EXPECT_EQ("-1", CodeWord(QUICK_ITEMS, damage, -1));
}

// Each field the sheet fills carries the sheet's column name, so the page can say where a value
// was typed; every column of the kind's table names some field.
TEST(ReportColumnsTest, FieldsCarryTheSheetsColumnNames) {
    const auto weapons = ReportColumns(WEAPONS);
    EXPECT_EQ("General Price", ColumnNamed(weapons, "Price").strSheetName);
    EXPECT_EQ("Weapon Type", ColumnNamed(weapons, "TypeCode").strSheetName);
    EXPECT_EQ("Damage proportions Termal", ColumnNamed(weapons, "DamageProportions.termal").strSheetName);
    EXPECT_EQ("Lists", ColumnNamed(weapons, "Attack").strSheetName);
    const auto armors = ReportColumns(ARMORS);
    EXPECT_EQ("Main Absorption", ColumnNamed(armors, "MainProtection.Absorption").strSheetName);
    for (std::size_t nKind = 0; nKind < AllKinds().size(); ++nKind) {
        std::string strNamed;
        for (const SReportColumn& column : ReportColumns(nKind)) strNamed += column.strSheetName + ", ";
        for (const SColumnInfo* pColumn : AllKinds()[nKind].columns) {
            if (std::string_view(pColumn->pszMeaning).find("not stored") != std::string_view::npos) continue;
            EXPECT_NE(std::string::npos, strNamed.find(pColumn->pszName)) << pColumn->pszName;
        }
    }
}

TEST_F(ReportTest, BlocksSpreadIntoAColumnPerNamedElement) {
    SItemLists lists = Golden();
    lists.m_weapons[2].Skills.SkillLevels[2] = 7;  // backstab
    lists.m_weapons[2].DamageProportions.values[6] = 0.5f;
    lists.m_weapons[2].TypeCode = 5;
    const std::string strBytes = Save(lists);
    SDatabaseView view;
    std::string strProblem;
    ASSERT_TRUE(CheckDatabase(strBytes, view, strProblem)) << strProblem;
    EXPECT_EQ("7", Cell(view, WEAPONS, 2, "SkillLevels.backstab"));
    EXPECT_EQ("0.5", Cell(view, WEAPONS, 2, "DamageProportions.general"));
    EXPECT_EQ("\"bow\"", Cell(view, WEAPONS, 2, "TypeCode"));
    EXPECT_EQ("[0, 0, 0, 0, 0, 0, 0, 0]", Cell(view, WEAPONS, 2, "Reserved"));
}

TEST_F(ReportTest, DiffCountsAreThoseOfIdbdumpDiff) {
    SItemLists lists = Golden();
    const std::string strNew = Write("new.idb", lists);
    lists.m_weapons[3].Price += 10;
    lists.m_weapons[5].Weight = 0;
    lists.m_armors.erase(lists.m_armors.begin());
    lists.m_lootItems.push_back(lists.m_lootItems[0]);
    lists.m_lootItems.back().Name = "old trinket";
    const std::string strOld = Write("old.idb", lists);
    std::string strDiff, strErr;
    ASSERT_EQ(EXIT_DIFFERENT, RunIdbDump({"diff", strOld, strNew}, strDiff, strErr));
    const std::string strLast = strDiff.substr(strDiff.rfind('\n', strDiff.size() - 2) + 1);

    ASSERT_EQ(EXIT_SAME, Report({strNew, "--previous", strOld}));
    const std::string strData = Data();
    const std::size_t nAt = strData.find("\"diff\":{");
    ASSERT_NE(std::string::npos, nAt);
    std::size_t counts[3];
    const char* const KEYS[3] = {"\"removed\":", "\"changed\":", "\"added\":"};
    for (int i = 0; i < 3; ++i) {
        const std::size_t nKey = strData.find(KEYS[i], nAt);
        ASSERT_NE(std::string::npos, nKey) << KEYS[i];
        counts[i] = std::stoul(strData.substr(nKey + std::strlen(KEYS[i])));
    }
    EXPECT_EQ(strLast, DiffCountsText(counts[0], counts[1], counts[2]));
}

TEST_F(ReportTest, AChangedRecordMarksTheColumnsThatChanged) {
    SItemLists lists = Golden();
    const std::string strNew = Write("new.idb", lists);
    lists.m_weapons[4].Price += 1;
    lists.m_weapons[4].Skills.SkillLevels[0] += 1;  // melee
    const std::string strOld = Write("old.idb", lists);
    ASSERT_EQ(EXIT_SAME, Report({strNew, "--previous", strOld}));
    const auto columns = ReportColumns(WEAPONS);
    const std::string strExpected = "\"changed\":[[4,[" +
                                    std::to_string(IndexOf(columns, "Price")) + "," +
                                    std::to_string(IndexOf(columns, "SkillLevels.melee")) + "],[";
    EXPECT_NE(std::string::npos, Data().find(strExpected)) << strExpected;
}

TEST_F(ReportTest, AFindingLinksToTheRecordOfItsRow) {
    // The examples with a decimal comma in the first number with a point of Weapons.txt's first
    // row, which itemcheck names.
    const fs::path folder = m_dir.Path() / "tables";
    fs::create_directory(folder);
    for (const auto& entry : fs::directory_iterator(testutil::ExamplesDir()))
        if (entry.path().extension() == ".txt")
            fs::copy_file(entry.path(), folder / entry.path().filename());
    std::string strTable = testutil::ReadFile(folder / "Weapons.txt");
    std::size_t nRow = strTable.find('\n', strTable.find('\n') + 1) + 1;
    const std::string strName = strTable.substr(nRow, strTable.find('\t', nRow) - nRow);
    std::size_t nCell = nRow;
    while (nCell < strTable.size() &&
           !(strTable[nCell] == '.' &&
             std::isdigit(static_cast<unsigned char>(strTable[nCell - 1])) &&
             std::isdigit(static_cast<unsigned char>(strTable[nCell + 1]))))
        ++nCell;
    ASSERT_LT(nCell, strTable.find('\n', nRow));
    strTable[nCell] = ',';
    testutil::WriteFile(folder / "Weapons.txt", strTable);

    ASSERT_EQ(EXIT_SAME, Report({MARROW_GOLDEN_IDB, "--check", folder.string()}));
    SItemLists lists = Golden();
    std::string strLower = strName;
    LowercaseAscii(strLower);
    const auto it = std::find_if(lists.m_weapons.begin(), lists.m_weapons.end(),
                                 [&](const auto& w) { return w.Name == strLower; });
    ASSERT_NE(lists.m_weapons.end(), it);
    const std::string strData = Data();
    const std::size_t nFinding = strData.find("decimal comma");
    ASSERT_NE(std::string::npos, nFinding);
    const std::size_t nRecord = strData.find("\"record\":", nFinding);
    EXPECT_EQ(std::to_string(it - lists.m_weapons.begin()),
              strData.substr(nRecord + 9, strData.find('}', nRecord) - nRecord - 9));
}

TEST_F(ReportTest, ADamagedDatabaseIsRefusedWithItsProblemAndNoPage) {
    std::string strBytes = testutil::ReadFile(MARROW_GOLDEN_IDB);
    strBytes.resize(strBytes.size() / 2);
    const std::string strPath = m_dir / "cut.idb";
    testutil::WriteFile(strPath, strBytes);
    EXPECT_EQ(EXIT_TROUBLE, Report({strPath}));
    EXPECT_EQ(0u, m_strErr.find(strPath + ": at byte ")) << m_strErr;
    EXPECT_EQ("", m_strOut);
    EXPECT_FALSE(fs::exists(m_strPage));
    EXPECT_EQ(EXIT_TROUBLE, Report({MARROW_GOLDEN_IDB, "--previous", strPath}));
    EXPECT_EQ(0u, m_strErr.find(strPath + ": at byte ")) << m_strErr;
    EXPECT_FALSE(fs::exists(m_strPage));
}

TEST_F(ReportTest, BadArgumentsAndMissingFilesAreNamed) {
    const std::string strMissing = m_dir / "missing.idb";
    const struct {
        std::vector<std::string> args;
        std::string strStart;
    } CASES[] = {
        {{}, "idbdump report: expected one items.idb.\n"},
        {{MARROW_GOLDEN_IDB, MARROW_GOLDEN_IDB}, "idbdump report: expected one items.idb.\n"},
        {{MARROW_GOLDEN_IDB, "--previous"}, "idbdump report: --previous needs a value.\n"},
        {{MARROW_GOLDEN_IDB, "--raw"}, "idbdump report: unknown option \"--raw\".\n"},
        {{strMissing}, "idbdump: " + strMissing + " cannot be opened ("},
        {{MARROW_GOLDEN_IDB, "-o", MARROW_GOLDEN_IDB},
         "idbdump report: the page would replace \"" MARROW_GOLDEN_IDB "\".\n"},
        {{MARROW_GOLDEN_IDB, "--check", strMissing},
         "idbdump report: there is no folder \"" + strMissing + "\" to check.\n"},
    };
    for (const auto& c : CASES) {
        EXPECT_EQ(EXIT_TROUBLE, RunReport(c.args, m_strOut, m_strErr));
        EXPECT_EQ(0u, m_strErr.find(c.strStart)) << m_strErr;
    }
}

TEST_F(ReportTest, APageThatCannotBeWrittenIsAFailure) {
    m_strPage = (m_dir.Path() / "no-such-folder" / "report.html").string();
    EXPECT_EQ(EXIT_TROUBLE, Report({MARROW_GOLDEN_IDB}));
    EXPECT_EQ(0u, m_strErr.find("idbdump report: cannot write \"" + m_strPage + "\" ("))
        << m_strErr;
    EXPECT_EQ("", m_strOut);
}
}  // namespace
