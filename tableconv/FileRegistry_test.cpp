// CFileRegistry: the example file of docs/registry-format.md, typed getters, section order, and
// damaged files that must find nothing without reading outside the bytes they were given.
#include "tableconv/FileRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tableconv/TableConverter.h"
#include "testsupport/TestUtil.h"
#include "tools/ini2reg/IniConverter.h"

namespace {

// One section Sword holding the string value Name = "Sword".
constexpr const char* SWORD_HEX =
    "FB 3E AB 45  01 00  FF FF 0C 00 00 00  01 00 05 00  53 77 6F 72 64"
    "  FF FF 0F 00 00 00  02 04 00  4E 61 6D 65  05 00 53 77 6F 72 64";
// One section S holding the list L = {"a", "b"}.
constexpr const char* LIST_HEX =
    "FB 3E AB 45  01 00  FF FF 0C 00 00 00  01 00 01 00  53  FF FF 0B 00 00 00"
    "  82 01 00 4C  02 00  01 00 61  01 00 62";
// One section S holding the float F = NaN.
constexpr const char* NAN_HEX =
    "FB 3E AB 45  01 00  FF FF 0C 00 00 00  01 00 01 00  53  FF FF 0B 00 00 00"
    "  01 01 00 46  00 00 C0 7F";

std::string Convert(std::string_view strIni) {
    std::string strRegistry, strError;
    EXPECT_TRUE(ConvertIniToMemory(strIni, strRegistry, strError)) << strError;
    return strRegistry;
}

bool StartsWith(const std::string& str, const std::string& strPrefix) {
    return str.compare(0, strPrefix.size(), strPrefix) == 0;
}

// The registry reads from a buffer of exactly the file's size, so that the sanitizers catch
// every read past its end.
class FileRegistryTest : public ::testing::Test {
protected:
    // A new vector each time: a reused one would keep spare capacity past the file's end.
    void Load(std::string_view strBytes) {
        m_bytes = std::vector<std::uint8_t>(strBytes.begin(), strBytes.end());
    }
    void LoadHex(const char* pszHex) { Load(testutil::Unhex(pszHex)); }
    bool OpenBytes() {
        return m_registry.OpenMemory(m_bytes.data(), static_cast<std::uint32_t>(m_bytes.size()));
    }
    void SetUint16(size_t nOffset, std::uint16_t n) {
        m_bytes.at(nOffset) = static_cast<std::uint8_t>(n);
        m_bytes.at(nOffset + 1) = static_cast<std::uint8_t>(n >> 8);
    }
    void SetUint32(size_t nOffset, std::uint32_t n) {
        SetUint16(nOffset, static_cast<std::uint16_t>(n));
        SetUint16(nOffset + 2, static_cast<std::uint16_t>(n >> 16));
    }
    void Patch(size_t nOffset, size_t nWidth, std::uint32_t n) {
        if (nWidth == 1) m_bytes.at(nOffset) = static_cast<std::uint8_t>(n);
        if (nWidth == 2) SetUint16(nOffset, static_cast<std::uint16_t>(n));
        if (nWidth == 4) SetUint32(nOffset, n);
    }
    // Every getter gives its default for the value.
    void ExpectNotFound(const char* pszSection, const char* pszName, const char* pszWhat) {
        EXPECT_EQ("none", m_registry.GetString(pszSection, pszName, "none")) << pszWhat;
        EXPECT_EQ(-7, m_registry.GetInt(pszSection, pszName, -7)) << pszWhat;
        std::vector<std::string> list{"stale"};
        EXPECT_FALSE(m_registry.GetStringList(pszSection, pszName, list)) << pszWhat;
        EXPECT_TRUE(list.empty()) << pszWhat;
    }
    std::string Problem() const {
        std::string strProblem;
        EXPECT_FALSE(m_registry.Verify(strProblem));
        return strProblem;
    }

