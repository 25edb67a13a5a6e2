// ini2reg: how values are typed, how INI text is read, how the hash tables are laid out, the
// limits of the format, and the command line of the program.
#include "tools/ini2reg/IniConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"
#include "testsupport/TestUtil.h"

namespace {

constexpr int RTYPE_STRING_LIST = RTYPE_LIST | RTYPE_STRING;

std::uint32_t FloatBits(float f) {
    std::uint32_t nBits;
    std::memcpy(&nBits, &f, sizeof nBits);
    return nBits;
}

// ---- Typing ------------------------------------------------------------------------------

TEST(IniValue, TypeFollowsFirstMatchingRule) {
    static const struct {
        int nType;
        std::vector<const char*> values;
    } CASES[] = {{RTYPE_INT, {"10", "-2147483648", "2147483647", "+7", "007"}},
                 {RTYPE_FLOAT,
                  {"2147483648", "-2147483649", "5.", ".5", "-.5e1", "1E3", "1e+3", "2.5e-3",
                   "3.4e38", "1e-50"}},
                 {RTYPE_STRING,
                  {"1e39", "-1e39", "\"10\"", "0x10", "inf", "nan", "-inf", ".", "e5", "1e", "1e+",
                   "-", "1 0", "1.5.5", "", "\""}},
                 {RTYPE_STRING_LIST, {"a, ,b", "2,5", ", ", "\"1\",2", "1e39,"}}};
    for (const auto& c : CASES)
        for (const char* pszValue : c.values)
            EXPECT_EQ(c.nType, ClassifyValue(pszValue).nType) << pszValue;
}

TEST(IniValue, IntegersKeepTheirValue) {
    static const struct {
        const char* szValue;
        std::int32_t nValue;
    } CASES[] = {
        {"10", 10}, {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX}, {"+7", 7}, {"-0", 0},
        {"007", 7}};
    for (const auto& c : CASES) EXPECT_EQ(c.nValue, ClassifyValue(c.szValue).nInt) << c.szValue;
}

TEST(IniValue, FloatsAreRoundedOnceToTheNearestSingle) {
    static const struct {
        const char* szValue;
        float fValue;
    } CASES[] = {{"5.", 5.0f},
                 {".5", 0.5f},
                 {"-.5e1", -5.0f},
                 {"2.5e-3", 0.0025f},
                 {"0.1", 0.1f},
                 {"1E3", 1000.0f},
                 {"2147483648", 2147483648.0f},
                 {"-2147483649", -2147483648.0f},
                 {"99999999999999999999", 1e20f},
                 {"1e-50", 0.0f},
                 {"-1e-50", 0.0f},
                 {"1e-45", 1.40129846e-45f},
                 {"1e-99999999999", 0.0f},
                 {"3.4028235e38", 3.4028235e38f}};
    for (const auto& c : CASES) EXPECT_EQ(c.fValue, ClassifyValue(c.szValue).fFloat) << c.szValue;
    // Just above the midpoint of 1 and the next single: through a double it would become 1.
    EXPECT_EQ(0x3F800001u, FloatBits(ClassifyValue("1.000000059604644775390625000001").fFloat));
}

TEST(IniValue, TextOfStringsAndListsIsKept) {
    static const struct {
        const char *szValue, *szText;
    } CASES[] = {{"\"10\"", "10"},   {"\" a,b \"", " a,b "}, {"\"\"", ""},
                 {"Sword", "Sword"}, {"a, ,b", "a, ,b"},     {"1e39", "1e39"}};
    for (const auto& c : CASES) EXPECT_EQ(c.szText, ClassifyValue(c.szValue).strText) << c.szValue;
}

// A spreadsheet doubles the quotes inside a quoted cell; each pair stands for one quote, and
// only inside quotes.
TEST(IniValue, DoubledQuotesInsideQuotesAreStoredSingle) {
    static const struct {
        const char *szValue, *szStored;
        std::uint32_t nPairs;
    } CASES[] = {{"\"say \"\"hi\"\"\"", "say \"hi\"", 2},
                 {"\"\"\"\"", "\"", 1},
                 {"\"a\"\"\"b\"", "a\"\"b", 1},  // a pair, then a lone quote
                 {"\"12\"\" pipe, long\"", "12\" pipe, long", 1},
                 {"\"plain\"", "plain", 0}};
    for (const auto& c : CASES) {
        const SIniValue value = ClassifyValue(c.szValue);
        EXPECT_EQ(RTYPE_STRING, value.nType) << c.szValue;
        EXPECT_EQ(c.nPairs, value.nDoubledQuotes) << c.szValue;
        EXPECT_EQ(c.szStored, StoredString(value)) << c.szValue;
    }
    const SIniValue unquoted = ClassifyValue("a\"\"b");  // not quoted: kept as written
    EXPECT_EQ(0u, unquoted.nDoubledQuotes);
    EXPECT_EQ("a\"\"b", StoredString(unquoted));
}

// ---- Reading INI text --------------------------------------------------------------------

class IniConverterTest : public ::testing::Test {
protected:
    static std::string Convert(std::string_view strIni) {
        std::string strRegistry, strError;
        EXPECT_TRUE(ConvertIniToMemory(strIni, strRegistry, strError)) << strError;
        return strRegistry;
    }
    void Open(std::string_view strIni) {
        m_registry.Close();
        m_strRegistry = Convert(strIni);
        ASSERT_TRUE(
            m_registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(m_strRegistry.data()),
                                  static_cast<std::uint32_t>(m_strRegistry.size())));
    }
    std::vector<std::string> SectionNames() const {
        std::vector<std::string> names;
        m_registry.GetSectionNames(names);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string m_strRegistry;
    CFileRegistry m_registry;
};

TEST_F(IniConverterTest, ExampleFileIsProducedByteForByte) {
    EXPECT_EQ(
        "FB 3E AB 45 01 00 FF FF 0C 00 00 00 01 00 05 00 53 77 6F 72 64 FF FF 0F 00 00 00 02 04 "
        "00 4E 61 6D 65 05 00 53 77 6F 72 64",
        testutil::Hex(Convert("\n[Sword]\nName=Sword\n")));
    EXPECT_EQ("FB 3E AB 45 00 00", testutil::Hex(Convert("")));
}

TEST_F(IniConverterTest, LineEndsCommentsAndEmptyLinesDoNotChangeTheFile) {
    const std::string strPlain = Convert("[S]\nA=1\nB=x\n[T]\nC=2,3");
    EXPECT_EQ(strPlain, Convert("[S]\r\nA=1\r\nB=x\r\n[T]\r\nC=2,3\r\n"));
    EXPECT_EQ(strPlain, Convert("\n; note\n[S]\n\nA=1\n;A=5\n;[U]\nB=x\n\r\n[T]\nC=2,3\n"));
    EXPECT_EQ(strPlain, Convert("Z=9\nY=8\n[S]\nA=1\nno equals sign\nB=x\n[T]\nC=2,3\n"));
    EXPECT_EQ(strPlain, Convert("[S]\n \t \nA=1\r\nB=x\n[T]\r\nC=2,3\n"));
}

TEST_F(IniConverterTest, KeyIsVerbatimAndValueIsTrimmed) {
    Open("[S]\nPrice =5\n Weight=6\nName= \t a b \t\nQuoted=\" x \"\nEq=b=c\n");
    EXPECT_EQ(5, m_registry.GetInt("S", "Price ", -1));
    EXPECT_EQ(-1, m_registry.GetInt("S", "Price", -1));
    EXPECT_EQ(6, m_registry.GetInt("S", " Weight", -1));
    EXPECT_EQ("a b", m_registry.GetString("S", "Name", "none"));
    EXPECT_EQ(" x ", m_registry.GetString("S", "Quoted", "none"));
    EXPECT_EQ("b=c", m_registry.GetString("S", "Eq", "none"));
}

TEST_F(IniConverterTest, FirstOfRepeatedKeyOrSectionWinsIgnoringCase) {
    EXPECT_EQ(Convert("[S]\nA=1\n"), Convert("[S]\nA=1\na=2\nA=3\n"));
    EXPECT_EQ(Convert("[S]\nA=1\n[T]\nC=4\n"), Convert("[S]\nA=1\n[s]\nA=2\nB=3\n[T]\nC=4\n"));
    Open("[Sword]\nPrice=1\n[SWORD]\nPrice=2\n");
    EXPECT_EQ(std::vector<std::string>{"Sword"}, SectionNames());
    EXPECT_EQ(1, m_registry.GetInt("sword", "PRICE", -1));
}

TEST_F(IniConverterTest, SectionNameRunsToTheLastClosingBracket) {
    static const struct {
        const char *szLine, *szName;
    } CASES[] = {{"[a]b]", "a]b"}, {"[x] ; note", "x"}, {"[open", "open"},
                 {"[ S ]", " S "}, {"[]", ""},          {"[open\r", "open"}};
    for (const auto& c : CASES) {
        Open(std::string(c.szLine) + "\nA=1\n");
        EXPECT_EQ(std::vector<std::string>{c.szName}, SectionNames()) << c.szLine;
        EXPECT_EQ(1, m_registry.GetInt(c.szName, "A", -1)) << c.szLine;
    }
}

TEST_F(IniConverterTest, QuotedValueIsStoredWithItsDoubledQuotesMadeSingle) {
    Open("[S]\nA=\"6\"\" blade, \"\"sharp\"\"\"\nB=\"\"\"\"\"\"\nC=x\"\"y\n");
    EXPECT_EQ("6\" blade, \"sharp\"", m_registry.GetString("S", "A", "?"));
    EXPECT_EQ("\"\"", m_registry.GetString("S", "B", "?"));
    EXPECT_EQ("x\"\"y", m_registry.GetString("S", "C", "?"));
    std::string strProblem;
    EXPECT_TRUE(m_registry.Verify(strProblem)) << strProblem;
}

TEST_F(IniConverterTest, ListElementsAreTrimmedAndEmptyOnesDropped) {
    static const struct {
        const char* szValue;
        std::vector<std::string> elements;
    } CASES[] = {{"a , ,b,,\t c \t", {"a", "b", "c"}},
                 {"x y,z", {"x y", "z"}},
                 {"one,", {"one"}},
                 {", ,", {}},
                 {"1,2", {"1", "2"}}};
    for (const auto& c : CASES) {
        Open(std::string("[S]\nL=") + c.szValue + "\n");
        std::vector<std::string> list{"stale"};
        EXPECT_TRUE(m_registry.GetStringList("S", "L", list)) << c.szValue;
        EXPECT_EQ(c.elements, list) << c.szValue;
        EXPECT_NE(nullptr, m_registry.FindData("S", "L", RTYPE_STRING_LIST)) << c.szValue;
    }
}

// ---- Layout ------------------------------------------------------------------------------

std::uint32_t U16(const std::string& strFile, size_t nAt) {
    return static_cast<std::uint8_t>(strFile.at(nAt)) |
           (std::uint32_t{static_cast<std::uint8_t>(strFile.at(nAt + 1))} << 8);
}
std::uint32_t U32(const std::string& strFile, size_t nAt) {
    return U16(strFile, nAt) | (U16(strFile, nAt + 2) << 16);
}

// One hash table as stored: per slot its link, the entry's name and the entry's record offset.
struct STable {
    std::vector<std::uint32_t> next, records;
    std::vector<std::string> names;
};

STable SectionTable(const std::string& strFile) {
    STable table;
    for (std::uint32_t i = 0, n = U16(strFile, 4); i < n; ++i) {
        const std::uint32_t nRecord = U32(strFile, 8 + 6 * i);
        table.next.push_back(U16(strFile, 6 + 6 * i));
        table.records.push_back(nRecord);
        table.names.push_back(strFile.substr(nRecord + 4, U16(strFile, nRecord + 2)));
    }
    return table;
}

STable ValueTable(const std::string& strFile, std::uint32_t nSection) {
    STable table;
    const std::uint32_t nSlots = nSection + 4 + U16(strFile, nSection + 2);
    for (std::uint32_t j = 0, n = U16(strFile, nSection); j < n; ++j) {
        const std::uint32_t nRecord = nSection + U32(strFile, nSlots + 6 * j + 2);
        table.next.push_back(U16(strFile, nSlots + 6 * j));
        table.records.push_back(nRecord);
        table.names.push_back(strFile.substr(nRecord + 3, U16(strFile, nRecord + 1)));
    }
    return table;
}

// A lookup that starts at a name's home slot meets exactly the entries of that hash.
void ExpectUncoalescedChains(const STable& table, const std::string& strWhere) {
    const auto n = static_cast<std::uint32_t>(table.names.size());
    std::vector<std::uint32_t> homes;
    for (const std::string& strName : table.names) homes.push_back(HashName(strName, n));
    std::vector<bool> reached(n, false);
    for (std::uint32_t nHome : std::set<std::uint32_t>(homes.begin(), homes.end())) {
        std::uint32_t nSlot = nHome;
        for (std::uint32_t nSteps = 0; nSlot < n && nSteps < n;
             ++nSteps, nSlot = table.next[nSlot]) {
            EXPECT_EQ(nHome, homes[nSlot]) << strWhere << ", slot " << nSlot;
            reached[nSlot] = true;
        }
        EXPECT_EQ(std::uint32_t{CHAIN_END}, nSlot) << strWhere << ", chain of " << nHome;
    }
    EXPECT_EQ(std::vector<bool>(n, true), reached) << strWhere;
    EXPECT_EQ(n, std::set<std::uint32_t>(table.records.begin(), table.records.end()).size());
}

// Names that collide often: equal byte sums ("Sword 0001", "Sword 0010"), case twins, and
// bytes that count negative.
std::string CollidingName(std::mt19937& random) {
    std::string strName;
    switch (random() % 4) {
        case 0:
            strName = "0001";
            std::shuffle(strName.begin(), strName.end(), random);
            return "Sword " + strName;
        case 1:
            for (size_t i = 0, n = 1 + random() % 3; i < n; ++i) strName += "abAB"[random() % 4];
            return strName;
        case 2:
            return "Item " + std::to_string(random() % 50);
        default:
            return std::string(1, static_cast<char>(0x80 + random() % 128)) + "x";
    }
}

std::string CollidingIni(std::mt19937& random) {
    std::string strIni;
    for (size_t i = 0, nSections = 1 + random() % 40; i < nSections; ++i) {
        strIni += "[" + CollidingName(random) + "]\n";
        for (size_t j = 0, nValues = random() % 25; j < nValues; ++j)
            strIni += CollidingName(random) + "=" + std::to_string(j) + "\n";
    }
    return strIni;
}

TEST_F(IniConverterTest, ChainsHoldOnlyEntriesOfTheirOwnHash) {
    std::mt19937 random(7);
    for (int nRound = 0; nRound < 300; ++nRound) {
        const std::string strFile = Convert(CollidingIni(random));
        const STable sections = SectionTable(strFile);
        ExpectUncoalescedChains(sections, "sections of round " + std::to_string(nRound));
        if (HasFailure()) break;  // one broken round tells enough
        for (size_t i = 0; i < sections.records.size(); ++i)
            ExpectUncoalescedChains(
                ValueTable(strFile, sections.records[i]),
                "section " + sections.names[i] + " of round " + std::to_string(nRound));
    }
}

TEST_F(IniConverterTest, EqualByteSumsShareOneChain) {
    Open("[Sword 0001]\nA=1\n[Sword 0010]\nA=2\n[Sword 0100]\nA=3\n[Sword 1000]\nA=4\n");
    ExpectUncoalescedChains(SectionTable(m_strRegistry), "sections");
    static const char* const NAMES[] = {"Sword 0001", "Sword 0010", "Sword 0100", "Sword 1000"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(i + 1, m_registry.GetInt(NAMES[i], "A", -1)) << NAMES[i];
    const std::string strValues = Convert("[S]\nab=1\nBA=2\nb=3\nc=4\na=5\n");
    ExpectUncoalescedChains(ValueTable(strValues, SectionTable(strValues).records[0]), "values");
}

// ---- Round trip --------------------------------------------------------------------------

// One generated value and what the registry must give back for it.
struct SExpected {
    std::string strSection, strKey;
    int nType = RTYPE_STRING;
    std::int32_t nInt = 0;
    float fFloat = 0.0f;
    std::vector<std::string> texts;  // the string, or the list's elements
};

std::string Word(std::mt19937& random) {
    std::string strWord(1 + random() % 6, 'a');
    for (char& c : strWord) c = "abcXYZ_-"[random() % 8];
    if (random() % 3 == 0) strWord += " " + Word(random);
    return strWord;
}

// The INI text of one value; fills in the expected type and value.
std::string ValueText(std::mt19937& random, SExpected& e) {
    char szText[32];
    switch (random() % 5) {
        case 0:
            e.nType = RTYPE_INT;
            e.nInt = static_cast<std::int32_t>(random());
            return std::to_string(e.nInt);
        case 1: {
            e.nType = RTYPE_FLOAT;
            e.fFloat = static_cast<float>(static_cast<int>(random() % 200001) - 100000) / 8.0f +
                       1.0f / 16.0f;
            return std::string(szText, std::to_chars(szText, szText + 32, e.fFloat).ptr);
        }
        case 2:
            e.texts = {Word(random)};
            return e.texts[0];
        case 3:
            e.texts = {std::to_string(random() % 100) + ", " + Word(random)};
            return "\"" + e.texts[0] + "\"";
        default: {
            e.nType = RTYPE_STRING_LIST;
            e.texts = {Word(random), Word(random)};
            return " " + e.texts[0] + " ,, \t" + e.texts[1] + ", ";
        }
    }
}

std::string GeneratedIni(std::mt19937& random, std::vector<SExpected>& expected) {
    std::string strIni;
    for (size_t i = 0, nSections = 1 + random() % 30; i < nSections; ++i) {
        const std::string strSection = "Row " + std::to_string(i) + " " + Word(random);
        strIni += "[" + strSection + "]\n";
        for (size_t j = 0, nValues = random() % 20; j < nValues; ++j) {
            SExpected e;
            e.strSection = strSection;
            e.strKey = "Column " + std::to_string(j) + Word(random);
            strIni += e.strKey + "=" + ValueText(random, e) + "\n";
            expected.push_back(e);
        }
    }
    return strIni;
}

void ExpectFound(const CFileRegistry& registry, const SExpected& e) {
    const std::string strWhere = e.strSection + "/" + e.strKey;
    EXPECT_NE(nullptr,
              registry.FindData(e.strSection, e.strKey, static_cast<std::uint8_t>(e.nType)))
        << strWhere;
    std::vector<std::string> list;
    if (e.nType == RTYPE_INT) {
        EXPECT_EQ(e.nInt, registry.GetInt(e.strSection, e.strKey, 0)) << strWhere;
    } else if (e.nType == RTYPE_FLOAT) {
        EXPECT_EQ(e.fFloat, registry.GetFloat(e.strSection, e.strKey, 0.5f)) << strWhere;
    } else if (e.nType == RTYPE_STRING) {
        EXPECT_EQ(e.texts[0], registry.GetString(e.strSection, e.strKey, "none")) << strWhere;
    } else {
        EXPECT_TRUE(registry.GetStringList(e.strSection, e.strKey, list)) << strWhere;
        EXPECT_EQ(e.texts, list) << strWhere;
    }
}

TEST_F(IniConverterTest, EveryGeneratedValueIsFoundWithItsTypeAndValue) {
    std::mt19937 random(11);
    for (int nRound = 0; nRound < 100; ++nRound) {
        std::vector<SExpected> expected;
        Open(GeneratedIni(random, expected));
        for (const SExpected& e : expected) ExpectFound(m_registry, e);
        std::string strProblem;
        EXPECT_TRUE(m_registry.Verify(strProblem)) << strProblem;
    }
}

// ---- Limits ------------------------------------------------------------------------------

std::string ManySections(unsigned nCount) {
    std::string strIni;
    for (unsigned i = 0; i < nCount; ++i) strIni += "[S" + std::to_string(i) + "]\n";
    return strIni;
}

TEST_F(IniConverterTest, SixtyFiveThousandFiveHundredThirtyFiveSectionsFit) {
    Open(ManySections(65535) + "A=1\n");
    std::vector<std::string> names;
    m_registry.GetSectionNames(names);
    EXPECT_EQ(65535u, names.size());
    EXPECT_EQ(1, m_registry.GetInt("S65534", "A", -1));
    std::string strRegistry, strError;
    EXPECT_FALSE(ConvertIniToMemory(ManySections(65536), strRegistry, strError));
    EXPECT_NE(std::string::npos, strError.find("65,535")) << strError;
}

// Refused where the limit is passed, naming the section past it: the rest is not read.
TEST_F(IniConverterTest, SectionsPastTheLimitAreRefusedAtTheFirstOneTooMany) {
    std::string strRegistry, strError;
    EXPECT_FALSE(ConvertIniToMemory(ManySections(70000) + "[S1]\n", strRegistry, strError));
    EXPECT_EQ(
        "the INI file holds at least 65536 sections (the 65,536th is \"S65535\"); a registry "
        "file holds at most 65,535",
        strError);
    // A repeated name is no new section: 65,535 names, each twice in another case, fit.
    std::string strIni = ManySections(65535);
    for (unsigned i = 0; i < 65535; ++i) strIni += "[s" + std::to_string(i) + "]\nB=2\n";
    Open(strIni);
    std::vector<std::string> names;
    m_registry.GetSectionNames(names);
    EXPECT_EQ(65535u, names.size());
    EXPECT_EQ(-1, m_registry.GetInt("S0", "B", -1)) << "the first of a repeated section wins";
}

TEST(IniConverterFile, FailedConversionLeavesNoRegistryFile) {
    testutil::CTempDir dir;
    testutil::WriteFile(dir.Path() / "tempreg.ini", ManySections(65536));
    std::string strError;
    EXPECT_FALSE(
        ConvertIniFile((dir / "tempreg.ini").c_str(), (dir / "tempreg.reg").c_str(), strError));
    EXPECT_NE(std::string::npos, strError.find("65,535")) << strError;
    std::vector<std::string> files;
    for (const auto& entry : testutil::fs::directory_iterator(dir.Path()))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(std::vector<std::string>{"tempreg.ini"}, files);
}

#ifndef _WIN32
// The registry is written through a temporary of the converter's own, created new: a link put
// at that name is removed, and what it points to is never written through.
TEST(IniConverterFile, ALinkAtTheTemporaryNameIsNotWrittenThrough) {
    testutil::CTempDir dir;
    testutil::WriteFile(dir.Path() / "tempreg.ini", "[S]\nK=1\n");
    testutil::WriteFile(dir.Path() / "victim", "keep me");
    const std::string strReg = (dir / "tempreg.reg");
    testutil::fs::create_symlink(dir.Path() / "victim", platform::TemporaryNameFor(strReg));
    std::string strError;
    EXPECT_TRUE(ConvertIniFile((dir / "tempreg.ini").c_str(), strReg.c_str(), strError)) << strError;
    EXPECT_EQ("keep me", testutil::ReadFile(dir.Path() / "victim"));
    EXPECT_FALSE(testutil::fs::is_symlink(strReg));
    EXPECT_FALSE(testutil::fs::exists(platform::TemporaryNameFor(strReg)));
    EXPECT_EQ(REGISTRY_MAGIC, ReadU32(reinterpret_cast<const std::uint8_t*>(
                                  testutil::ReadFile(strReg).data())));
}
#endif

// n elements "a" joined by commas.
std::string ListOf(size_t n) {
    std::string strList("a");
    for (size_t i = 1; i < n; ++i) strList += ",a";
    return strList;
}

// A section of n values.
std::string ValuesOf(size_t n) {
    std::string strIni = "[S]\n";
    for (size_t i = 0; i < n; ++i) strIni += "K" + std::to_string(i) + "=1\n";
    return strIni;
}

TEST(IniConverterLimits, LongestTextsAndLargestCountsFitAndOneMoreIsRefused) {
    const auto Text = [](size_t n) { return std::string(n, 'x'); };
    static const size_t SIZES[] = {65535, 65536};
    for (size_t n : SIZES) {
        const bool bFits = n == 65535;
        const std::string CASES[] = {"[S]\nA=" + Text(n),
                                     "[S]\nA=\"" + Text(n) + "\"",
                                     // n stored bytes: the doubled quote counts once
                                     "[S]\nA=\"" + Text(n - 1) + "\"\"\"",
                                     "[S]\n" + Text(n) + "=1",
                                     "[" + Text(n) + "]\nA=1",
                                     "[S]\nA=b," + Text(n),
                                     "[S]\nA=" + ListOf(n),
                                     ValuesOf(n)};
        std::string strRegistry, strError;
        for (const std::string& strIni : CASES)
            EXPECT_EQ(bFits, ConvertIniToMemory(strIni, strRegistry, strError))
                << n << ": " << strIni.substr(0, 12) << " " << strError;
    }
}

// A section is refused at its 65,536th distinct key, which the message names (in Marrow's
// tempreg.ini, the column past the limit); the keys after it are not read.
TEST(IniConverterLimits, SectionOfTooManyKeysIsRefusedAtTheKeyPastTheLimit) {
    std::string strRegistry, strError;
    EXPECT_FALSE(ConvertIniToMemory(ValuesOf(70000), strRegistry, strError));
    EXPECT_EQ(
        "more than 65,535 values in \"S\" (the 65,536th is \"K65535\"): a registry file holds "
        "at most 65,535",
        strError);
    // Repeats are no new keys: 65,535 keys, each given again in another case, fit.
    std::string strIni = ValuesOf(65535);
    for (size_t i = 0; i < 65535; ++i) strIni += "k" + std::to_string(i) + "=2\n";
    ASSERT_TRUE(ConvertIniToMemory(strIni, strRegistry, strError)) << strError;
    CFileRegistry registry;
    ASSERT_TRUE(registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(strRegistry.data()),
                                    static_cast<std::uint32_t>(strRegistry.size())));
    EXPECT_EQ(1, registry.GetInt("S", "K65534", -1));
}

// Keys made of the same bytes share their byte sum and so one chain in the file, but the
// converter tells them apart by their bytes, as it does any keys: a full section of them
// converts, and each is found with its own value.
TEST(IniConverterLimits, FullSectionOfKeysOfOneByteSumConverts) {
    std::string strKey = "aaaabbbbccccdddd";
    std::vector<std::string> keys;
    std::string strIni = "[S]\n";
    for (unsigned i = 0; i < 65535; ++i, std::next_permutation(strKey.begin(), strKey.end())) {
        keys.push_back(strKey);
        strIni += strKey + "=" + std::to_string(i) + "\n";
    }
    strIni += "AAAABBBBCCCCDDDD=-5\n";  // the first key again, in capitals: skipped
    std::string strRegistry, strError;
    ASSERT_TRUE(ConvertIniToMemory(strIni, strRegistry, strError)) << strError;
    CFileRegistry registry;
    ASSERT_TRUE(registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(strRegistry.data()),
                                    static_cast<std::uint32_t>(strRegistry.size())));
    std::string strProblem;
    EXPECT_TRUE(registry.Verify(strProblem)) << strProblem;
    EXPECT_EQ(0, registry.GetInt("S", "AAAABBBBCCCCDDDD", -1));
    for (unsigned i = 0; i < 65535; i += 4096)
        EXPECT_EQ(static_cast<int>(i), registry.GetInt("S", keys[i].c_str(), -1)) << keys[i];
    EXPECT_EQ(65534, registry.GetInt("S", keys.back().c_str(), -1));
}

