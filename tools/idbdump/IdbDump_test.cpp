// idbdump: the JSON, table and summary views of items.idb checked against the records that
// LoadItemDatabase reads, the record diff, the strict check of damaged files, and the view of a
// registry file.
#include "tools/idbdump/IdbDump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "loader/ItemKinds.h"
#include "loader/LoadSteps.h"
#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"
#include "testsupport/TestUtil.h"
#include "tools/idbdump/RegistryDump.h"
#include "tools/ini2reg/IniConverter.h"

namespace {
using testutil::Unhex;
using Fields = std::vector<std::pair<std::string, std::string>>;

const char DATABASE_END[] = "00 00 02 0C 02 08 01 00 00 00";  // object table and version
constexpr float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();
constexpr float INFINITE = std::numeric_limits<float>::infinity();

std::string GoldenPath() {
    return (testutil::ExamplesDir().parent_path() / "tests" / "golden" / "examples.idb").string();
}

SItemLists LoadGolden() {
    SItemLists lists;
    EXPECT_TRUE(LoadItemDatabase(GoldenPath().c_str(), lists));
    return lists;
}

// The bytes of an items.idb holding the lists, written as the builder's save writes them.
std::string Save(SItemLists& lists) {
    CChunkArchive archive;
    CMemoryStream stream;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeItemLists(archive, lists);
    EXPECT_TRUE(archive.CloseArchive(stream));
    return std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize());
}

// ---- Field texts as idbdump should print them, written from the record structs -------------

std::string Num(float f) { return std::isfinite(f) ? FloatText(f) : JsonString(FloatText(f)); }
std::string Num(std::int32_t n) { return std::to_string(n); }
std::string Num(std::uint32_t n) { return std::to_string(n); }
std::string Num(bool b) { return b ? "true" : "false"; }
std::string Str(const std::string& str) { return JsonString(str); }

template <class T, std::size_t N>
std::string Array(const T (&values)[N]) {
    std::string strOut = "[";
    for (std::size_t i = 0; i < N; ++i) {
        if (i) strOut += ", ";
        if constexpr (sizeof(T) == 1) strOut += std::to_string(values[i]);
        else strOut += Num(values[i]);
    }
    return strOut + "]";
}

std::string Protection(const SArmorProtection& protection) {
    return "{\"Absorption\": " + Num(protection.Absorption) +
           ", \"Damage\": " + Array(protection.Damage.values) +
           ", \"CrippledMask\": " + Num(protection.CrippledMask) + "}";
}

std::string Zones(const std::vector<std::string>& zones) {
    std::string strOut = "[";
    for (std::size_t i = 0; i < zones.size(); ++i) strOut += (i ? ", " : "") + Str(zones[i]);
    return strOut + "]";
}

std::string Shown(const std::string& str) { return Str(str); }
std::string Shown(float f) { return Num(f); }
std::string Shown(std::int32_t n) { return Num(n); }
std::string Shown(std::uint32_t n) { return Num(n); }
std::string Shown(bool b) { return Num(b); }
std::string Shown(const marrow::DamageBlock& block) { return Array(block.values); }
std::string Shown(const SArmorProtection& protection) { return Protection(protection); }
std::string Shown(const std::vector<std::string>& zones) { return Zones(zones); }
template <std::size_t N>
std::string Shown(const std::uint8_t (&bytes)[N]) {
    return Array(bytes);
}

// Calls f(name, chunk id, member) for each stored member of a record, as marrow/ItemTable.h
// declares them: the common part's first for an item, then the kind's own; the parts of a block
// by their own names. A field added there is checked here without a line of its own.
#define IDBDUMP_TEST_VISIT(shape, ...) IDBDUMP_TEST_VISIT_##shape(__VA_ARGS__)
#define IDBDUMP_TEST_VISIT_READ(column, chunk, type, member, ...) f(#member, chunk, record.member);
#define IDBDUMP_TEST_VISIT_BUILT(column, chunk, type, member, ...) f(#member, chunk, record.member);
#define IDBDUMP_TEST_VISIT_FIELD(chunk, type, member, initial) f(#member, chunk, record.member);
#define IDBDUMP_TEST_VISIT_PART(chunk, type, member, part) f(#part, chunk, record.member.part);
#define IDBDUMP_TEST_VISIT_KEPT(...)
#define IDBDUMP_TEST_VISIT_BLOCK(...)
#define IDBDUMP_TEST_VISIT_COLUMN(...)
#define IDBDUMP_TEST_VISIT_SHARED(...)
template <class R, class F>
void ForEachCommonField(R& record, F&& f) {
    MARROW_ITEM_COMMON_FIELDS(IDBDUMP_TEST_VISIT)
}
#define IDBDUMP_TEST_OWN_FIELDS(record_type, singular, plural, LIST_NAME, ...) \
    template <class R, class F>                                                 \
        requires std::is_same_v<std::remove_const_t<R>, marrow::record_type>    \
    void ForEachOwnField(R& record, F&& f) {                                    \
        MARROW_##LIST_NAME##_FIELDS(IDBDUMP_TEST_VISIT)                         \
    }
MARROW_ITEM_KINDS(IDBDUMP_TEST_OWN_FIELDS)
#undef IDBDUMP_TEST_OWN_FIELDS
#undef IDBDUMP_TEST_VISIT
#undef IDBDUMP_TEST_VISIT_READ
#undef IDBDUMP_TEST_VISIT_BUILT
#undef IDBDUMP_TEST_VISIT_FIELD
#undef IDBDUMP_TEST_VISIT_PART
#undef IDBDUMP_TEST_VISIT_KEPT
#undef IDBDUMP_TEST_VISIT_BLOCK
#undef IDBDUMP_TEST_VISIT_COLUMN
#undef IDBDUMP_TEST_VISIT_SHARED

template <class R, class F>
void ForEachField(R& record, F&& f) {
    if constexpr (std::is_base_of_v<SItemCommon, std::remove_const_t<R>>)
        ForEachCommonField(record, f);
    ForEachOwnField(record, f);
}

