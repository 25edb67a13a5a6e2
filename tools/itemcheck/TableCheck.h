// The table checker's core: reads one item table the way the builder of its kind does (the table
// reader of tableconv/, the converter's typing, the getters' rules) and reports what the build
// would drop, default or misread without a word. Reading the header and the rows is in
// TableCheck.cpp, judging one value in CellCheck.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "itemdb/Columns.h"
#include "tableconv/TableConverter.h"
#include "tools/itemcheck/Words.h"
#include "tools/workbook/WorkbookReader.h"  // ColumnLetters

struct SIniValue;

// One finding and where it is.
struct SProblem {
    std::uint32_t nLine = 0;    // the line of the file where the row begins, from 1 as an editor
                                // counts; 0 for the table as a whole
    std::uint32_t nColumn = 0;  // the cell from 1; 0 for the table as a whole
    std::uint32_t nRow = 0;     // the row as the sheet numbers it (header rows 1 and 2); 0: none
    std::string strText;
    bool bNote = false;  // harmless, such as a quoted cell that reads as it shows: not counted
};

// A text in a message, in double quotes; a very long one is cut, so that a finding stays a line.
std::string Quoted(std::string_view str);
// "; did you mean "word"?", or nothing when there is no word to suggest.
std::string DidYouMean(std::string_view strClosest);

// A number as the registry's getters turn it into text: its shortest decimal form.
std::string NumberTextOf(float fValue);
std::string NumberTextOf(std::int32_t nValue);
// The column's default as messages and the column reference show it: a number, quoted text, or
// "empty" for a list.
std::string DefaultTextOf(const SColumnInfo& column);

class CTableCheck : private CTableConverter {
public:
    explicit CTableCheck(const SKindColumns& kind) : m_kind(kind) {}

    // Reads and checks the table; afterwards Problems() holds the findings (notes included) in
    // line and cell order, and Records() the records the build would make. A missing or
    // unreadable table is one finding. Nothing is written; the reader itself prints only about a
    // zero byte.
    void Check(const char* pszPath);
    // The same for a table's text, such as a workbook's sheet, named pszName where the reader
    // prints (only about a zero byte).
    void CheckText(std::string_view strText, const char* pszName);
    const std::vector<SProblem>& Problems() const { return m_problems; }
    // The findings that are problems, notes aside.
    std::size_t ProblemCount() const;
    std::uint32_t Records() const { return m_nRecords; }
    // The names of the rows the build keeps, once Check has read them; null when it could not (a
    // missing table, a bad header), so that references to the table are then left unjudged.
    const std::vector<std::string>* RowNames() const { return m_bRowsRead ? &m_rowNames : nullptr; }
    // The name of the record that the sheet's row nRow becomes, as the table writes it; null for
    // a header row, a skipped row (no name, a repeated name) or a row beyond the table.
    const std::string* RecordNameOfRow(std::uint32_t nRow) const;
    // The materials' row names that a material column must give (case aside); null: unjudged.
    void SetMaterials(const std::vector<std::string>* pMaterials);

private:
    static constexpr int UNKNOWN = -1;   // a column that no builder of the kind reads
    static constexpr int NAMELESS = -2;  // a spanned column without a sub-column name

    bool Save(const char*) override { return false; }  // the checker writes nothing
    void CheckLoaded();

    // nRow is the row as the sheet numbers it; the file line is looked up from it.
    void Report(std::uint32_t nRow, std::uint32_t nColumn, std::string strText);
    void Note(std::uint32_t nRow, std::uint32_t nColumn, std::string strText);
    // False, after reporting, when the group line starts no group (the builder's "Bad header").
    bool CheckGroupLine(const std::vector<std::string_view>& cells);
    void CheckColumnNames(const std::vector<std::string_view>& subCells);
    // Finds the kind's column of the table column's full name, or reports that none reads it
    // (marking the suggested name) or that an earlier column has the name.
    void ResolveColumn(size_t nColumn, std::uint32_t nLine, std::vector<bool>& suggested);
    void ReportMissingColumns(const std::vector<bool>& suggested);
    void CheckRows(std::uint32_t nFirstLine);
    void CheckRow(std::uint32_t nLine, const STableRow& row);
    // A cell the sheet quoted: a note saying what it reads as, unless it gave a problem.
    void NoteQuoted(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                    std::string_view strValue, size_t nProblemsBefore);
    void ReportZeroByte();
    // What the converter refuses: then the table cannot be converted and nothing is saved.
    void ReportOverLimit(std::uint32_t nRow, std::uint32_t nColumn, const std::string& strWhat,
                         size_t nCount);
    void CheckConverterLimits(std::uint32_t nRow, std::uint32_t nColumn, std::string_view strValue);

    // CellCheck.cpp: one non-empty value as the converter stores it, and an absent one.
    void CheckValue(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                    std::string_view strValue);
    void CheckQuoted(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                     const SIniValue& value);
    void CheckNumber(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                     std::string_view strValue, const SIniValue& value);
    void CheckWord(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                   std::string_view strText);
    void CheckListEntries(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                          const std::vector<std::string_view>& entries);
    void CheckSkillEntry(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                         std::string_view strEntry);
    void CheckMaterial(std::uint32_t nLine, std::uint32_t nColumn, std::string_view strName);
    void CheckAbsentWord(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column);

    const SKindColumns& m_kind;
    std::vector<SProblem> m_problems;
    std::uint32_t m_nRecords = 0;
    std::vector<int> m_columnOf;          // per table column: the kind's column index, or the above
    std::vector<bool> m_widened;          // per table column: after a group cell with punctuation
    std::vector<std::uint32_t> m_cellOf;  // per kind column: its first table cell, 0 when absent
    std::vector<std::uint8_t> m_taken;    // per kind column: a value was met in the current row
    std::vector<std::string_view> m_entries;  // the current value's list entries, kept for speed
    std::vector<std::uint32_t> m_lineOfRow;   // per sheet row from 1: the file line it begins on
    std::string m_strValue;                   // the current value, when it is not the cell itself
    bool m_bRowsRead = false;
    bool m_bMaterialsGiven = false;
    std::vector<std::string> m_rowNames;
    std::vector<std::uint32_t> m_recordOfRow;  // per sheet row from 1: m_rowNames index + 1, or 0
    std::vector<std::string_view> m_materials;  // views of the caller's names
    std::unordered_set<std::string_view, SNoCaseHash, SNoCaseEqual> m_materialSet;
    // The closest row for a material that is none, found without a scan of every row; a name
    // further than MATERIAL_SLIP_DISTANCE from every row gets no suggestion.
    static constexpr std::uint32_t MATERIAL_SLIP_DISTANCE = 3;
    std::unique_ptr<CClosestWordIndex> m_pClosestMaterial;
};