// ---- Large files: batches of sections, encoded on two threads where there are two cores --

// Section "S<i>" with values that differ from section to section.
std::string NumberedSection(unsigned i) {
    const std::string n = std::to_string(i);
    return "[S" + n + "]\nInt=" + n + "\nText=t" + n + "\nList=a" + n + ", b\nF=" + n + ".5\n";
}

std::string NumberedSections(unsigned nCount) {
    std::string strIni;
    for (unsigned i = 0; i < nCount; ++i) strIni += NumberedSection(i);
    return strIni;
}

// Each section's offset and record as the file holds them, by section name: from the offset
// up to the next record or the end of the file.
std::map<std::string, std::pair<std::uint32_t, std::string>> RecordsByName(const std::string& strRegistry) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(strRegistry.data());
    const std::uint32_t nSections = ReadU16(p + 4);
    std::map<std::uint32_t, std::string> names;
    for (std::uint32_t i = 0; i < nSections; ++i) {
        const std::uint32_t nOffset = ReadU32(p + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * i + 2);
        names[nOffset] = strRegistry.substr(nOffset + 4, ReadU16(p + nOffset + 2));
    }
    std::map<std::string, std::pair<std::uint32_t, std::string>> records;
    for (auto it = names.begin(); it != names.end(); ++it) {
        const auto next = std::next(it);
        const size_t nEnd = next == names.end() ? strRegistry.size() : next->first;
        records[it->second] = {it->first, strRegistry.substr(it->first, nEnd - it->first)};
    }
    return records;
}