// The fields in the order of their chunks, the order Serialize writes them in: the common part's
// chunks 0 to 15 come before any kind's own.
template <class R>
Fields FieldsOf(const R& record) {
    std::vector<std::pair<int, std::pair<std::string, std::string>>> fields;
    ForEachField(record, [&fields](const char* pszName, int nChunk, const auto& value) {
        fields.push_back({nChunk, {pszName, Shown(value)}});
    });
    std::stable_sort(fields.begin(), fields.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Fields shown;
    for (auto& field : fields) shown.push_back(std::move(field.second));
    return shown;
}

template <class T>
std::vector<Fields> FieldsOfList(const std::vector<T>& records) {
    std::vector<Fields> fields;
    for (const T& record : records) fields.push_back(FieldsOf(record));
    return fields;
}

// ---- Records whose every field differs from every other, so a mixed-up chunk id shows -----

void FillCommon(SItemCommon& i) {
    i.Name = "n";
    i.TypeName = "t";
    i.TypeCode = 2;
    i.MaterialName = "m";
    i.MaterialCode = 4;
    i.TextureIndex = 5;
    i.TextureIndex2 = 6;
    i.Price = 7.5f;
    i.Weight = 8.5f;
    i.Size = 9.5f;
    i.Mana = 10.5f;
    i.Slots = 11;
    i.Durability = 12.5f;
    i.Components = 13;
    i.ShopMask = 14;
    i.Deconstructable = false;
}

// A field declared after DistinctRecords was written still gets a value of its own: a number
// left at zero takes its chunk id (and a half, for a float), a text left empty "f" and its id.
void FillIfUnset(float& f, int nChunk) {
    if (f == 0.0f) f = static_cast<float>(nChunk) + 0.5f;
}
void FillIfUnset(std::int32_t& n, int nChunk) {
    if (n == 0) n = nChunk;
}
void FillIfUnset(std::uint32_t& n, int nChunk) {
    if (n == 0) n = static_cast<std::uint32_t>(nChunk);
}
void FillIfUnset(std::string& str, int nChunk) {
    if (str.empty()) str = "f" + std::to_string(nChunk);
}
template <class T>
void FillIfUnset(T&, int) {}  // truth values, blocks and lists are each set by hand

template <class T>
void FillTheRest(std::vector<T>& records) {
    for (T& record : records)
        ForEachField(record,
                     [](const char*, int nChunk, auto& value) { FillIfUnset(value, nChunk); });
}

template <class T, std::size_t N>
void Count(T (&values)[N], int nFrom) {  // nFrom, nFrom + 1, ...
    for (std::size_t i = 0; i < N; ++i) values[i] = static_cast<T>(nFrom + static_cast<int>(i));
}

SItemLists DistinctRecords() {
    SItemLists lists;
    SMaterial& m = lists.m_materials.emplace_back();
    m = {"n", "t", "c", 3, 4.5f, 5.5f, 6.5f, 7, 8.5f, 9, 10.5f, {}, 12, 13};
    Count(m.Absorption.values, 110);
    SWeapon& w = lists.m_weapons.emplace_back();
    FillCommon(w);
    w.Actions = 21, w.Range = 23.5f, w.DamageMin = 24.5f, w.DamageSpread = 25.5f;
    w.Attack = 29.5f, w.Defence = 30.5f;
    Count(w.Reserved, 220), Count(w.DamageProportions.values, 260);
    Count(w.Skills.ExtraSkillLevels, 70), Count(w.Skills.SkillLevels, 80);
    SArmor& a = lists.m_armors.emplace_back();
    FillCommon(a);
    a.MainProtection = {21.5f, {}, 2100}, a.AdditionalProtection = {22.5f, {}, 2200};
    Count(a.MainProtection.Damage.values, 211), Count(a.AdditionalProtection.Damage.values, 221);
    a.ApplyWounds = true, a.WearOrder = 24;
    Count(a.Skills.ExtraSkillLevels, 50), Count(a.Skills.SkillLevels, 60);
    SQuickItem& q = lists.m_quickItems.emplace_back();
    FillCommon(q);
    q.QuickType = 21, q.Skill = 22, q.Damage = 23.5f, q.DamageType = 24, q.Spell = "s";
    Count(q.Skills.ExtraSkillLevels, 30), Count(q.Skills.SkillLevels, 40);
    SQuestItem& quest = lists.m_questItems.emplace_back();
    FillCommon(quest);
    quest.ScriptID = 21, quest.QuestZones = {"z1", "z2"};
    SLootItem& l = lists.m_lootItems.emplace_back();
    FillCommon(l);
    l.LootType = 21, l.InstructionType = 22, l.LootMaterial = 23;
    FillTheRest(lists.m_materials), FillTheRest(lists.m_weapons), FillTheRest(lists.m_armors);
    FillTheRest(lists.m_quickItems), FillTheRest(lists.m_questItems);
    FillTheRest(lists.m_lootItems);
    return lists;
}

// ---- Reading idbdump's JSON back: just enough for its own one-record-per-line output -------

// The members of one record line, each name with its value's text as printed.
Fields ParseRecord(std::string_view strLine) {
    Fields fields;
    strLine = strLine.substr(strLine.find('{') + 1);
    strLine = strLine.substr(0, strLine.rfind('}'));
    while (!strLine.empty()) {
        const std::size_t nNameEnd = strLine.find("\": ");
        std::string strName(strLine.substr(1, nNameEnd - 1));
        strLine.remove_prefix(nNameEnd + 3);
        std::size_t i = 0;
        int nDepth = 0;
        for (bool bInText = false; i < strLine.size(); ++i) {
            const char c = strLine[i];
            if (bInText && c == '\\') ++i;  // the escaped character cannot end the text
            else if (c == '"') bInText = !bInText;
            else if (bInText) continue;
            else if (c == '[' || c == '{') ++nDepth;
            else if (c == ']' || c == '}') --nDepth;
            else if (c == ',' && nDepth == 0) break;
        }
        fields.emplace_back(std::move(strName), std::string(strLine.substr(0, i)));
        strLine.remove_prefix(std::min(i + 2, strLine.size()));
    }
    return fields;
}

// The records of each list, by list name.
std::map<std::string, std::vector<Fields>> ParseDump(const std::string& strJson) {
    std::map<std::string, std::vector<Fields>> lists;
    std::istringstream in(strJson);
    std::string strLine, strList;
    while (std::getline(in, strLine)) {
        if (strLine.rfind("  \"", 0) == 0)
            lists[strList = strLine.substr(3, strLine.find('"', 3) - 3)];
        else if (strLine.rfind("    {", 0) == 0) lists[strList].push_back(ParseRecord(strLine));
    }
    return lists;
}

void ExpectListsAsLoaded(const SItemLists& lists, const std::string& strJson) {
    auto dump = ParseDump(strJson);
    EXPECT_EQ(ITEM_KIND_COUNT, dump.size());
    ForEachKind([&](const auto& kind) {
        EXPECT_EQ(FieldsOfList(lists.*kind.pList), dump[kind.pszName]) << kind.pszName;
    });
}

// ---- Hand-made files ----------------------------------------------------------------------

// One chunk with its shortest length field, as the archive writes it.
std::string Chunk(int nId, std::string_view strPayload) {
    std::string strChunk(1, static_cast<char>(nId));
    const auto nLength = static_cast<std::uint32_t>(strPayload.size());
    if (nLength < 128) strChunk += static_cast<char>(nLength * 2);
    for (int i = 0; nLength >= 128 && i < 4; ++i)
        strChunk += static_cast<char>(((nLength * 2 + 1) >> (8 * i)) & 0xFF);
    return strChunk + std::string(strPayload);
}

// The lists' chunk: a list chunk per kind in list order, holding the payload given for its id
// or nothing; the list whose id is nLeftOut is left out, and strAfter follows the last list.
std::string ListsChunk(const std::map<int, std::string>& payloads = {}, int nLeftOut = 0,
                       const std::string& strAfter = "") {
    std::string strLists;
    for (const SKindLayout& kind : ItemKinds()) {
        if (kind.nListId == nLeftOut) continue;
        const auto it = payloads.find(kind.nListId);
        strLists += Chunk(kind.nListId, it == payloads.end() ? "" : it->second);
    }
    return Chunk(1, strLists + strAfter);
}

// A database of an empty list per kind, byte for byte what the save writes for no records.
std::string EmptyDatabase() { return ListsChunk() + Unhex(DATABASE_END); }

// A database whose weapons list holds the record payloads; the other lists are empty.
std::string WeaponsDatabase(const std::vector<std::string>& records) {
    std::string strRecords;
    for (const std::string& strRecord : records) strRecords += Chunk(1, strRecord);
    return ListsChunk({{ItemKinds()[KIND_INDEX<SWeapon>].nListId, strRecords}}) +
           Unhex(DATABASE_END);
}

// The record payload of a weapon named "sword", as SWeapon::Serialize writes it.
std::string SwordRecord() {
    SItemLists lists;
    lists.m_weapons.emplace_back().Name = "sword";
    return testutil::PayloadOf(testutil::FindChunk(Save(lists), {{1}, {2}, {1}}));
}

// The record payload with its field chunk nId replaced; every field chunk is in short form.
std::string ReplaceField(std::string_view strRecord, int nId, std::string_view strChunk) {
    std::string strOut;
    while (strRecord.size() >= 2) {
        const std::size_t nSize = 2u + static_cast<unsigned char>(strRecord[1]) / 2u;
        strOut +=
            static_cast<unsigned char>(strRecord[0]) == nId ? strChunk : strRecord.substr(0, nSize);
        strRecord.remove_prefix(nSize);
    }
    return strOut;
}

// Where the field chunk nId starts in a record payload; every field chunk is in short form.
std::size_t FieldOffsetOf(std::string_view strRecord, int nId) {
    for (std::size_t i = 0; i + 2 <= strRecord.size();
         i += 2u + static_cast<unsigned char>(strRecord[i + 1]) / 2u)
        if (static_cast<unsigned char>(strRecord[i]) == nId) return i;
    ADD_FAILURE() << "no chunk " << nId;
    return 0;
}

// Where the part lies in the bytes: the offsets of messages follow the chunks as they are
// written, so that a field added to a kind moves them with it.
std::size_t OffsetOf(std::string_view strBytes, std::string_view strPart) {
    const std::size_t nAt = strBytes.find(strPart);
    EXPECT_NE(std::string_view::npos, nAt);
    return nAt;
}

// The bytes in a block of their own size, so that the sanitizer sees any read beyond them.
std::vector<char> ExactCopy(std::string_view strBytes) {
    return std::vector<char>(strBytes.begin(), strBytes.end());
}

std::string Registry(std::string_view strIni) {
    std::string strRegistry, strError;
    EXPECT_TRUE(ConvertIniToMemory(strIni, strRegistry, strError)) << strError;
    return strRegistry;
}

class IdbDumpTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& args) { return RunIdbDump(args, m_strOut, m_strErr); }
    // idbdump with the options on the bytes, written as a file of the temporary directory.
    int RunOn(std::string_view strBytes, std::vector<std::string> options = {},
              const std::string& strName = "items.idb") {
        m_strPath = m_dir / strName;
        testutil::WriteFile(m_strPath, strBytes);
        options.push_back(m_strPath);
        return Run(options);
    }
    std::string WriteDatabase(const std::string& strName, SItemLists& lists) {
        testutil::WriteFile(m_dir / strName, Save(lists));
        return m_dir / strName;
    }

    testutil::CTempDir m_dir;
    std::string m_strPath, m_strOut, m_strErr;
};