    std::vector<std::uint8_t> m_bytes;
    CFileRegistry m_registry;
};

TEST_F(FileRegistryTest, ExampleFileFromHexHoldsSwordWithItsName) {
    LoadHex(SWORD_HEX);
    ASSERT_EQ(41u, m_bytes.size());
    ASSERT_TRUE(OpenBytes());
    EXPECT_EQ("Sword", m_registry.GetString("Sword", "Name", "none"));
    std::vector<std::string> names;
    EXPECT_TRUE(m_registry.GetSectionNames(names));
    EXPECT_EQ(std::vector<std::string>{"Sword"}, names);
    std::string strProblem;
    EXPECT_TRUE(m_registry.Verify(strProblem)) << strProblem;
}

TEST_F(FileRegistryTest, ExampleFileOpensFromDiskWithoutReport) {
    testutil::CTempDir dir;
    testutil::WriteFile(dir.Path() / "tempreg.reg", testutil::Unhex(SWORD_HEX));
    testutil::CReportCatcher catcher;
    ASSERT_TRUE(m_registry.Open((dir / "tempreg.reg").c_str()));
    EXPECT_EQ(41u, m_registry.GetSize());
    EXPECT_EQ("Sword", m_registry.GetString("Sword", "Name", "none"));
    m_registry.Close();
    EXPECT_FALSE(m_registry.IsOpen());
    EXPECT_EQ("none", m_registry.GetString("Sword", "Name", "none"));
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST(RegistryHash, SumsLowercasedSignedBytesModuloTheSlots) {
    static const struct {
        const char* szName;
        std::uint32_t nSlots, nHash;
    } CASES[] = {{"Ab", 7, 6},
                 {"AB", 7, 6},
                 {"ab", 7, 6},
                 {"", 7, 0},
                 {"\x80", 7, 2},   // -128 wraps to 2^32 - 128, and 2^32 is 4 modulo 7
                 {"a\xFF", 7, 5},  // 97 - 1
                 {"\xC4", 1000, (4294967296u - 60u) % 1000u},  // 0xC4 is not an ASCII letter
                 {"\xE4", 1000, (4294967296u - 28u) % 1000u}};
    for (const auto& c : CASES)
        EXPECT_EQ(c.nHash, HashName(c.szName, c.nSlots)) << testutil::Hex(c.szName);
    EXPECT_EQ(0xFFFFFFFFu, NameByteSum("\xFF"));
}

TEST_F(FileRegistryTest, NamesMatchWithoutRegardToAsciiCase) {
    Load(Convert("[Sword]\nGeneral Price=100\n[\xC4xe]\nName=x\n"));
    ASSERT_TRUE(OpenBytes());
    EXPECT_EQ(100, m_registry.GetInt("SWORD", "general price", 0));
    EXPECT_EQ(100, m_registry.GetInt("sWoRd", "GENERAL PRICE", 0));
    EXPECT_EQ("x", m_registry.GetString("\xC4XE", "NAME", "none"));
    // Only A to Z fold: 0xC4 and 0xE4 are different names.
    EXPECT_EQ("none", m_registry.GetString("\xE4xe", "Name", "none"));
}

TEST_F(FileRegistryTest, PrefixOrLongerNameDoesNotMatch) {
    LoadHex(SWORD_HEX);  // one slot per table, so every name is compared with the stored one
    ASSERT_TRUE(OpenBytes());
    static const struct {
        const char *szSection, *szName;
    } CASES[] = {{"Swor", "Name"}, {"Swords", "Name"}, {"", "Name"},
                 {"Sword", "Nam"}, {"Sword", "Names"}, {"Sword", ""}};
    for (const auto& c : CASES)
        EXPECT_EQ("none", m_registry.GetString(c.szSection, c.szName, "none"))
            << c.szSection << "/" << c.szName;
    EXPECT_EQ("Sword", m_registry.GetString("sword", "name", "none"));
}

class FileRegistryGetterTest : public FileRegistryTest {
protected:
    void SetUp() override {
        Load(
            Convert("[Row]\nFloat=7.9\nNegative=-2.9\nInt=3\nMin=-2147483648\nHuge=3e9\n"
                    "Tiny=-3e9\nHalf=2.5\nTenth=0.1\nText=Sword\nList=a, b\n"));
        ASSERT_TRUE(OpenBytes());
    }
};

TEST_F(FileRegistryGetterTest, GetIntTruncatesFloatsTowardZeroAndSaturates) {
    static const struct {
        const char* szName;
        std::int32_t nExpected;
    } CASES[] = {{"Float", 7},       {"Negative", -2},    {"Int", 3},
                 {"Min", INT32_MIN}, {"Huge", INT32_MAX}, {"Tiny", INT32_MIN},
                 {"Text", -99},      {"List", -99},       {"Missing", -99}};
    for (const auto& c : CASES)
        EXPECT_EQ(c.nExpected, m_registry.GetInt("Row", c.szName, -99)) << c.szName;
}

TEST_F(FileRegistryGetterTest, GetFloatReadsBothNumberTypes) {
    EXPECT_EQ(7.9f, m_registry.GetFloat("Row", "Float", -1.0f));
    EXPECT_EQ(3.0f, m_registry.GetFloat("Row", "Int", -1.0f));
    EXPECT_EQ(-2147483648.0f, m_registry.GetFloat("Row", "Min", -1.0f));
    EXPECT_EQ(-1.0f, m_registry.GetFloat("Row", "Text", -1.0f));
    EXPECT_EQ(-1.0f, m_registry.GetFloat("Row", "List", -1.0f));
    EXPECT_EQ(-1.0f, m_registry.GetFloat("Row", "Missing", -1.0f));
}

TEST_F(FileRegistryGetterTest, GetStringGivesTextOrNumberTextButNotList) {
    static const struct {
        const char *szName, *szExpected;
    } CASES[] = {{"Text", "Sword"}, {"Int", "3"},     {"Min", "-2147483648"},
                 {"Half", "2.5"},   {"Float", "7.9"}, {"Tenth", "0.1"},
                 {"Huge", "3e+09"}, {"List", "none"}, {"Missing", "none"}};
    for (const auto& c : CASES)
        EXPECT_EQ(c.szExpected, m_registry.GetString("Row", c.szName, "none")) << c.szName;
}

TEST_F(FileRegistryGetterTest, GetStringListTakesSingleValuesAsOneElement) {
    static const struct {
        const char* szName;
        bool bFound;
        std::vector<std::string> expected;
    } CASES[] = {{"List", true, {"a", "b"}},
                 {"Text", true, {"Sword"}},
                 {"Int", true, {"3"}},
                 {"Half", true, {"2.5"}},
                 {"Missing", false, {}}};
    for (const auto& c : CASES) {
        std::vector<std::string> list{"stale"};
        EXPECT_EQ(c.bFound, m_registry.GetStringList("Row", c.szName, list)) << c.szName;
        EXPECT_EQ(c.expected, list) << c.szName;
    }
}

TEST_F(FileRegistryTest, FindDataAcceptsSingleValueWhereListIsAsked) {
    Load(Convert("[Row]\nText=Sword\nList=a,b\nInt=3\n"));
    ASSERT_TRUE(OpenBytes());
    bool bSingle = false;
    EXPECT_NE(nullptr, m_registry.FindData("Row", "Text", RTYPE_LIST | RTYPE_STRING, &bSingle));
    EXPECT_TRUE(bSingle);
    EXPECT_NE(nullptr, m_registry.FindData("Row", "List", RTYPE_LIST | RTYPE_STRING, &bSingle));
    EXPECT_FALSE(bSingle);
    EXPECT_EQ(nullptr, m_registry.FindData("Row", "List", RTYPE_STRING));
    EXPECT_EQ(nullptr, m_registry.FindData("Row", "Int", RTYPE_FLOAT));
    EXPECT_NE(nullptr, m_registry.FindData("Row", "Int", RTYPE_INT));
}

TEST_F(FileRegistryTest, NotANumberFloatGivesTheIntegerDefault) {
    LoadHex(NAN_HEX);
    ASSERT_TRUE(OpenBytes());
    EXPECT_EQ(-5, m_registry.GetInt("S", "F", -5));
    EXPECT_TRUE(std::isnan(m_registry.GetFloat("S", "F", 1.0f)));
    std::string strProblem;
    EXPECT_TRUE(m_registry.Verify(strProblem)) << strProblem;
}

TEST_F(FileRegistryTest, ListFromHexReadsItsElementsInOrder) {
    LoadHex(LIST_HEX);
    ASSERT_TRUE(OpenBytes());
    std::vector<std::string> list;
    EXPECT_TRUE(m_registry.GetStringList("S", "L", list));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), list);
    EXPECT_EQ("none", m_registry.GetString("S", "L", "none"));
}