TEST(IniConverterBatches, EveryRecordIsWhatItsSectionAloneGivesAndInSectionOrder) {
    // Many batches of both threads, and a last batch cut short.
    const unsigned nSections = 64 * 9 + 17;
    std::string strRegistry, strError;
    ASSERT_TRUE(ConvertIniToMemory(NumberedSections(nSections), strRegistry, strError)) << strError;
    const auto records = RecordsByName(strRegistry);
    ASSERT_EQ(nSections, records.size());
    std::uint32_t nPrevious = 0;
    for (unsigned i = 0; i < nSections; ++i) {
        const auto it = records.find("S" + std::to_string(i));
        ASSERT_NE(records.end(), it) << i;
        EXPECT_LT(nPrevious, it->second.first) << i;
        nPrevious = it->second.first;
        // Alone, the record follows the 6-byte header and one section slot.
        std::string strAlone;
        ASSERT_TRUE(ConvertIniToMemory(NumberedSection(i), strAlone, strError)) << strError;
        EXPECT_EQ(strAlone.substr(REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE), it->second.second) << i;
    }
    CFileRegistry registry;
    ASSERT_TRUE(registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(strRegistry.data()),
                                    static_cast<std::uint32_t>(strRegistry.size())));
    std::string strProblem;
    EXPECT_TRUE(registry.Verify(strProblem)) << strProblem;
}