// ---- The views ----------------------------------------------------------------------------

TEST_F(IdbDumpTest, JsonOfTheExamplesListsEveryRecordAndFieldAsTheLoaderReadsThem) {
    const SItemLists lists = LoadGolden();
    ASSERT_EQ(EXIT_SAME, Run({GoldenPath()}));
    EXPECT_EQ("", m_strErr);
    ASSERT_EQ(22u, lists.m_weapons.size());
    ExpectListsAsLoaded(lists, m_strOut);
    const std::string strStart =
        "{\n  \"materials\": [\n    {\"Name\": \"iron\", \"MaterialType\": ";
    EXPECT_EQ(strStart, m_strOut.substr(0, strStart.size()));
}

TEST_F(IdbDumpTest, JsonNamesEachFieldAfterTheChunkItsSerializeWrites) {
    SItemLists lists = DistinctRecords();
    ASSERT_EQ(EXIT_SAME, RunOn(Save(lists)));
    ExpectListsAsLoaded(lists, m_strOut);
    EXPECT_NE(std::string::npos, m_strOut.find("\"QuestZones\": [\"z1\", \"z2\"]"));
    EXPECT_NE(std::string::npos,
              m_strOut.find("\"MainProtection\": {\"Absorption\": 21.5, \"Damage\": [211, 212, "
                            "213, 214, 215, 216, 217], \"CrippledMask\": 2100}"));
}

TEST_F(IdbDumpTest, EmptyDatabaseGivesSixEmptyLists) {
    ASSERT_EQ(EXIT_SAME, RunOn(EmptyDatabase()));
    std::string strExpected = "{";
    const char* pszAfter = "\n";  // the line break after "{", then after each list's comma
    for (const SKindLayout& kind : ItemKinds()) {
        strExpected += pszAfter + std::string("  \"") + kind.pszName + "\": []";
        pszAfter = ",\n";
    }
    EXPECT_EQ(strExpected + "\n}\n", m_strOut);
    EXPECT_EQ("", m_strErr);
}

TEST_F(IdbDumpTest, NonNumbersAndTextsWithOddBytesStayValidJson) {
    SItemLists lists;
    SWeapon& weapon = lists.m_weapons.emplace_back();
    weapon.Name = "say \"hi\" \\ \t\x01 caf\xe9";
    weapon.TypeName = "\xc3\xa9p\xc3\xa9" "e";  // "epee" with accents, in UTF-8
    weapon.DamageMin = NOT_A_NUMBER, weapon.Range = -INFINITE, weapon.Attack = -0.0f;
    ASSERT_EQ(EXIT_SAME, RunOn(Save(lists)));
    EXPECT_NE(std::string::npos,
              m_strOut.find("{\"Name\": \"say \\\"hi\\\" \\\\ \\t\\u0001 caf\xc3\xa9\", "
                            "\"TypeName\": \"\xc3\xa9p\xc3\xa9" "e\", "));
    EXPECT_NE(std::string::npos, m_strOut.find(R"("Range": "-inf", "DamageMin": "nan", )"));
    EXPECT_NE(std::string::npos, m_strOut.find(R"("Attack": -0, )"));
    ASSERT_EQ(EXIT_SAME, RunOn(Save(lists), {"--raw"}));
    EXPECT_NE(std::string::npos,
              m_strOut.find(R"({"Name": "say \"hi\" \\ \t\u0001 caf\u00e9", )"
                            R"("TypeName": "\u00c3\u00a9p\u00c3\u00a9e", )"));
    for (char c : m_strOut) ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << "--raw is ASCII";
}