class CSortingConverter : public CTableConverter {
public:
    bool Save(const char* /*pszOutputDirectory*/) override { return false; }
};

TEST_F(FileRegistryTest, SortedSectionNamesFollowTheTableOrder) {
    std::string strIni;
    static const char* const ROWS[] = {"Zeta", "Axe", "Mace", "Bow", "Sword", "Dagger", "Club"};
    for (int i = 0; i < 7; ++i)
        strIni += "[" + std::string(ROWS[i]) + "]\nSortOrderID=" + std::to_string(i) + "\n";
    Load(Convert(strIni));
    ASSERT_TRUE(OpenBytes());
    std::vector<std::string> names;
    CSortingConverter converter;
    converter.GetSortedSectionNames(m_registry, names);
    EXPECT_EQ(std::vector<std::string>(std::begin(ROWS), std::end(ROWS)), names);
}

TEST_F(FileRegistryTest, SortedSectionNamesKeepEqualNumbersAndPutUnnumberedFirst) {
    Load(
        Convert("[Last]\nSortOrderID=2\n[TwinA]\nSortOrderID=1\n[First]\nSortOrderID=0\n"
                "[TwinB]\nSortOrderID=1\n[Loose]\nName=x\n[Below]\nSortOrderID=-2\n"));
    ASSERT_TRUE(OpenBytes());
    std::vector<std::string> names;
    CSortingConverter converter;
    converter.GetSortedSectionNames(m_registry, names);
    ASSERT_EQ(6u, names.size());
    EXPECT_EQ((std::vector<std::string>{"Below", "Loose", "First"}),
              std::vector<std::string>(names.begin(), names.begin() + 3));
    EXPECT_TRUE((names[3] == "TwinA" && names[4] == "TwinB") ||
                (names[3] == "TwinB" && names[4] == "TwinA"));
    EXPECT_EQ("Last", names[5]);
}