TEST(IniConverterBatches, TheFirstFailingSectionInFileOrderIsReported) {
    // Sections 0-63 are the caller's first batch, 64-127 the helper's, 128-191 the caller's...
    static const struct {
        std::vector<unsigned> failing;
        const char* pszReported;
    } CASES[] = {{{70, 200}, "\"S70\""}, {{10, 70}, "\"S10\""}, {{130, 200}, "\"S130\""},
                 {{199, 130}, "\"S130\""}, {{639}, "\"S639\""}};
    const std::string strTooLong = "Long=\"" + std::string(65536, 'x') + "\"\n";
    for (const auto& c : CASES) {
        std::string strIni;
        for (unsigned i = 0; i < 640; ++i) {
            strIni += NumberedSection(i);
            if (std::find(c.failing.begin(), c.failing.end(), i) != c.failing.end()) strIni += strTooLong;
        }
        std::string strRegistry, strError;
        EXPECT_FALSE(ConvertIniToMemory(strIni, strRegistry, strError));
        EXPECT_NE(std::string::npos, strError.find(c.pszReported)) << c.pszReported << ": " << strError;
    }
}

// ---- The program -------------------------------------------------------------------------

class Ini2RegProgram : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), testutil::Ini2RegPath());
        int nExitCode = -1;
        EXPECT_TRUE(platform::RunProgram(args, m_dir.Path().string().c_str(),
                                         (m_dir / "out.txt").c_str(), (m_dir / "err.txt").c_str(),
                                         nExitCode));
        return nExitCode;
    }
    std::string Read(const char* pszName) const {
        return testutil::ReadOutput(m_dir.Path() / pszName);
    }
    testutil::CTempDir m_dir;
};