TEST_F(IdbDumpTest, TextPrintsATablePerListWithOneLinePerRecord) {
    SItemLists lists;
    lists.m_materials.push_back(
        {"iron", "Metal", "FE_Iron", 0, 10, 2.5f, 0, 2, 120, 1, 4, {}, 0, 3});
    SQuestItem& quest = lists.m_questItems.emplace_back();
    quest.Name = "royal seal", quest.Price = 1, quest.ScriptID = 1001,
    quest.QuestZones = {"A", "B"};
    ASSERT_EQ(EXIT_SAME, RunOn(Save(lists), {"--text"}));
    // A table for each of the two lists with a record; every other list is a line of its own.
    const std::map<std::string, std::string> TABLES = {
        {"materials",
         "materials: 1 record\n"
         "#  Name  MaterialType  CodeName  Price  Weight  Durability  Skill  Damage  ShopMask\n"
         "1  iron  Metal         FE_Iron   10     2.5     120         1      4       3\n"},
        {"questItems",
         "questItems: 1 record\n"
         "#  Name        TypeName  Price  ScriptID  QuestZones\n"
         "1  royal seal            1      1001      A,B\n"}};
    std::string strExpected;
    for (const SKindLayout& kind : ItemKinds()) {
        if (!strExpected.empty()) strExpected += "\n";
        const auto it = TABLES.find(kind.pszName);
        strExpected += it != TABLES.end() ? it->second : kind.pszName + std::string(": 0 records\n");
    }
    EXPECT_EQ(strExpected, m_strOut);
}

TEST_F(IdbDumpTest, SummaryCountsTheRecordsOfEachListAndTheBytes) {
    ASSERT_EQ(EXIT_SAME, Run({"--summary", GoldenPath()}));
    const std::string strBytes = std::to_string(testutil::ReadFile(GoldenPath()).size());
    // A line per list in list order with the records the loader reads, names padded to 12.
    const SItemLists lists = LoadGolden();
    std::string strLists;
    std::size_t nRecords = 0;
    ForEachKind([&](const auto& kind) {
        const std::size_t nList = (lists.*kind.pList).size();
        strLists += kind.pszName + std::string(12 - std::string_view(kind.pszName).size(), ' ') +
                    std::to_string(nList) + "\n";
        nRecords += nList;
    });
    EXPECT_EQ("file        " + GoldenPath() +
                  "\n"
                  "bytes       " + strBytes + "\n" + strLists + "records     " +
                  std::to_string(nRecords) + "\n",
              m_strOut);
}

TEST(IdbSchema, EveryKindKeepsItsNameInFieldZeroAndShowsOnlyItsOwnFields) {
    for (const SKindLayout& kind : ItemKinds()) {
        EXPECT_STREQ("Name", kind.fields[0].pszName) << kind.pszName;
        EXPECT_EQ(NAME_FIELD_ID, kind.fields[0].nId) << kind.pszName;
        for (const char* pszColumn : kind.textColumns)
            EXPECT_NE(NO_FIELD, FieldIndexOf(kind, pszColumn)) << kind.pszName << pszColumn;
    }
}

