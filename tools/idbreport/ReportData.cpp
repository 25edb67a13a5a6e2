#include "tools/idbreport/ReportData.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <map>

#include "itemdb/Columns.h"
#include "itemdb/Vocabulary.h"
#include "output/ByteOrder.h"
#include "tableconv/FileRegistry.h"  // EqualNoCase
#include "tools/idbdump/IdbDump.h"

namespace {
using namespace std::string_view_literals;

// Fields that hold a code of a word list; INVALID_CODE reads "no code" in every one of them.
struct SWordField {
    const char* pszKind;  // null: every kind
    const char* pszField;
    bool bWords;  // false: no word list (MaterialCode, TypeCode of kinds without one)
    EVocabulary vocabulary;
    // The word of the code just past the list, which the builder gives a word it does not know
    // (weapons and armors 7, damage types 6), or null.
    const char* pszPastEnd;
};
constexpr SWordField WORD_FIELDS[] = {
    {"weapons", "TypeCode", true, EVocabulary::WeaponNames, "unknown"},
    {"armors", "TypeCode", true, EVocabulary::ArmorNames, "unknown"},
    {"quickItems", "QuickType", true, EVocabulary::QuickItemTypes, nullptr},
    {"quickItems", "DamageType", true, EVocabulary::DamageTypes, "general"},
    {"lootItems", "LootType", true, EVocabulary::LootTypes, nullptr},
    {"lootItems", "InstructionType", true, EVocabulary::InstructionTypes, nullptr},
    {nullptr, "TypeCode", false, EVocabulary::WeaponNames, nullptr},
    {nullptr, "MaterialCode", false, EVocabulary::WeaponNames, nullptr},
};

const SWordField* WordFieldOf(std::size_t nKind, std::string_view strField) {
    const std::string_view strKind = ItemKinds()[nKind].pszName;
    for (const SWordField& field : WORD_FIELDS)
        if (strField == field.pszField && (!field.pszKind || strKind == field.pszKind))
            return &field;
    return nullptr;
}

// The names of a multi-valued field's elements, as its column names end.
std::vector<std::string> PartNames(const SFieldLayout& field) {
    std::vector<std::string> names;
    const auto damageNames = [&names] {
        for (std::string_view word : VocabularyWords(EVocabulary::DamageTypes))
            names.emplace_back(word);
        names.emplace_back("general");  // the seventh value of a damage block
    };
    if (field.type == EFieldType::Floats) {
        damageNames();
    } else if (field.type == EFieldType::Protection) {
        names.emplace_back("Absorption");
        damageNames();
        names.emplace_back("CrippledMask");
    } else if (field.type == EFieldType::Bytes) {
        const std::string_view strName = field.pszName;
        const auto words = strName == "SkillLevels" ? VocabularyWords(EVocabulary::Skills)
                           : strName == "ExtraSkillLevels"
                               ? VocabularyWords(EVocabulary::ExtraSkills)
                               : std::span<const std::string_view>();
        for (std::string_view word : words) names.emplace_back(word);
    }
    return names;
}

// The payload zero-filled to the field's size, as a reader takes a short chunk.
std::string_view PaddedPayload(std::string_view strPayload, const SFieldLayout& field,
                               std::string& strBuffer) {
    if (strPayload.size() >= FixedSizeOf(field)) return strPayload;
    strBuffer.assign(strPayload);
    strBuffer.resize(FixedSizeOf(field), '\0');
    return strBuffer;
}

// Numbers go straight into the output: a page of full lists holds millions of them.
template <class T>
void AppendNumber(std::string& strOut, T value) {
    char szText[32];
    const std::to_chars_result result = std::to_chars(szText, szText + sizeof szText, value);
    strOut.append(szText, result.ptr);
}

void AppendFloat(std::string& strOut, std::string_view strPayload, std::size_t nAt) {
    const float fValue = std::bit_cast<float>(ReadU32(strPayload.data() + nAt));
    // JSON has no NaN or infinities: they travel as strings, which the page shows as text.
    if (std::isfinite(fValue)) AppendNumber(strOut, fValue);
    else strOut += "\"" + FloatText(fValue) + "\"";
}

// The element nPart of a multi-valued field.
void AppendPart(std::string& strOut, const SFieldLayout& field, std::string_view strPayload,
                std::uint8_t nPart) {
    if (field.type == EFieldType::Bytes) {
        AppendNumber(strOut, static_cast<unsigned char>(strPayload[nPart]));
    } else if (field.type == EFieldType::Floats) {
        AppendFloat(strOut, strPayload, 4u * nPart);
    } else if (nPart <= DAMAGE_TYPE_COUNT) {  // Protection: absorption, then the seven shares
        AppendFloat(strOut, strPayload, 4u * nPart);
    } else {
        AppendNumber(strOut, ReadU32(strPayload.data() + 32));
    }
}
}  // namespace