TEST_F(Ini2RegProgram, HelpExplainsUseAndSucceeds) {
    EXPECT_EQ(0, Run({"--help"}));
    const std::string strHelp = Read("out.txt");
    EXPECT_NE(std::string::npos, strHelp.find("Usage: ini2reg <file.ini> [<file.reg>]\n"));
    EXPECT_EQ("", Read("err.txt"));
    EXPECT_EQ(0, Run({"-h"}));
    EXPECT_EQ(strHelp, Read("out.txt"));
}

TEST_F(Ini2RegProgram, BadArgumentsFailWithAMessage) {
    const std::vector<std::vector<std::string>> CASES = {
        {}, {"a.ini", "b.reg", "c"}, {"-x"}, {""}, {"a.ini", ""}, {"missing.ini"}};
    for (const auto& args : CASES) {
        EXPECT_NE(0, Run(args)) << args.size();
        EXPECT_NE("", Read("err.txt")) << args.size();
    }
    EXPECT_NE(std::string::npos, Read("err.txt").find("cannot open \"missing.ini\""));
}

// A table of a million columns reaches ini2reg as one section of a million keys: it is refused
// with its reason, and nothing is left.
TEST_F(Ini2RegProgram, ASectionOfAMillionKeysIsRefusedWithItsReason) {
    testutil::WriteFile(m_dir.Path() / "wide.ini", ValuesOf(1000000));
    EXPECT_EQ(1, Run({"wide.ini"}));
    EXPECT_EQ(
        "ini2reg: wide.ini: more than 65,535 values in \"S\" (the 65,536th is \"K65535\"): a "
        "registry file holds at most 65,535.\n",
        Read("err.txt"));
    EXPECT_FALSE(testutil::fs::exists(m_dir.Path() / "wide.reg"));
    EXPECT_FALSE(testutil::fs::exists(m_dir.Path() / "wide.reg.tmp"));
}

TEST_F(Ini2RegProgram, ConvertsBesideTheInputOrRefusesAndLeavesNothing) {
    testutil::WriteFile(m_dir.Path() / "tempreg.ini", "[Sword]\r\nName=Sword\r\n");
    EXPECT_EQ(0, Run({"tempreg.ini"}));
    EXPECT_EQ(
        testutil::Unhex("FB 3E AB 45 01 00 FF FF 0C 00 00 00 01 00 05 00 53 77 6F 72 64 FF FF "
                        "0F 00 00 00 02 04 00 4E 61 6D 65 05 00 53 77 6F 72 64"),
        testutil::ReadFile(m_dir.Path() / "tempreg.reg"));
    testutil::WriteFile(m_dir.Path() / "big.ini", ManySections(65536));
    EXPECT_NE(0, Run({"big.ini"}));
    EXPECT_FALSE(testutil::fs::exists(m_dir.Path() / "big.reg"));
    EXPECT_FALSE(testutil::fs::exists(m_dir.Path() / "big.reg.tmp"));
}

}  // namespace
