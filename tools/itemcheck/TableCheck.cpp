#include "tools/itemcheck/TableCheck.h"

#include <algorithm>
#include <unordered_map>

#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"
#include "tools/ini2reg/IniConverter.h"
#include "tools/itemcheck/Words.h"

namespace {
// The first character that lets a group line cell start a group, as ParseHeader decides.
bool StartsGroup(std::string_view strCell) {
    if (strCell.empty()) return false;
    const char c = strCell[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string FoldedCopy(std::string_view str) {
    std::string strLower(str);
    for (char& c : strLower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return strLower;
}

std::uint32_t CellNumber(size_t nIndex) { return static_cast<std::uint32_t>(nIndex + 1); }
}  // namespace

void CTableCheck::Report(std::uint32_t nRow, std::uint32_t nColumn, std::string strText) {
    const std::uint32_t nLine = nRow < m_lineOfRow.size() ? m_lineOfRow[nRow] : 0;
    m_problems.push_back(SProblem{nLine, nColumn, nRow, std::move(strText)});
}

void CTableCheck::Note(std::uint32_t nRow, std::uint32_t nColumn, std::string strText) {
    Report(nRow, nColumn, std::move(strText));
    m_problems.back().bNote = true;
}

std::size_t CTableCheck::ProblemCount() const {
    return static_cast<std::size_t>(std::count_if(m_problems.begin(), m_problems.end(),
                                                  [](const SProblem& p) { return !p.bNote; }));
}

void CTableCheck::Check(const char* pszPath) {
    m_problems.clear();
    m_nRecords = 0;
    m_bRowsRead = false;
    m_rowNames.clear();
    m_recordOfRow.clear();
    m_lineOfRow.assign(1, 0);
    // A folder or a pipe in the table's place fails the build; it is no missing table.
    if (platform::PathExists(pszPath) && !platform::FileExists(pszPath)) {
        Report(0, 0,
               std::string(platform::IsFolder(pszPath) ? "the table is a folder"
                                                       : "the table is no file of its own") +
                   ", so the build cannot read it and saves nothing");
        return;
    }
    if (!platform::FileExists(pszPath)) {
        std::string strText =
            std::string("the table is missing; the build gives an empty list of ") + m_kind.pszKind;
        const std::vector<std::string> lookalikes = LookalikesOf(pszPath);
        for (size_t i = 0; i < lookalikes.size(); ++i)
            strText += (i ? ", " : "; found ") + Quoted(lookalikes[i]);
        if (!lookalikes.empty()) strText += std::string(" instead, but the table must be named ") +
                                            Quoted(m_kind.pszTable);
        Report(0, 0, std::move(strText));
        return;
    }
    if (!LoadFile(pszPath)) {
        Report(0, 0, "the table cannot be read, so the build saves nothing");
        return;
    }
    CheckLoaded();
}

void CTableCheck::CheckText(std::string_view strText, const char* pszName) {
    m_problems.clear();
    m_nRecords = 0;
    m_bRowsRead = false;
    m_rowNames.clear();
    m_lineOfRow.assign(1, 0);
    if (!LoadText(strText, pszName)) {
        Report(0, 0, "the table is too large for the build to read");
        return;
    }
    CheckLoaded();
}

void CTableCheck::CheckLoaded() {
    // The two header lines are looked at cell by cell first, then handed to ParseHeader, so that
    // the full column names are derived by the builders' own code.
    const char* pHeader = m_pCursor;
    STableRow groupRow, subRow;
    if (!GetNextRow(groupRow)) groupRow.cells.assign(1, std::string_view());
    GetNextRow(subRow);
    m_pCursor = pHeader;
    // Sheet rows 1 and 2 are the header; a quoted header cell may span lines.
    m_lineOfRow = {0, 1, 1 + groupRow.nLines};
    if (CheckGroupLine(groupRow.cells) && ParseHeader()) {
        CheckColumnNames(subRow.cells);
        CheckRows(1 + groupRow.nLines + subRow.nLines);
        m_bRowsRead = true;
    }
    ReportZeroByte();
    std::stable_sort(m_problems.begin(), m_problems.end(),
                     [](const SProblem& a, const SProblem& b) {
                         return a.nLine != b.nLine ? a.nLine < b.nLine : a.nColumn < b.nColumn;
                     });
}

bool CTableCheck::CheckGroupLine(const std::vector<std::string_view>& cells) {
    if (const char* pszSeparator = cells.size() == 1 ? WrongSeparatorOf(cells[0]) : nullptr) {
        Report(1, 1,
               std::string("the table looks ") + pszSeparator +
                   "-separated, so the build reads nothing of it; save it with tabs");
        return false;
    }
    if (!StartsGroup(cells[0])) {
        Report(
            1, 1,
            "bad header: the first cell starts no group, so the build reads nothing of the table");
        return false;
    }
    m_widened.assign(cells.size(), false);
    std::string_view strGroup = cells[0];
    bool bWidening = false;
    for (size_t i = 1; i < cells.size(); ++i) {
        if (StartsGroup(cells[i])) {
            strGroup = cells[i];
            bWidening = false;
        } else if (!cells[i].empty()) {
            Report(1, CellNumber(i),
                   "group cell " + Quoted(cells[i]) +
                       " starts with no letter or digit, so it widens group " + Quoted(strGroup) +
                       " instead of starting a group");
            bWidening = true;
        }
        m_widened[i] = bWidening;
    }
    return true;
}

void CTableCheck::CheckColumnNames(const std::vector<std::string_view>& subCells) {
    const size_t nColumns = m_columnNames.size();
    m_columnOf.assign(nColumns, UNKNOWN);
    m_widened.resize(nColumns, false);
    m_cellOf.assign(m_kind.columns.size(), 0);
    std::vector<bool> suggested(m_kind.columns.size(), false);
    size_t nColumn = 0;
    for (const SColumnGroup& group : m_groups) {
        // A one-column group's name stands alone on the group line; others end on the sub line.
        const std::uint32_t nLine = group.columnCount == 1 ? 1 : 2;
        for (std::int32_t k = 0; k < group.columnCount; ++k, ++nColumn) {
            if (group.columnCount > 1 && group.subNames[static_cast<size_t>(k)].empty())
                m_columnOf[nColumn] = NAMELESS;
            else
                ResolveColumn(nColumn, nLine, suggested);
        }
    }
    // Each column is a value of every row's section, beside the row's order.
    if (nColumns + 1 > MAX_REGISTRY_ENTRIES)
        ReportOverLimit(1, 1, "the header's columns (and the row order) number", nColumns + 1);
    for (size_t i = nColumns; i < subCells.size(); ++i) {
        if (subCells[i].empty()) continue;
        Report(2, CellNumber(i),
               "sub-column " + Quoted(subCells[i]) + " lies beyond the " +
                   std::to_string(nColumns) + " columns of the group line and names no column");
    }
    ReportMissingColumns(suggested);
}

void CTableCheck::ResolveColumn(size_t nColumn, std::uint32_t nLine, std::vector<bool>& suggested) {
    const std::string& strName = m_columnNames[nColumn];
    std::vector<std::string_view> names;
    for (const SColumnInfo* pColumn : m_kind.columns) names.push_back(pColumn->pszName);
    // The registry compares value names without regard to ASCII case.
    const auto found = std::find_if(names.begin(), names.end(), [&](std::string_view str) {
        return EqualNoCase(str, strName);
    });
    if (found == names.end()) {
        if (m_widened[nColumn]) return;  // the group cell's report covers it
        const std::string_view strClosest = ClosestWord(strName, names);
        const auto meant = std::find(names.begin(), names.end(), strClosest);
        if (meant != names.end()) suggested[static_cast<size_t>(meant - names.begin())] = true;
        Report(nLine, CellNumber(nColumn),
               "column " + Quoted(strName) + " is read by no builder of " + m_kind.pszKind +
                   DidYouMean(strClosest));
        return;
    }
    const size_t nKindColumn = static_cast<size_t>(found - names.begin());
    m_columnOf[nColumn] = static_cast<int>(nKindColumn);
    if (m_cellOf[nKindColumn] == 0) {
        m_cellOf[nKindColumn] = CellNumber(nColumn);
        return;
    }
    Report(nLine, CellNumber(nColumn),
           "column " + Quoted(strName) + " repeats column " +
               std::to_string(m_cellOf[nKindColumn]) +
               "; each row gives only the first non-empty cell of the two");
}

void CTableCheck::ReportMissingColumns(const std::vector<bool>& suggested) {
    for (size_t k = 0; k < m_kind.columns.size(); ++k) {
        if (m_cellOf[k] != 0 || suggested[k]) continue;  // a suggestion already points at it
        const SColumnInfo& column = *m_kind.columns[k];
        Report(
            0, 0,
            "no column " + Quoted(column.pszName) + "; every row gets " +
                (column.type == EColumnType::StringList ? std::string("an empty list")
                                                        : "the default " + DefaultTextOf(column)));
    }
}

void CTableCheck::CheckRows(std::uint32_t nFirstLine) {
    std::unordered_map<std::string, std::uint32_t> lineOfName;
    STableRow& row = m_row;
    std::uint32_t nLine = nFirstLine;
    std::uint32_t nRow = 2;
    m_taken.assign(m_kind.columns.size(), 0);
    while (GetNextRow(row)) {
        m_lineOfRow.push_back(nLine);
        ++nRow;
        nLine += row.nLines;
        const std::vector<std::string_view>& cells = row.cells;
        if (cells[0].empty()) {
            if (std::any_of(cells.begin(), cells.end(),
                            [](std::string_view s) { return !s.empty(); }))
                Report(nRow, 1, "the row has no name (an empty first cell) and is skipped");
            continue;
        }
        const auto inserted = lineOfName.emplace(FoldedCopy(cells[0]), m_lineOfRow[nRow]);
        if (!inserted.second) {
            Report(nRow, 1,
                   "row " + Quoted(cells[0]) + " repeats the name of line " +
                       std::to_string(inserted.first->second) + " (case aside) and is skipped");
            continue;
        }
        if (cells[0].size() > MAX_REGISTRY_TEXT)
            ReportOverLimit(nRow, 1, "the row name's bytes number", cells[0].size());
        ++m_nRecords;
        m_rowNames.emplace_back(cells[0]);
        m_recordOfRow.resize(nRow + 1, 0);
        m_recordOfRow[nRow] = static_cast<std::uint32_t>(m_rowNames.size());
        CheckRow(nRow, row);
    }
    if (m_nRecords > MAX_REGISTRY_ENTRIES)
        Report(0, 0,
               "the table has " + std::to_string(m_nRecords) +
                   " rows; the converter takes at most 65,535, so the build reads none");
}

const std::string* CTableCheck::RecordNameOfRow(std::uint32_t nRow) const {
    if (nRow >= m_recordOfRow.size() || m_recordOfRow[nRow] == 0) return nullptr;
    return &m_rowNames[m_recordOfRow[nRow] - 1];
}

void CTableCheck::CheckRow(std::uint32_t nRow, const STableRow& row) {
    const std::vector<std::string_view>& cells = row.cells;
    const size_t nColumns = std::min(cells.size(), m_columnNames.size());
    std::fill(m_taken.begin(), m_taken.end(), std::uint8_t{0});
    for (size_t i = 0; i < nColumns; ++i) {
        const bool bQuoted = row.IsQuoted(i);
        std::string_view strValue = WithoutPercent(cells[i]);
        if (strValue.empty() || m_columnOf[i] == UNKNOWN) continue;
        if (m_columnOf[i] == NAMELESS) {
            if (!m_widened[i])
                Report(nRow, CellNumber(i),
                       "the column has no sub-column name, so the cell is dropped");
            continue;
        }
        const size_t nKindColumn = static_cast<size_t>(m_columnOf[i]);
        if (m_taken[nKindColumn]) continue;  // the converter keeps the first of a repeated name
        m_taken[nKindColumn] = 1;
        // What the converter is given for the cell; only a quoted cell or a minus sign makes it
        // differ from the cell's own bytes.
        if (bQuoted || strValue.starts_with("\xE2\x88\x92")) {
            m_strValue = IniValueOf(cells[i], bQuoted);
            strValue = m_strValue;
        }
        if (i > 0) CheckConverterLimits(nRow, CellNumber(i), strValue);  // the name: see above
        const size_t nBefore = m_problems.size();
        const SColumnInfo& column = *m_kind.columns[nKindColumn];
        CheckValue(nRow, CellNumber(i), column, strValue);
        if (bQuoted) NoteQuoted(nRow, CellNumber(i), column, cells[i], nBefore);
    }
    for (size_t i = m_columnNames.size(); i < cells.size(); ++i) {
        if (cells[i].empty()) continue;
        Report(nRow, CellNumber(i),
               "the row has cells beyond the " + std::to_string(m_columnNames.size()) +
                   " columns of the header; they are dropped");
        break;
    }
    for (size_t k = 0; k < m_kind.columns.size(); ++k)
        if (!m_taken[k] && m_cellOf[k] != 0)
            CheckAbsentWord(nRow, m_cellOf[k], *m_kind.columns[k]);
}

void CTableCheck::ReportOverLimit(std::uint32_t nRow, std::uint32_t nColumn,
                                  const std::string& strWhat, size_t nCount) {
    Report(nRow, nColumn,
           strWhat + " " + std::to_string(nCount) + "; the converter takes at most " +
               std::to_string(MAX_REGISTRY_ENTRIES) +
               ", so the table cannot be converted and the build saves nothing");
}

void CTableCheck::CheckConverterLimits(std::uint32_t nRow, std::uint32_t nColumn,
                                       std::string_view strValue) {
    // A list of more elements than the limit is longer than the limit too.
    if (strValue.size() <= MAX_REGISTRY_TEXT) return;
    const SIniValue value = ClassifyValue(strValue);
    if (value.nType & RTYPE_LIST) {
        std::vector<std::string_view> elements;
        SplitListElements(value.strText, elements);
        if (elements.size() > MAX_REGISTRY_ENTRIES)
            ReportOverLimit(nRow, nColumn, "the list's elements number", elements.size());
        for (std::string_view strElement : elements)
            if (strElement.size() > MAX_REGISTRY_TEXT) {
                ReportOverLimit(nRow, nColumn, "a list element's bytes number", strElement.size());
                break;
            }
    } else if (value.nType == RTYPE_STRING && StoredString(value).size() > MAX_REGISTRY_TEXT) {
        ReportOverLimit(nRow, nColumn, "the text's bytes number", StoredString(value).size());
    }
}

void CTableCheck::ReportZeroByte() {
    const char* pFileEnd = m_pBuffer.get() + m_nLength;
    if (!m_pTextEnd || m_pTextEnd == pFileEnd) return;
    std::uint32_t nLine = 1, nColumn = 1;
    for (const char* p = m_pBuffer.get(); p < m_pTextEnd; ++p) {
        if (*p == '\n') {
            ++nLine;
            nColumn = 1;
        } else if (*p == '\t') {
            ++nColumn;
        }
    }
    // A place in the file, not in a row of the sheet.
    m_problems.push_back(SProblem{nLine, nColumn, 0,
                                  "a zero byte (saved as UTF-16?) ends the text here; the build "
                                  "ignores the rest of the table"});
}