std::vector<SReportColumn> ReportColumns(std::size_t nKind) {
    const SKindLayout& kind = ItemKinds()[nKind];
    std::vector<SReportColumn> columns;
    for (std::size_t f = 0; f < kind.fields.size(); ++f) {
        const SFieldLayout& field = kind.fields[f];
        const std::vector<std::string> parts = PartNames(field);
        for (std::size_t p = 0; p < parts.size(); ++p)
            columns.push_back({std::string(field.pszName) + "." + parts[p], ECellType::Number, f,
                               static_cast<std::uint8_t>(p), false, {}});
        if (!parts.empty()) continue;
        ECellType type = ECellType::Text;
        switch (field.type) {
            case EFieldType::Int:
                type = WordFieldOf(nKind, field.pszName) ? ECellType::Word : ECellType::Number;
                break;
            case EFieldType::Mask:
            case EFieldType::Float: type = ECellType::Number; break;
            case EFieldType::Bool: type = ECellType::Bool; break;
            default: break;
        }
        columns.push_back({field.pszName, type, f, 0, field.type == EFieldType::Bytes, {}});
    }
    // The sheet's names, from the column table: a column's field entry names the field
    // ("Price"), an element of it ("DamageProportions[0]", "MainProtection.Absorption") or
    // several fields ("TypeName, TypeCode").
    const SKindColumns& sheet = AllKinds()[nKind];
    for (SReportColumn& column : columns) {
        const std::string strField = kind.fields[column.nField].pszName;
        const std::string strElement = strField + "[" + std::to_string(column.nPart) + "]";
        for (const SColumnInfo* pColumn : sheet.columns) {
            std::string_view strEntries = pColumn->pszField;
            bool bMatch = false;
            while (!strEntries.empty() && !bMatch) {
                const size_t nComma = strEntries.find(", ");
                const std::string_view strEntry = strEntries.substr(0, nComma);
                // The column table writes "MainProtection.Piercing" where the field's elements
                // are named as the word lists name them ("piercing").
                bMatch = EqualNoCase(strEntry, column.strName) || strEntry == strElement ||
                         strEntry == strField;
                strEntries = nComma == std::string_view::npos ? std::string_view() : strEntries.substr(nComma + 2);
            }
            if (!bMatch) continue;
            column.strSheetName += (column.strSheetName.empty() ? "" : ", ") + std::string(pColumn->pszName);
        }
    }
    return columns;
}

std::string CodeWord(std::size_t nKind, const SReportColumn& column, std::int32_t nCode) {
    const SWordField* pField = WordFieldOf(nKind, ItemKinds()[nKind].fields[column.nField].pszName);
    if (nCode == INVALID_CODE) return "no code";
    if (pField && pField->bWords && nCode >= 0) {
        const auto words = VocabularyWords(pField->vocabulary);
        const auto nAt = static_cast<std::size_t>(nCode);
        if (nAt < words.size()) return std::string(words[nAt]);
        if (nAt == words.size() && pField->pszPastEnd) return pField->pszPastEnd;
    }
    return std::to_string(nCode);
}

void AppendCell(std::string& strOut, const SDatabaseView& view, const SRecordView& record,
                std::size_t nKind, const SReportColumn& column) {
    const SFieldLayout& field = ItemKinds()[nKind].fields[column.nField];
    std::string strBuffer;
    const std::string_view strPayload =
        PaddedPayload(view.Payload(record.fields[column.nField]), field, strBuffer);
    if (column.type == ECellType::Word) {
        const auto nCode = static_cast<std::int32_t>(ReadU32(strPayload.data()));
        strOut += JsonString(CodeWord(nKind, column, nCode));
        return;
    }
    switch (field.type) {
        case EFieldType::Int:
            AppendNumber(strOut, static_cast<std::int32_t>(ReadU32(strPayload.data())));
            return;
        case EFieldType::Mask: AppendNumber(strOut, ReadU32(strPayload.data())); return;
        case EFieldType::Float: AppendFloat(strOut, strPayload, 0); return;
        case EFieldType::Bool: strOut += strPayload[0] != 0 ? "true" : "false"; return;
        case EFieldType::Bytes:
        case EFieldType::Floats:
        case EFieldType::Protection:
            if (!column.bWhole) {
                AppendPart(strOut, field, strPayload, column.nPart);
                return;
            }
            break;
        case EFieldType::Text:
        case EFieldType::TextList: break;
    }
    // A list, and bytes without element names, stay JSON arrays: the page joins them.
    if (field.type == EFieldType::Text) strOut += JsonString(TextOfPayload(strPayload));
    else strOut += FormatField(field, strPayload, EValueStyle::Json);
}

