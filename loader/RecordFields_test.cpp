// The field lists: the format document's record tables say what they hold, and every field's
// serializer reaches the member it names.
#include "loader/RecordFields.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "loader/RecordSerialize.h"
#include "output/DataStream.h"

namespace {
using Row = std::tuple<int, std::string, std::string>;  // chunk id, field name, type as documented

std::string DocumentedType(const SFieldLayout& field) {
    switch (field.type) {
        case EFieldType::Text: return "str";
        case EFieldType::Int: return "i32";
        case EFieldType::Mask: return "u32";
        case EFieldType::Float: return "f32";
        case EFieldType::Bool: return "u8";
        case EFieldType::Bytes: return "u8[" + std::to_string(field.nCount) + "]";
        case EFieldType::Floats: return "f32[" + std::to_string(field.nCount) + "]";
        case EFieldType::Protection: return "36 bytes";
        case EFieldType::TextList: return "chunks";
    }
    return "?";
}

std::vector<std::string> Cells(const std::string& strLine) {
    std::vector<std::string> cells;
    std::stringstream in(strLine.substr(1));
    for (std::string strCell; std::getline(in, strCell, '|');) {
        strCell.erase(0, strCell.find_first_not_of(' '));
        strCell.erase(strCell.find_last_not_of(' ') + 1);
        cells.push_back(strCell);
    }
    return cells;
}

std::vector<std::string> Split(const std::string& strText, const std::string& strSeparator) {
    std::vector<std::string> parts;
    std::size_t nAt = 0;
    for (std::size_t nEnd; (nEnd = strText.find(strSeparator, nAt)) != std::string::npos;
         nAt = nEnd + strSeparator.size())
        parts.push_back(strText.substr(nAt, nEnd - nAt));
    parts.push_back(strText.substr(nAt));
    return parts;
}

// "4 to 6" with "Price, Weight, Mana", "5, 6" with two names, or one id with one name.
void AddRows(const std::string& strIds, const std::string& strNames, const std::string& strType,
             std::vector<Row>& rows) {
    std::vector<int> ids;
    if (strIds.find(" to ") != std::string::npos) {
        const auto range = Split(strIds, " to ");
        for (int n = std::stoi(range[0]); n <= std::stoi(range[1]); ++n) ids.push_back(n);
    } else {
        for (const std::string& strId : Split(strIds, ", ")) ids.push_back(std::stoi(strId));
    }
    const auto names = Split(strNames, ", ");
    ASSERT_EQ(ids.size(), names.size()) << strIds << " | " << strNames;
    for (std::size_t i = 0; i < ids.size(); ++i) rows.emplace_back(ids[i], names[i], strType);
}

// The record tables of docs/idb-format.md by list chunk; the item kinds' rows begin with the
// common ones.
std::map<int, std::vector<Row>> DocumentedRecords() {
    std::ifstream in(MARROW_FORMAT_DOC);
    EXPECT_TRUE(in) << MARROW_FORMAT_DOC;
    enum { None, Materials, Common, Kinds } table = None;
    std::map<int, std::vector<Row>> records;
    std::vector<Row> common;
    int nList = 0;
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.rfind("| Id | Field | Type |", 0) == 0) {
            table = records.count(1) ? Common : Materials;
            continue;
        }
        if (strLine.rfind("| Kind (list) | Id |", 0) == 0) {
            table = Kinds;
            continue;
        }
        if (strLine.rfind("|", 0) != 0) {
            if (!strLine.empty()) table = None;
            continue;
        }
        if (table == None || strLine.rfind("|---", 0) == 0) continue;
        std::vector<std::string> cells = Cells(strLine);
        if (table == Kinds) {
            if (!cells[0].empty()) {
                nList = std::stoi(cells[0].substr(cells[0].find('(') + 1));
                records[nList] = common;
            }
            cells.erase(cells.begin());
        }
        std::vector<Row>& rows =
            table == Materials ? records[1] : table == Common ? common : records[nList];
        AddRows(cells[0], cells[1], cells[2], rows);
    }
    return records;
}

template <class TRecord>
std::string Saved(TRecord record) {
    CChunkArchive archive;
    CMemoryStream stream;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    archive.StartChunk(1);
    Serialize(archive, record);
    archive.FinishChunk();
    EXPECT_TRUE(archive.CloseArchive(stream));
    return std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize());
}
}  // namespace

TEST(RecordFields, TheFormatDocumentListsEveryFieldOfEveryKind) {
    const auto documented = DocumentedRecords();
    ASSERT_EQ(ITEM_KIND_COUNT, documented.size());
    for (const SKindLayout& kind : ItemKinds()) {
        std::vector<Row> rows;
        for (const SFieldLayout& field : kind.fields)
            rows.emplace_back(field.nId, field.pszName, DocumentedType(field));
        ASSERT_EQ(1u, documented.count(kind.nListId)) << kind.pszName;
        EXPECT_EQ(rows, documented.at(kind.nListId)) << kind.pszName;
    }
}

TEST(RecordFields, IdsAndNamesAreUniqueAndItemsBeginWithTheCommonChunks) {
    const auto common = FieldsOf<marrow::SItemCommon>();
    for (const SKindLayout& kind : ItemKinds()) {
        EXPECT_EQ(NAME_FIELD_ID, kind.fields[0].nId) << kind.pszName;
        for (std::size_t i = 0; i < kind.fields.size(); ++i) {
            EXPECT_EQ(static_cast<int>(i), FieldIndexOf(kind, kind.fields[i].nId));
            EXPECT_EQ(static_cast<int>(i), FieldIndexOf(kind, kind.fields[i].pszName));
        }
        if (kind.nListId == 1) continue;
        ASSERT_GT(kind.fields.size(), common.size());
        for (std::size_t i = 0; i < common.size(); ++i)
            EXPECT_EQ(common[i].layout.nId, kind.fields[i].nId) << kind.pszName;
        EXPECT_EQ(21, kind.fields[common.size()].nId) << kind.pszName;
    }
}

// A value set through the member reaches the chunk the list names, and reads back into it.
TEST(RecordFields, EachFieldStoresItsOwnMemberUnderItsOwnId) {
    marrow::SWeapon weapon;
    weapon.Skills.SkillLevels[0] = 9;
    weapon.Defence = 2.0f;
    const std::string strSaved = Saved(weapon);
    // Defence (chunk 30, 2.0) is the record's last field; the skills lie before it.
    EXPECT_NE(std::string::npos, strSaved.find(std::string("\x1C\x10\x09", 3)));
    EXPECT_NE(std::string::npos, strSaved.find(std::string("\x1E\x08\x00\x00\x00\x40", 6)));

    marrow::SQuestItem quest;
    quest.QuestZones = {"a", "b"};
    EXPECT_NE(std::string::npos,
              Saved(quest).find(std::string("\x16\x10\x01\x04" "a\0\x01\x04" "b\0", 10)));
}