TEST_F(FileRegistryTest, SectionNumbersFollowLookupsWhenANameIsShadowed) {
    // Sections "a" (slot 0, sort 1) and "A" (slot 1, sort 5) share a chain from slot 1: a lookup
    // of either name finds "A" first, so both read 5, as GetInt of each name does.
    LoadHex(
        "FB 3E AB 45 02 00 FF FF 2F 00 00 00 00 00 12 00 00 00 "
        "01 00 01 00 41 FF FF 0B 00 00 00 00 0B 00 53 6F 72 74 4F 72 64 65 72 49 44 05 00 00 00 "
        "01 00 01 00 61 FF FF 0B 00 00 00 00 0B 00 53 6F 72 74 4F 72 64 65 72 49 44 01 00 00 00");
    ASSERT_TRUE(OpenBytes());
    std::vector<std::pair<std::int32_t, std::string>> sections;
    m_registry.GetSectionNumbers("SortOrderID", -1, sections);
    EXPECT_EQ((std::vector<std::pair<std::int32_t, std::string>>{{5, "a"}, {5, "A"}}), sections);
    EXPECT_EQ(5, m_registry.GetInt("a", "SortOrderID", -1));
    // Converter-made files shadow nothing: the numbers are read in place.
    Load(Convert("[b]\nSortOrderID=7\n[a]\nSortOrderID=3\n[c]\n"));
    ASSERT_TRUE(OpenBytes());
    m_registry.GetSectionNumbers("SortOrderID", -1, sections);
    std::sort(sections.begin(), sections.end());
    EXPECT_EQ((std::vector<std::pair<std::int32_t, std::string>>{{-1, "c"}, {3, "a"}, {7, "b"}}),
              sections);
}