namespace {
const char* TypeText(ECellType type) {
    switch (type) {
        case ECellType::Number: return "number";
        case ECellType::Bool: return "bool";
        case ECellType::Word: return "word";
        case ECellType::Text: break;
    }
    return "text";
}

std::string RowJson(const SDatabaseView& view, const SRecordView& record, std::size_t nKind,
                    const std::vector<SReportColumn>& columns) {
    std::string strRow = "[";
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c) strRow += ',';
        AppendCell(strRow, view, record, nKind, columns[c]);
    }
    return strRow + "]";
}

// The report columns whose cells differ between two matched records.
std::string ChangedColumnsJson(const SDatabaseView& oldView, const SRecordView& oldRecord,
                               const SDatabaseView& newView, const SRecordView& newRecord,
                               std::size_t nKind, const std::vector<SReportColumn>& columns) {
    std::string strOut = "[", strOld, strNew;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        strOld.clear();
        strNew.clear();
        AppendCell(strOld, oldView, oldRecord, nKind, columns[c]);
        AppendCell(strNew, newView, newRecord, nKind, columns[c]);
        if (strOld == strNew) continue;
        if (strOut.size() > 1) strOut += ',';
        strOut += std::to_string(c);
    }
    return strOut + "]";
}

// "added", "changed" and "removed" of one list against the previous database.
std::string ListChangesJson(const SDatabaseView& view, const SDatabaseView& previous,
                            std::size_t nKind, const std::vector<SReportColumn>& columns,
                            const std::vector<SRecordChange>& changes) {
    std::string strAdded, strChanged, strRemoved;
    const auto& oldList = previous.lists[nKind];
    const auto& newList = view.lists[nKind];
    for (const SRecordChange& change : changes) {
        if (change.type == EChange::Added) {
            strAdded += (strAdded.empty() ? "" : ",") + std::to_string(change.nNew);
        } else if (change.type == EChange::Removed) {
            strRemoved += (strRemoved.empty() ? "" : ",\n") +
                          RowJson(previous, oldList[change.nOld], nKind, columns);
        } else {
            strChanged += std::string(strChanged.empty() ? "" : ",\n") + "[" +
                          std::to_string(change.nNew) + "," +
                          ChangedColumnsJson(previous, oldList[change.nOld], view,
                                             newList[change.nNew], nKind, columns) +
                          "," + RowJson(previous, oldList[change.nOld], nKind, columns) + "]";
        }
    }
    return ",\"added\":[" + strAdded + "],\"changed\":[" + strChanged + "],\"removed\":[" +
           strRemoved + "]";
}

// Appends one list, made safe piece by piece: a page of six full lists is tens of megabytes,
// and copying it whole once more for every step would take as long as writing it.
void AppendKindJson(std::string& strOut, const SDatabaseView& view, const SReportInput& input,
                    std::size_t nKind, const std::vector<SRecordChange>& changes) {
    const std::vector<SReportColumn> columns = ReportColumns(nKind);
    std::string strHead = "{\"name\":" + JsonString(ItemKinds()[nKind].pszName) + ",\"columns\":[";
    for (std::size_t c = 0; c < columns.size(); ++c)
        strHead += std::string(c ? "," : "") + "{\"name\":" + JsonString(columns[c].strName) +
                   ",\"sheet\":" + JsonString(columns[c].strSheetName) + ",\"type\":\"" +
                   TypeText(columns[c].type) + "\"}";
    AppendScriptSafe(strOut, strHead + "],\"rows\":[\n");
    const auto& records = view.lists[nKind];
    std::string strRow;
    for (std::size_t i = 0; i < records.size(); ++i) {
        strRow.assign(i ? ",\n[" : "[");
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c) strRow += ',';
            AppendCell(strRow, view, records[i], nKind, columns[c]);
        }
        strRow += ']';
        AppendScriptSafe(strOut, strRow);
    }
    strOut += "]";
    if (input.pPrevious)
        AppendScriptSafe(strOut, ListChangesJson(view, *input.pPrevious, nKind, columns, changes));
    strOut += "}";
}

// Record names are stored lowercased (ASCII letters only), the table rows as written.
std::string LowerAscii(std::string_view strText) {
    std::string strLower(strText);
    LowercaseAscii(strLower);
    return strLower;
}