TEST(JsonString, EscapesQuotesBackslashesControlAndHighBytes) {
    static const struct {
        std::string_view strText;
        const char* pszJson;
    } CASES[] = {{"plain", R"("plain")"},
                 {"say \"hi\"", R"("say \"hi\"")"},
                 {"a\\b", R"("a\\b")"},
                 {"\n\r\t\b\f", R"("\n\r\t\b\f")"},
                 {std::string_view("\x00\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
                 {"\x7f", R"("\u007f")"}};
    for (const auto& c : CASES) {
        EXPECT_EQ(c.pszJson, JsonString(c.strText)) << c.pszJson;
        EXPECT_EQ(c.pszJson, JsonString(c.strText, /*bRaw=*/true)) << c.pszJson;
    }
}

TEST(JsonString, KeepsUtf8AndReadsEveryOtherTextAsWindows1252) {
    static const struct {
        std::string_view strText;
        const char* pszJson;
        const char* pszRaw;
    } CASES[] = {
        // Valid UTF-8 of two, three and four bytes stays as it is.
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x97\xa1",
         "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x97\xa1\"",
         R"("caf\u00c3\u00a9 \u00e2\u0082\u00ac \u00f0\u009f\u0097\u00a1")"},
        // One byte that is no UTF-8 makes the whole text Windows-1252: 0x80 is the euro sign,
        // 0x81 one of the five bytes it leaves free, 0xE9 and 0xFF Latin-1's own.
        {"caf\xe9 \x80\x81\xff", "\"caf\xc3\xa9 \xe2\x82\xac\xc2\x81\xc3\xbf\"",
         R"("caf\u00e9 \u0080\u0081\u00ff")"},
        {"\xc3\xa9\xe9", "\"\xc3\x83\xc2\xa9\xc3\xa9\"", R"("\u00c3\u00a9\u00e9")"},
        // Overlong forms, surrogates, code points past U+10FFFF and cut sequences are no UTF-8.
        {"\xc0\xaf", "\"\xc3\x80\xc2\xaf\"", R"("\u00c0\u00af")"},
        {"\xed\xa0\x80", "\"\xc3\xad\xc2\xa0\xe2\x82\xac\"", R"("\u00ed\u00a0\u0080")"},
        {"\xf4\x90\x80\x80", "\"\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac\"",
         R"("\u00f4\u0090\u0080\u0080")"},
        {"\xe2\x82", "\"\xc3\xa2\xe2\x80\x9a\"", R"("\u00e2\u0082")"},
    };
    for (const auto& c : CASES) {
        EXPECT_EQ(c.pszJson, JsonString(c.strText)) << c.pszRaw;
        EXPECT_EQ(c.pszRaw, JsonString(c.strText, /*bRaw=*/true)) << c.pszRaw;
    }
}

TEST(FloatText, IsTheShortestRoundTripAndNamesTheNonNumbers) {
    static const struct {
        float fValue;
        const char* pszText;
    } CASES[] = {{1.5f, "1.5"},
                 {0.1f, "0.1"},
                 {-0.0f, "-0"},
                 {1e10f, "1e+10"},
                 {16777216.0f, "16777216"},
                 {0.099999994f, "0.099999994"},
                 {3.4028235e38f, "3.4028235e+38"},
                 {1.4e-45f, "1e-45"},
                 {NOT_A_NUMBER, "nan"},
                 {INFINITE, "inf"},
                 {-INFINITE, "-inf"}};
    for (const auto& c : CASES) EXPECT_EQ(c.pszText, FloatText(c.fValue)) << c.pszText;
}

// ---- Diff ---------------------------------------------------------------------------------

TEST_F(IdbDumpTest, DiffOfAFileWithItselfFindsNothing) {
    EXPECT_EQ(EXIT_SAME, Run({"diff", GoldenPath(), GoldenPath()}));
    EXPECT_EQ("no differences\n", m_strOut);
    EXPECT_EQ("", m_strErr);
}

TEST_F(IdbDumpTest, DiffReportsExactlyTheChangedFieldWithItsOldAndNewValue) {
    SItemLists lists = LoadGolden();
    lists.m_weapons[1].DamageMin = 6.25f;
    const std::string strNew = WriteDatabase("new.idb", lists);
    EXPECT_EQ(EXIT_DIFFERENT, Run({"diff", GoldenPath(), strNew}));
    EXPECT_EQ(
        "changed weapons \"long sword\" (record 2)\n"
        "  DamageMin: 6 -> 6.25\n"
        "0 removed, 1 changed, 0 added\n",
        m_strOut);
    EXPECT_EQ("", m_strErr);
}

TEST_F(IdbDumpTest, DiffReportsRemovedAndAddedRecords) {
    SItemLists lists = LoadGolden();
    lists.m_armors.erase(lists.m_armors.begin() + 3);
    lists.m_lootItems.push_back(lists.m_lootItems[1]);
    lists.m_lootItems.back().Name = "sapphire";
    EXPECT_EQ(EXIT_DIFFERENT, Run({"diff", GoldenPath(), WriteDatabase("new.idb", lists)}));
    EXPECT_EQ(
        "removed armors \"chain mail\" (record 4)\n"
        "added lootItems \"sapphire\" (record 22)\n"
        "1 removed, 0 changed, 1 added\n",
        m_strOut);
}

TEST_F(IdbDumpTest, DiffTotalsAreTheCountsOfTheDiffsLastLine) {
    SItemLists lists = LoadGolden();
    lists.m_armors.erase(lists.m_armors.begin() + 3);
    lists.m_weapons[1].DamageMin = 6.25f;
    lists.m_weapons[2].DamageMin = 1.5f;
    const std::string strOld = testutil::ReadFile(GoldenPath());
    const std::string strNew = testutil::ReadFile(WriteDatabase("new.idb", lists));
    SDatabaseView oldView, newView;
    std::string strProblem;
    ASSERT_TRUE(CheckDatabase(strOld, oldView, strProblem));
    ASSERT_TRUE(CheckDatabase(strNew, newView, strProblem));
    const SDiffTotals totals = DatabaseDiffTotals(oldView, newView);
    EXPECT_EQ(1u, totals.nRemoved);
    EXPECT_EQ(2u, totals.nChanged);
    EXPECT_EQ(0u, totals.nAdded);
    const SDiffTotals none = DatabaseDiffTotals(oldView, oldView);
    EXPECT_EQ(0u, none.nRemoved + none.nChanged + none.nAdded);
}

TEST_F(IdbDumpTest, DiffMatchesRepeatedNamesByTheirOrder) {
    SItemLists lists;
    lists.m_quickItems.resize(2);
    lists.m_quickItems[0].Name = lists.m_quickItems[1].Name = "key";
    const std::string strOld = WriteDatabase("old.idb", lists);
    lists.m_quickItems[1].Skill = 3;
    lists.m_quickItems.push_back(lists.m_quickItems[0]);
    EXPECT_EQ(EXIT_DIFFERENT, Run({"diff", strOld, WriteDatabase("new.idb", lists)}));
    EXPECT_EQ(
        "changed quickItems \"key\" (record 2)\n  Skill: 0 -> 3\n"
        "added quickItems \"key\" (record 3)\n0 removed, 1 changed, 1 added\n",
        m_strOut);
}

TEST_F(IdbDumpTest, DiffWithAMalformedFileNamesItsProblem) {
    const std::string strBad = m_dir / "bad.idb";
    testutil::WriteFile(strBad, EmptyDatabase() + "x");
    EXPECT_EQ(EXIT_TROUBLE, Run({"diff", GoldenPath(), strBad}));
    EXPECT_EQ("", m_strOut);
    EXPECT_EQ(strBad + ": at byte " + std::to_string(EmptyDatabase().size()) +
                  ": 1 byte after the last top-level chunk\n",
              m_strErr);
}

// ---- Damaged files ------------------------------------------------------------------------

TEST_F(IdbDumpTest, TruncatedFilesAreReportedWhereTheyEnd) {
    const std::string strGolden = testutil::ReadFile(GoldenPath());
    // The lists, in a chunk with a 5-byte header, then the object table and the version.
    const std::size_t nEnd = strGolden.size() - Unhex(DATABASE_END).size();
    ASSERT_EQ(Unhex(DATABASE_END), strGolden.substr(nEnd));
    const auto at = [](std::size_t nByte) { return "at byte " + std::to_string(nByte); };
    const struct {
        std::size_t nLength;
        std::string strProblem;
    } CASES[] = {
        {0, "not an items database: at byte 0: the file is empty"},
        {1, "at byte 0: the header of top-level chunk 1 runs past the end of the file"},
        {4, "at byte 0: the header of top-level chunk 1 runs past the end of the file"},
        {100, "at byte 0: top-level chunk 1 declares " + std::to_string(nEnd - 5) +
                  " bytes, only 95 remain in the file"},
        {nEnd, at(nEnd) + ": the file ends where top-level chunk 0 (the object table) belongs"},
        {nEnd + 1, at(nEnd) + ": the header of top-level chunk 0 runs past the end of the file"},
        {strGolden.size() - 1,
         at(nEnd + 2) + ": top-level chunk 2 declares 6 bytes, only 5 remain in the file"}};
    for (const auto& c : CASES) {
        EXPECT_EQ(EXIT_TROUBLE, RunOn(strGolden.substr(0, c.nLength))) << c.nLength;
        EXPECT_EQ(m_strPath + ": " + c.strProblem + "\n", m_strErr);
        EXPECT_EQ("", m_strOut);
    }
}

TEST_F(IdbDumpTest, AFieldChunkRunningPastItsRecordIsDamage) {
    // The record's last field, whose chunk then ends the record two bytes into its payload.
    const SFieldLayout& last = ItemKinds()[KIND_INDEX<SWeapon>].fields.back();
    const std::string strLast = {static_cast<char>(last.nId), 0x0A, 0x00, 0x00};
    const std::string strRecord = ReplaceField(SwordRecord(), last.nId, strLast);
    ASSERT_EQ(strLast, strRecord.substr(strRecord.size() - strLast.size()));
    const std::string strBytes = WeaponsDatabase({strRecord});
    EXPECT_EQ(EXIT_TROUBLE, RunOn(strBytes));
    EXPECT_EQ(m_strPath + ": at byte " +
                  std::to_string(OffsetOf(strBytes, strRecord) + strRecord.size() - strLast.size()) +
                  ": weapons record 1: chunk " + std::to_string(last.nId) + " (" + last.pszName +
                  ") declares 5 bytes, only 2 remain in the record\n",
              m_strErr);
    EXPECT_EQ("", m_strOut);
}

// A file Marrow would not write but that a reader reads well is shown as the loader reads it,
// with a note that says what was made of the odd chunk.
TEST_F(IdbDumpTest, FieldChunksAReaderReadsWellAreNotesAndShownAsRead) {
    const std::string strSword = SwordRecord();
    // A note points at the odd field chunk, or a number of bytes past it, or for a missing field
    // at the record's own chunk.
    enum EAt { FIELD, RECORD };
    static const struct {
        int nId;
        const char* pszChunk;
        EAt at;
        std::size_t nPast;
        const char* pszNote;
        const char* pszField;
        const char* pszShown;
    } CASES[] = {
        {24, "18 06 00 00 80", FIELD, 0,
         "weapons record 1: chunk 24 (DamageMin) holds 3 bytes, expected 4; the rest reads as "
         "zero",
         "DamageMin", "1.1754944e-38"},
        {24, "18 0A 00 00 80 3F 07", FIELD, 0,
         "weapons record 1: chunk 24 (DamageMin) holds 5 bytes, expected 4; the first 4 are read",
         "DamageMin", "1"},
        {24, "", RECORD, 0, "weapons record 1: chunk 24 (DamageMin) is missing and reads as zero",
         "DamageMin", "0"},
        {0, "", RECORD, 0, "weapons record 1: chunk 0 (Name) is missing and reads as empty",
         "Name", "\"\""},
        {24, "18 08 00 00 80 3F 18 08 00 00 00 40", FIELD, 6,
         "weapons record 1: chunk 24 (DamageMin) appears twice; the second is skipped",
         "DamageMin", "1"},
        {0, "00 0A 73 77 6F 72 64", FIELD, 0,
         "weapons record 1: chunk 0 (Name) holds 5 bytes without a closing zero; the text ends "
         "with them",
         "Name", "\"sword\""}};
    for (const auto& c : CASES) {
        const std::string strRecord = ReplaceField(strSword, c.nId, Unhex(c.pszChunk));
        const std::string strBytes = WeaponsDatabase({strRecord});
        const std::size_t nAt = c.at == RECORD ? OffsetOf(strBytes, Chunk(1, strRecord))
                                               : OffsetOf(strBytes, strRecord) +
                                                     FieldOffsetOf(strSword, c.nId) + c.nPast;
        ASSERT_EQ(EXIT_SAME, RunOn(strBytes)) << c.pszNote;
        EXPECT_EQ(m_strPath + ": note: at byte " + std::to_string(nAt) + ": " + c.pszNote + "\n",
                  m_strErr);
        auto dump = ParseDump(m_strOut);
        ASSERT_EQ(1u, dump["weapons"].size());
        const Fields& fields = dump["weapons"][0];
        const auto it = std::find_if(fields.begin(), fields.end(),
                                     [&](const auto& field) { return field.first == c.pszField; });
        ASSERT_NE(fields.end(), it) << c.pszField;
        EXPECT_EQ(c.pszShown, it->second) << c.pszNote;
    }
}

// A release that adds a field meets files written before it: the review of the two still works.
TEST_F(IdbDumpTest, DiffShowsAFieldMissingFromARecordAsChangedToZero) {
    SItemLists lists;
    SWeapon& weapon = lists.m_weapons.emplace_back();
    weapon.Name = "sword";
    weapon.DamageMin = 1.5f;
    const std::string strOld = WriteDatabase("old.idb", lists);
    const std::string strRecord =
        testutil::PayloadOf(testutil::FindChunk(Save(lists), {{1}, {2}, {1}}));
    const std::string strNew = m_dir / "new.idb";
    const std::string strNewRecord = ReplaceField(strRecord, 24, "");
    const std::string strNewBytes = WeaponsDatabase({strNewRecord});
    testutil::WriteFile(strNew, strNewBytes);
    EXPECT_EQ(EXIT_DIFFERENT, Run({"diff", strOld, strNew}));
    EXPECT_EQ(
        "changed weapons \"sword\" (record 1)\n"
        "  DamageMin: 1.5 -> 0\n"
        "0 removed, 1 changed, 0 added\n",
        m_strOut);
    // A missing field is noted at its record's chunk.
    EXPECT_EQ(strNew + ": note: at byte " +
                  std::to_string(OffsetOf(strNewBytes, Chunk(1, strNewRecord))) +
                  ": weapons record 1: chunk 24 (DamageMin) is missing and reads as zero\n",
              m_strErr);
}

TEST_F(IdbDumpTest, MissingMisplacedAndExtraChunksAreNamedWhereTheyLie) {
    // The lists' chunk has a 2-byte header here, and each empty list is 2 bytes.
    const auto list = [](std::size_t nKind) {
        return "list chunk " + std::to_string(ItemKinds()[nKind].nListId) + " (" +
               ItemKinds()[nKind].pszName + ")";
    };
    const auto at = [](std::size_t nKind) { return "at byte " + std::to_string(2 + 2 * nKind); };
    const std::size_t nLast = ItemKinds().size() - 1;
    const int nAfter = ItemKinds()[nLast].nListId + 1;
    const SKindLayout& weapons = ItemKinds()[KIND_INDEX<SWeapon>];
    const struct {
        std::string strLists;
        std::string strProblem;
    } CASES[] = {
        {ListsChunk({}, ItemKinds()[2].nListId),
         at(2) + ": the lists: " + list(2) + " is missing: " + list(3) + " is in its place"},
        {ListsChunk({}, ItemKinds()[nLast].nListId),
         at(nLast) + ": the lists: " + list(nLast) + " is missing"},
        {ListsChunk({}, 0, Chunk(nAfter, "")),
         at(nLast + 1) + ": the lists: chunk " + std::to_string(nAfter) + " after the six lists"},
        {ListsChunk({{weapons.nListId, Chunk(9, "")}}),
         at(KIND_INDEX<SWeapon> + 1) + ": " + weapons.pszName +
             ": chunk 9 where a record (chunk 1) belongs"},
        {Chunk(0, "") + ListsChunk(),
         "not an items database: at byte 0: top-level chunk 0 where top-level chunk 1 (the lists) "
         "belongs"}};
    for (const auto& c : CASES) {
        EXPECT_EQ(EXIT_TROUBLE, RunOn(c.strLists + Unhex(DATABASE_END))) << c.strProblem;
        EXPECT_EQ(m_strPath + ": " + c.strProblem + "\n", m_strErr);
    }
}

TEST_F(IdbDumpTest, ObjectsAnotherVersionAndBytesAfterTheEndAreMalformed) {
    const std::string strLists = ListsChunk();
    // Each problem lies a number of bytes behind the lists.
    const auto at = [&strLists](std::size_t nPast) {
        return "at byte " + std::to_string(strLists.size() + nPast);
    };
    const struct {
        const char* pszTail;
        std::string strProblem;
    } CASES[] = {
        {"00 00 02 0C 02 08 01 00 00 00 AB CD", at(10) + ": 2 bytes after the last top-level chunk"},
        {"00 10 07 30 00 00 01 00 00 00 02 0C 02 08 01 00 00 00",
         at(0) + ": the object table holds 8 bytes, expected none: items.idb stores no objects"},
        {"00 00 02 0C 02 08 02 00 00 00", at(6) + ": top-level chunk 2: version 2, expected 1"},
        {"00 00 02 0A 02 06 01 00 00",
         at(4) + ": top-level chunk 2: the version (chunk 2) holds 3 bytes, expected 4"}};
    for (const auto& c : CASES) {
        EXPECT_EQ(EXIT_TROUBLE, RunOn(strLists + Unhex(c.pszTail))) << c.pszTail;
        EXPECT_EQ(m_strPath + ": " + c.strProblem + "\n", m_strErr);
    }
}

TEST_F(IdbDumpTest, UnknownChunkInARecordIsANoteAndTheRecordIsStillShown) {
    const std::string strRecord = SwordRecord() + Chunk(40, "abc");
    const std::string strBytes = WeaponsDatabase({strRecord});
    ASSERT_EQ(EXIT_SAME, RunOn(strBytes));
    EXPECT_EQ(m_strPath + ": note: at byte " +
                  std::to_string(OffsetOf(strBytes, strRecord) + SwordRecord().size()) +
                  ": weapons record 1: unknown chunk 40 (3 bytes) skipped\n",
              m_strErr);
    auto dump = ParseDump(m_strOut);
    ASSERT_EQ(1u, dump["weapons"].size());
    EXPECT_EQ("\"sword\"", dump["weapons"][0][0].second);
}

// A file of millions of odd chunks costs a count, not a text each: the check keeps the notes
// idbdump prints and counts the rest.
TEST_F(IdbDumpTest, ManyNotesAreCountedAndOnlyThosePrintedAreKept) {
    std::string strRecord = SwordRecord();
    for (int i = 0; i < 100000; ++i) strRecord += Chunk(40, "");
    const std::string strBytes = WeaponsDatabase({strRecord});
    SDatabaseView view;
    std::string strProblem;
    ASSERT_TRUE(CheckDatabase(strBytes, view, strProblem)) << strProblem;
    ASSERT_EQ(SDatabaseView::KEPT_NOTES, view.notes.size());
    EXPECT_EQ(100000u, view.nNotes);
    // The first odd chunk follows the sword's fields; each is a header of 2 bytes.
    const std::size_t nFirst = OffsetOf(strBytes, strRecord) + SwordRecord().size();
    EXPECT_EQ("at byte " + std::to_string(nFirst) +
                  ": weapons record 1: unknown chunk 40 (0 bytes) skipped",
              view.notes[0]);
    EXPECT_EQ("at byte " + std::to_string(nFirst + 9 * 2) +
                  ": weapons record 1: unknown chunk 40 (0 bytes) skipped",
              view.notes[9]);
    ASSERT_EQ(EXIT_SAME, RunOn(strBytes, {"--summary"}));
    std::string strNotes;
    for (const std::string& strNote : view.notes) strNotes += m_strPath + ": note: " + strNote + "\n";
    EXPECT_EQ(strNotes + m_strPath + ": note: 99990 more notes\n", m_strErr);
    EXPECT_NE(std::string::npos, m_strOut.find("\nweapons     1\n")) << m_strOut;
}

// Marrow writes at most 65,535 records a list, as many sections as a registry file holds:
// idbdump refuses more at the record past the limit, in the loader's words.
TEST_F(IdbDumpTest, ListOfMoreRecordsThanARegistryHoldsIsDamageAsTheLoaderSays) {
    static_assert(MAX_LIST_RECORDS == MAX_REGISTRY_ENTRIES);
    ASSERT_EQ(EXIT_SAME, RunOn(WeaponsDatabase(std::vector<std::string>(65535)), {"--summary"}));
    EXPECT_NE(std::string::npos, m_strOut.find("\nweapons     65535\n")) << m_strOut;
    EXPECT_EQ(EXIT_TROUBLE, RunOn(WeaponsDatabase(std::vector<std::string>(65536))));
    // Records of 2 bytes from byte 12, behind the lists' header, the materials and the weapons'.
    const std::string strReason =
        "at byte 131082: weapons: record 65536 is one more than the 65,535 a list holds";
    EXPECT_EQ(m_strPath + ": " + strReason + "\n", m_strErr);
    EXPECT_EQ("", m_strOut);
    SItemLists lists;
    const marrow::SLoadResult result = LoadItemDatabase(m_strPath.c_str(), lists);
    EXPECT_EQ(marrow::ELoadStatus::Damaged, result.Status);
    EXPECT_EQ(strReason, result.Reason);
}

// A folder, a device or a pipe: neither idbdump nor the loader opens one (/dev/zero read as an
// empty file to one and as 4 GiB to the other), and both say so in the same words.
TEST_F(IdbDumpTest, NonRegularFilesAreRefusedAsTheLoaderRefusesThem) {
    std::vector<std::string> paths = {m_dir.Path().string()};
#ifndef _WIN32
    paths.push_back("/dev/zero");
    const std::string strPipe = m_dir / "pipe.idb";
    ASSERT_EQ(0, ::mkfifo(strPipe.c_str(), 0644));
    paths.push_back(strPipe);
#endif
    for (const std::string& strPath : paths) {
        SItemLists lists;
        const marrow::SLoadResult result = LoadItemDatabase(strPath.c_str(), lists);
        EXPECT_EQ(marrow::ELoadStatus::CannotOpen, result.Status) << strPath;
        EXPECT_EQ(NOT_A_REGULAR_FILE, result.Reason) << strPath;
        const std::string strRefusal =
            "idbdump: " + strPath + " cannot be opened (" + result.Reason + ").\n";
        EXPECT_EQ(EXIT_TROUBLE, Run({strPath}));
        EXPECT_EQ(strRefusal, m_strErr);
        EXPECT_EQ(EXIT_TROUBLE, Run({"--summary", strPath}));
        EXPECT_EQ(strRefusal, m_strErr);
        EXPECT_EQ(EXIT_TROUBLE, Run({"diff", strPath, GoldenPath()}));
        EXPECT_EQ(strRefusal, m_strErr);
    }
}

TEST(IdbCheck, GoldenFileCutAtEveryLengthIsMalformedAndNothingBeyondItIsRead) {
    const std::string strGolden = testutil::ReadFile(GoldenPath());
    // The whole file as the save writes the examples, so that every length of it is tried.
    SItemLists lists = LoadGolden();
    ASSERT_EQ(Save(lists).size(), strGolden.size());
    SDatabaseView view;
    std::string strProblem;
    for (std::size_t n = 0; n < strGolden.size(); ++n) {
        const std::vector<char> bytes = ExactCopy(std::string_view(strGolden).substr(0, n));
        ASSERT_FALSE(CheckDatabase(std::string_view(bytes.data(), n), view, strProblem)) << n;
        ASSERT_EQ(0u, strProblem.rfind("at byte ", 0)) << n << ": " << strProblem;
    }
}

TEST(IdbCheck, GoldenFileWithARandomByteChangedIsEitherMalformedOrPrintable) {
    const std::string strGolden = testutil::ReadFile(GoldenPath());
    std::mt19937 random(7);  // a fixed seed: every run tries the same files
    SDatabaseView view;
    std::string strProblem;
    for (int i = 0; i < 600; ++i) {
        std::vector<char> bytes = ExactCopy(strGolden);
        bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        if (!CheckDatabase(std::string_view(bytes.data(), bytes.size()), view, strProblem)) {
            ASSERT_EQ(0u, strProblem.rfind("at byte ", 0)) << strProblem;
            continue;
        }
        const std::string strJson = DatabaseJson(view);
        EXPECT_EQ("\n}\n", strJson.substr(strJson.size() - 3));
        EXPECT_EQ(0u, DatabaseText(view).rfind("materials: ", 0));
    }
}

// ---- Registry files -----------------------------------------------------------------------

TEST_F(IdbDumpTest, RegistryFileShowsItsValuesWithTheirTypesAndChainLengths) {
    ASSERT_EQ(EXIT_SAME, RunOn(Registry("[Sword]\nName=Sword\nPrice=60\nWeight=1.5\n"
                                        "Zones=Castle, Harbor\n"),
                               {}, "rows.dat"));
    EXPECT_EQ(
        "registry file, 110 bytes: 1 section, 4 values\n"
        "[Sword] (slot 0, byte 12): 4 values in 3 chains, longest 2\n"
        "  Weight = float 1.5\n  Name = string \"Sword\"\n"
        "  Zones = list [\"Castle\", \"Harbor\"]\n  Price = integer 60\n"
        "section chains: count 1, longest 1, mean 1.00 (length 1: 1)\n"
        "value chains: count 3, longest 2, mean 1.33 (length 1: 2, length 2: 1)\n",
        m_strOut);
    EXPECT_EQ("", m_strErr);
}

TEST_F(IdbDumpTest, RegistrySummaryShowsTheChainsOfSectionsWhoseNamesCollide) {
    ASSERT_EQ(EXIT_SAME,
              RunOn(Registry("[Sword 0001]\na=1\n[Sword 0010]\na=1\n[Sword 0100]\na=1\n"),
                    {"--summary"}, "tempreg.reg"));
    EXPECT_EQ(
        "registry file, 108 bytes: 3 sections, 3 values\n"
        "section chains: count 1, longest 3, mean 3.00 (length 3: 1)\n"
        "value chains: count 3, longest 1, mean 1.00 (length 1: 3)\n",
        m_strOut);
}

TEST_F(IdbDumpTest, MalformedRegistryFilesNameTheProblemAndItsOffset) {
    const std::string strSword = Registry("[Sword]\nName=Sword\n");  // 41 bytes
    std::string strLooping = strSword;
    strLooping[6] = 5, strLooping[7] = 0;
    static const struct {
        std::string strBytes;
        const char* pszProblem;
    } CASES[] = {
        {strSword.substr(0, 5), "at byte 4: the file ends inside the header (5 bytes, 6 needed)"},
        {strSword.substr(0, 11),
         "at byte 4: the section table of 1 slot runs past the end of the file (11 bytes)"},
        {strSword.substr(0, 30), "at byte 23: value record at 27 runs past the end (30)"},
        {strLooping, "at byte 6: section slot 0 links to slot 5, outside the table"}};
    for (const auto& c : CASES) {
        EXPECT_EQ(EXIT_TROUBLE, RunOn(c.strBytes, {}, "tempreg.reg"));
        EXPECT_EQ(m_strPath + ": " + c.pszProblem + "\n", m_strErr);
    }
}

TEST(RegistryDump, FileCutAtEveryLengthIsMalformedAndNothingBeyondItIsRead) {
    const std::string strRegistry = Registry("[Sword]\nName=Sword\nZones=a, b\n[Axe]\nPrice=2.5\n");
    std::string strOut, strProblem;
    for (std::size_t n = 0; n < strRegistry.size(); ++n) {
        const std::vector<char> bytes = ExactCopy(std::string_view(strRegistry).substr(0, n));
        ASSERT_FALSE(DumpRegistry(std::string_view(bytes.data(), n), false, strOut, strProblem))
            << n;
        ASSERT_EQ(0u, strProblem.rfind("at byte ", 0)) << n << ": " << strProblem;
    }
    EXPECT_TRUE(DumpRegistry(strRegistry, false, strOut, strProblem)) << strProblem;
}

// ---- The command line ---------------------------------------------------------------------

TEST_F(IdbDumpTest, HelpExplainsTheUsage) {
    EXPECT_EQ(EXIT_SAME, Run({"--help"}));
    EXPECT_EQ(0u, m_strOut.rfind("idbdump: shows what an items database or a registry file holds.\n"
                                 "Usage:\n  idbdump [--raw | --text | --summary] <items.idb>\n",
                                 0));
    EXPECT_NE(std::string::npos, m_strOut.find("\n  idbdump report <items.idb>")) << m_strOut;
    EXPECT_EQ("", m_strErr);
}

TEST_F(IdbDumpTest, BadArgumentsAreNamedAndExitWithTwo) {
    static const struct {
        std::vector<std::string> args;
        const char* pszError;
    } CASES[] = {{{}, "expected one file"},
                 {{"a.idb", "b.idb"}, "expected one file"},
                 {{"--frob", "a.idb"}, "unknown option \"--frob\""},
                 {{"--text", "--summary", "a.idb"}, "--text and --summary exclude each other"},
                 {{"diff", "a.idb"}, "diff needs an old and a new items.idb"},
                 {{"--text", "diff", "a.idb", "b.idb"}, "diff takes no --text or --summary"}};
    for (const auto& c : CASES) {
        EXPECT_EQ(EXIT_TROUBLE, Run(c.args)) << c.pszError;
        EXPECT_EQ(std::string("idbdump: ") + c.pszError + ".\nRun idbdump --help for the usage.\n",
                  m_strErr);
        EXPECT_EQ("", m_strOut);
    }
}

TEST_F(IdbDumpTest, MissingFileIsReportedAndExitsWithTwo) {
    const std::string strPath = m_dir / "none.idb";
    EXPECT_EQ(EXIT_TROUBLE, Run({strPath}));
    EXPECT_EQ("idbdump: " + strPath + " cannot be opened (" + testutil::NOT_FOUND_TEXT + ").\n",
              m_strErr);
    EXPECT_EQ("", m_strOut);
}

}  // namespace
