// The data of the HTML report: each list's records as table cells (arrays, codes and damage
// blocks spread into a column each), the diff against an older database and the table check's
// findings, as one JSON document that is safe inside a <script> element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "loader/DatabaseCheck.h"
#include "tools/itemcheck/ItemCheck.h"

// Text: a JSON string; Number: a JSON number, or "nan", "inf", "-inf" as strings; Bool: true or
// false; Word: a code shown as the word the tables write for it ("sword"), as a JSON string.
enum class ECellType { Text, Number, Bool, Word };

// One column of a list's table in the report: a field, or one element of a field that holds
// several values (a skill level, a damage type's share, a protection's absorption).
struct SReportColumn {
    std::string strName;  // "Price", "SkillLevels.melee", "MainProtection.Absorption"
    ECellType type = ECellType::Text;
    std::size_t nField = 0;  // index into the kind's field list
    std::uint8_t nPart = 0;  // the element of a Bytes, Floats or Protection field
    bool bWhole = false;     // a Bytes field without element names: one text column
    // The table's column (or columns) the field comes from, as the sheet names it: "General
    // Price"; empty for a field no column fills.
    std::string strSheetName;
};

// The report's columns of kind nKind (ItemKinds() order), in field order.
std::vector<SReportColumn> ReportColumns(std::size_t nKind);
// The word for a code of the column, as the page shows it: the vocabulary's word, "unknown"
// (weapon and armor 7), "general" (damage type 6), "no code" (INVALID_CODE), or the number.
std::string CodeWord(std::size_t nKind, const SReportColumn& column, std::int32_t nCode);
// The JSON value of one cell of a record.
void AppendCell(std::string& strOut, const SDatabaseView& view, const SRecordView& record,
                std::size_t nKind, const SReportColumn& column);

// What the report shows beside the current database; each part is optional.
struct SReportInput {
    std::string strTitle;                      // the database's path as given
    const SDatabaseView* pPrevious = nullptr;  // --previous
    std::string strPreviousTitle;
    const std::vector<STableFindings>* pFindings = nullptr;  // --check
    std::string strCheckFolder;
};

// The report's data as JSON (layout: the top of report.html.in), already made safe for a
// <script> element as ScriptSafe makes it; appended to strOut.
void AppendReportJson(std::string& strOut, const SDatabaseView& view, const SReportInput& input);
std::string ReportJson(const SDatabaseView& view, const SReportInput& input);
// JSON made safe inside <script>: '<', '>', '&', U+2028 and U+2029 become \u escapes, which
// leave the JSON value the same and let no "</script>" or "<!--" end the element early.
std::string ScriptSafe(std::string_view strJson);
void AppendScriptSafe(std::string& strOut, std::string_view strJson);