TEST_F(FileRegistryTest, WrongMagicOpensFalseWithoutReport) {
    testutil::CTempDir dir;
    std::string strBytes = testutil::Unhex(SWORD_HEX);
    strBytes[0] = '\xFA';
    testutil::WriteFile(dir.Path() / "tempreg.reg", strBytes);
    testutil::CReportCatcher catcher;
    EXPECT_FALSE(m_registry.Open((dir / "tempreg.reg").c_str()));
    EXPECT_FALSE(m_registry.IsOpen());
    EXPECT_EQ("none", m_registry.GetString("Sword", "Name", "none"));
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST_F(FileRegistryTest, HeaderThatDoesNotFitOpensFalse) {
    const std::string strSword = testutil::Unhex(SWORD_HEX);
    for (size_t nSize = 0; nSize < 6; ++nSize) {
        Load(strSword.substr(0, nSize));
        EXPECT_FALSE(OpenBytes()) << nSize;
    }
    Load(strSword);
    SetUint16(4, 6);  // N = 6: the slot table would run to byte 42 of 41
    EXPECT_FALSE(OpenBytes());
    SetUint16(4, 5);  // ends at byte 36, inside the file
    EXPECT_TRUE(OpenBytes());
}

// One broken field of the example file: the value is gone, and Verify names the offset.
TEST_F(FileRegistryTest, BrokenFieldOfExampleFindsNothingAndIsReported) {
    static const struct {
        const char* szWhat;
        std::uint32_t nAt, nWidth, nValue;
        const char* szProblemAt;
    } CASES[] = {{"section offset past the end", 8, 4, 0x7FFFFFF0, "at byte 8:"},
                 {"section record cut by the end", 8, 4, 39, "at byte 8:"},
                 {"section name past the end", 14, 2, 0xFFFF, "at byte 8:"},
                 {"value slots past the end", 12, 2, 4, "at byte 12:"},
                 {"value offset past the end", 23, 4, 0xFFFFFFF0, "at byte 23:"},
                 {"value name past the end", 28, 2, 12, "at byte 23:"},
                 {"string past the end", 34, 2, 6, "at byte 27:"},
                 {"unknown type", 27, 1, 7, "at byte 27:"}};
    for (const auto& c : CASES) {
        LoadHex(SWORD_HEX);
        Patch(c.nAt, c.nWidth, c.nValue);
        ASSERT_TRUE(OpenBytes()) << c.szWhat;
        ExpectNotFound("Sword", "Name", c.szWhat);
        const std::string strProblem = Problem();
        EXPECT_TRUE(StartsWith(strProblem, c.szProblemAt)) << c.szWhat << ": " << strProblem;
    }
}

TEST_F(FileRegistryTest, ListRunningPastTheEndFindsNothing) {
    static const struct {
        size_t nAt;
        std::uint16_t nValue;
    } CASES[] = {
        {27, 3},  // a third element that is not there
        {32, 2},  // the second element one byte longer than the file
    };
    for (const auto& c : CASES) {
        LoadHex(LIST_HEX);
        SetUint16(c.nAt, c.nValue);
        ASSERT_TRUE(OpenBytes());
        ExpectNotFound("S", "L", c.nAt == 27 ? "count" : "element");
        EXPECT_TRUE(StartsWith(Problem(), "at byte 23:")) << c.nAt;
    }
}

// A bad link leaves the entry in its home slot readable; other names end their search.
TEST_F(FileRegistryTest, BadLinkInExampleEndsTheSearchAndIsReported) {
    static const struct {
        const char* szWhat;
        size_t nAt;
        std::uint16_t nNext;
    } CASES[] = {{"section slot links outside the table", 6, 1},
                 {"section slot links to itself", 6, 0},
                 {"value slot links outside the table", 21, 1},
                 {"value slot links to itself", 21, 0}};
    for (const auto& c : CASES) {
        LoadHex(SWORD_HEX);
        SetUint16(c.nAt, c.nNext);
        ASSERT_TRUE(OpenBytes()) << c.szWhat;
        EXPECT_EQ("Sword", m_registry.GetString("Sword", "Name", "none")) << c.szWhat;
        ExpectNotFound("Axe", "Name", c.szWhat);
        ExpectNotFound("Sword", "Price", c.szWhat);
        const std::string strProblem = Problem();
        EXPECT_TRUE(StartsWith(strProblem, "at byte " + std::to_string(c.nAt) + ":"))
            << c.szWhat << ": " << strProblem;
    }
}

TEST_F(FileRegistryTest, SectionChainLinkedOutsideTheTableLosesTheEntryBehindIt) {
    // "ab" and "ba" have one byte sum, so one of them sits behind the other's home slot.
    Load(Convert("[ab]\nv=1\n[ba]\nv=2\n"));
    SetUint16(6, 2);
    SetUint16(12, 2);
    ASSERT_TRUE(OpenBytes());
    const int nFound =
        (m_registry.GetInt("ab", "v", 0) == 1) + (m_registry.GetInt("ba", "v", 0) == 2);
    EXPECT_EQ(1, nFound);
    EXPECT_TRUE(StartsWith(Problem(), "at byte 6:"));
}

TEST_F(FileRegistryTest, LoopingSectionChainEndsTheSearch) {
    Load(Convert("[ab]\nv=1\n[ba]\nv=2\n"));
    SetUint16(6, 1);  // slot 0 -> slot 1 -> slot 0 -> ...
    SetUint16(12, 0);
    ASSERT_TRUE(OpenBytes());
    EXPECT_EQ(1, m_registry.GetInt("ab", "v", 0));
    EXPECT_EQ(2, m_registry.GetInt("ba", "v", 0));
    EXPECT_EQ(0, m_registry.GetInt("a", "v", 0));  // home slot 1, on the loop
    EXPECT_EQ(0, m_registry.GetInt("b", "v", 0));  // home slot 0, on the loop
    const std::string strProblem = Problem();
    EXPECT_TRUE(StartsWith(strProblem, "at byte ")) << strProblem;
    EXPECT_NE(std::string::npos, strProblem.find("loop")) << strProblem;
}

TEST_F(FileRegistryTest, LoopingValueChainEndsTheSearch) {
    Load(Convert("[S]\nxy=1\nyx=2\n"));  // value slots at bytes 17 and 23
    SetUint16(17, 1);
    SetUint16(23, 0);
    ASSERT_TRUE(OpenBytes());
    EXPECT_EQ(1, m_registry.GetInt("S", "xy", 0));
    EXPECT_EQ(2, m_registry.GetInt("S", "yx", 0));
    EXPECT_EQ(0, m_registry.GetInt("S", "x", 0));
    EXPECT_EQ(0, m_registry.GetInt("S", "y", 0));
    const std::string strProblem = Problem();
    EXPECT_TRUE(StartsWith(strProblem, "at byte ")) << strProblem;
    EXPECT_NE(std::string::npos, strProblem.find("loop")) << strProblem;
}

// Flips one to four bits of a valid file and sometimes cuts it short.
// ---- Reading in file order ---------------------------------------------------------------

TEST_F(FileRegistryTest, SectionsAskedInAnyOrderGiveTheirOwnValues) {
    std::string strIni;
    for (int i = 0; i < 300; ++i)
        strIni += "[Row " + std::to_string(i) + "]\nInt=" + std::to_string(i) + "\nText=t" +
                  std::to_string(i) + "\nSortOrderID=" + std::to_string(i) + "\n";
    Load(Convert(strIni));
    ASSERT_TRUE(OpenBytes());
    std::vector<std::pair<std::int32_t, std::string>> numbers;
    m_registry.GetSectionNumbers("SortOrderID", -1, numbers);
    ASSERT_EQ(300u, numbers.size());
    for (const auto& [nNumber, strName] : numbers) EXPECT_EQ("Row " + std::to_string(nNumber), strName);
    // File order (the order of the rows), backwards, by a stride, and with repeats and misses.
    std::vector<int> order;
    for (int i = 0; i < 300; ++i) order.push_back(i);
    for (int i = 299; i >= 0; --i) order.push_back(i);
    for (int i = 0; i < 300; i += 7) order.insert(order.end(), {i, i, 1000 + i, i + 1 < 300 ? i + 1 : 0});
    for (int i : order) {
        const std::string strRow = "row " + std::to_string(i);  // names match without case
        const bool bThere = i < 300;
        EXPECT_EQ(bThere ? i : -1, m_registry.GetInt(strRow, "Int", -1)) << strRow;
        EXPECT_EQ(bThere ? "t" + std::to_string(i) : "none", m_registry.GetString(strRow, "text", "none"))
            << strRow;
    }
}

TEST_F(FileRegistryTest, VerifyNamesTheFirstProblemInSlotOrderWhateverTheFileOrder) {
    // "a" sums to 97 and "b" to 98: B takes slot 0 and A slot 1, while A's record comes first.
    const std::string strValid = Convert("[a]\nX=1\n[b]\nY=2\n");
    Load(strValid);
    ASSERT_TRUE(OpenBytes());
    const std::uint32_t nOffsetB = ReadU32(m_bytes.data() + REGISTRY_HEADER_SIZE + 2);
    const std::uint32_t nOffsetA = ReadU32(m_bytes.data() + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE + 2);
    ASSERT_LT(nOffsetA, nOffsetB);
    Load(strValid);
    SetUint16(nOffsetB, 0xFFFF);  // B's value slots now run past the end
    ASSERT_TRUE(OpenBytes());
    const std::string strOnlyB = Problem();
    Load(strValid);
    SetUint16(nOffsetA, 0xFFFF);
    ASSERT_TRUE(OpenBytes());
    const std::string strOnlyA = Problem();
    EXPECT_NE(strOnlyA, strOnlyB);
    SetUint16(nOffsetB, 0xFFFF);
    ASSERT_TRUE(OpenBytes());
    EXPECT_EQ(strOnlyB, Problem());
}

class FileRegistryMutationTest : public FileRegistryTest {
protected:
    void Mutate(const std::string& strValid, std::mt19937& random) {
        Load(strValid);
        const unsigned nFlips = 1 + random() % 4;
        for (unsigned i = 0; i < nFlips; ++i)
            m_bytes[random() % m_bytes.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        if (random() % 4 == 0) Load(strValid.substr(0, random() % strValid.size()));
    }
    // Every getter for every name the file had, and for every name it now lists.
    void ReadEverything() {
        static const char* const SECTIONS[] = {"Sword", "Axe", "ab", "ba", "none"};
        static const char* const VALUES[] = {"Name", "Tags", "Note", "ab", "ba", "SortOrderID"};
        std::vector<std::string> names, list;
        EXPECT_TRUE(m_registry.GetSectionNames(names));
        for (const char* pszSection : SECTIONS)
            for (const char* pszValue : VALUES) {
                (void)m_registry.GetInt(pszSection, pszValue, 0);
                (void)m_registry.GetFloat(pszSection, pszValue, 0.0f);
                (void)m_registry.GetString(pszSection, pszValue, "");
                (void)m_registry.GetStringList(pszSection, pszValue, list);
            }
        for (const std::string& strName : names) (void)m_registry.GetString(strName, "Name", "");
    }
};

TEST_F(FileRegistryMutationTest, DamagedBytesAreNeverReadOutsideTheFile) {
    const std::string strValid = Convert(
        "[Sword]\nName=Sword\nPrice=100\nWeight=2.5\nTags=a, b, c\nNote=\"7\"\n"
        "[Axe]\nName=Axe\nPrice=15\n[ab]\nba=1\nab=x,y\n[ba]\nSortOrderID=3\n");
    std::mt19937 random(20240611);
    int nOpened = 0, nRejected = 0;
    for (int nRound = 0; nRound < 3000; ++nRound) {
        Mutate(strValid, random);
        if (!OpenBytes()) continue;
        ++nOpened;
        ReadEverything();
        std::string strProblem;
        if (m_registry.Verify(strProblem)) continue;
        ++nRejected;
        EXPECT_TRUE(StartsWith(strProblem, "at byte ")) << strProblem;
    }
    EXPECT_GT(nOpened, 1000);
    EXPECT_GT(nRejected, 100);
}

}  // namespace