std::string FindingsJson(const SDatabaseView& view, const SReportInput& input) {
    std::string strOut = "{\"folder\":" + JsonString(input.strCheckFolder) + ",\"tables\":[";
    const std::vector<STableFindings>& tables = *input.pFindings;
    for (std::size_t k = 0; k < tables.size() && k < ITEM_KIND_COUNT; ++k) {
        const STableFindings& table = tables[k];
        std::map<std::string, std::size_t> recordOf;
        for (std::size_t i = view.lists[k].size(); i-- > 0;)  // the first of a name wins
            recordOf[LowerAscii(view.NameOf(view.lists[k][i]))] = i;
        strOut += std::string(k ? ",\n" : "\n") + "{\"path\":" + JsonString(table.strPath) +
                  ",\"kind\":" + std::to_string(k) +
                  ",\"records\":" + std::to_string(table.nRecords) +
                  ",\"problems\":" + std::to_string(table.nProblems) +
                  ",\"notes\":" + std::to_string(table.findings.size() - table.nProblems) +
                  ",\"findings\":[";
        for (std::size_t f = 0; f < table.findings.size(); ++f) {
            const SFinding& finding = table.findings[f];
            std::string strLine = FindingLine(table.strPath, finding.problem);
            strLine.pop_back();  // its line feed
            // A row the database has no record of (an older build, a skipped row) links nowhere.
            const auto it =
                finding.bRecord ? recordOf.find(LowerAscii(finding.strRecord)) : recordOf.end();
            strOut += std::string(f ? ",\n" : "\n") + "{\"text\":" + JsonString(strLine) +
                      ",\"note\":" + (finding.problem.bNote ? "true" : "false") + ",\"record\":" +
                      (it == recordOf.end() ? std::string("-1") : std::to_string(it->second)) + "}";
        }
        strOut += "]}";
    }
    return strOut + "]}";
}
}  // namespace

void AppendReportJson(std::string& strOut, const SDatabaseView& view, const SReportInput& input) {
    std::array<std::vector<SRecordChange>, ITEM_KIND_COUNT> changes;
    std::size_t counts[3] = {0, 0, 0};  // by EChange
    for (std::size_t k = 0; input.pPrevious && k < ITEM_KIND_COUNT; ++k) {
        changes[k] = ListChanges(k, *input.pPrevious, view);
        for (const SRecordChange& change : changes[k]) ++counts[static_cast<int>(change.type)];
    }
    std::string strHead = "{\"title\":" + JsonString(input.strTitle) +
                          ",\"bytes\":" + std::to_string(view.strBytes.size()) + ",\"previous\":";
    if (input.pPrevious)
        strHead += JsonString(input.strPreviousTitle) +
                   ",\"diff\":{\"removed\":" + std::to_string(counts[0]) +
                   ",\"changed\":" + std::to_string(counts[1]) +
                   ",\"added\":" + std::to_string(counts[2]) + "}";
    else strHead += "null,\"diff\":null";
    strHead += ",\"check\":" + (input.pFindings ? FindingsJson(view, input) : std::string("null"));
    AppendScriptSafe(strOut, strHead + ",\"kinds\":[");
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        strOut += k ? ",\n" : "\n";
        AppendKindJson(strOut, view, input, k, changes[k]);
    }
    strOut += "]}\n";
}

std::string ReportJson(const SDatabaseView& view, const SReportInput& input) {
    std::string strOut;
    AppendReportJson(strOut, view, input);
    return strOut;
}

std::string ScriptSafe(std::string_view strJson) {
    std::string strOut;
    AppendScriptSafe(strOut, strJson);
    return strOut;
}

void AppendScriptSafe(std::string& strOut, std::string_view strJson) {
    std::size_t nAt = 0;
    while (nAt < strJson.size()) {
        const std::size_t nNext = strJson.find_first_of("<>&\xE2", nAt);
        strOut.append(strJson.substr(nAt, nNext - nAt));
        if (nNext == std::string_view::npos) break;
        const char c = strJson[nNext];
        nAt = nNext + 1;
        if (c == '<') strOut += "\\u003c";
        else if (c == '>') strOut += "\\u003e";
        else if (c == '&') strOut += "\\u0026";
        else if (strJson.substr(nAt, 2) != "\x80\xA8"sv && strJson.substr(nAt, 2) != "\x80\xA9"sv)
            strOut += c;  // another character that begins with 0xE2
        else {
            strOut += strJson[nAt + 1] == '\xA8' ? "\\u2028" : "\\u2029";
            nAt += 2;
        }
    }
}
