#include "tools/workbook/WorkbookReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "tableconv/Utf8.h"
#include "tools/workbook/XmlReader.h"
#include "tools/workbook/ZipReader.h"

namespace {
using EToken = CXmlReader::EToken;

// A part's XML was not well formed: the reader's words, naming the part.
std::string XmlProblem(std::string_view strPart, const CXmlReader& xml) {
    return "the part \"" + std::string(strPart) + "\" is no well-formed XML (" + xml.Error() + ")";
}

// ---- A sheet's rows as table text ----

// Collects one sheet's values row by row, in ascending rows and columns, and lays them out as
// the table text: rows as lines, cells between tabs, every line as wide as the widest.
class CSheetText {
public:
    CSheetText(std::string strSheet, std::vector<SCellProblem>& problems)
        : m_strSheet(std::move(strSheet)), m_problems(problems) {}

    // False when the row comes before the current one (a damaged sheet). Rows past MAX_ROWS
    // are counted but can hold no value.
    bool StartRow(std::uint32_t nRow) {
        EndRow();
        if (nRow <= m_nRow && m_nRow != 0) return false;
        m_nRow = std::min(nRow, MAX_ROWS + 1);
        return true;
    }
    std::uint32_t Row() const { return m_nRow; }
    std::uint32_t LastColumn() const { return m_nCells; }
    // A value of the current row; false when it comes at or before the last value's column,
    // or past the last row or column a sheet has.
    bool Value(std::uint32_t nColumn, std::string_view strValue) {
        if (nColumn <= m_nCells || nColumn > MAX_COLUMNS || m_nRow > MAX_ROWS) return false;
        if (m_nCells == 0) m_strRow.append(nColumn - 1, '\t');
        else m_strRow.append(nColumn - m_nCells, '\t');
        m_strRow += strValue;
        m_nCells = nColumn;
        m_nBytes += nColumn + strValue.size();
        return true;
    }
    void Problem(std::uint32_t nColumn, std::string strText) {
        m_problems.push_back({m_strSheet, m_nRow, nColumn, std::move(strText)});
    }
    // Whether the text so far stays within MAX_SHEET_TEXT.
    bool WithinBounds() const { return m_nBytes + m_strRows.size() <= MAX_SHEET_TEXT; }
    // The row's values again for the next nCopies rows (a repeated row); false when they
    // would go past MAX_ROWS or MAX_SHEET_TEXT.
    bool Repeat(std::uint32_t nCopies) {
        if (m_nCells == 0) {
            m_nRow = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(std::uint64_t{m_nRow} + nCopies, MAX_ROWS + 1));
            return true;
        }
        if (std::uint64_t{m_nRow} + nCopies > MAX_ROWS) return false;
        const std::string strRow = m_strRow;
        const std::uint32_t nCells = m_nCells;
        for (std::uint32_t i = 0; i < nCopies; ++i) {
            EndRow();
            ++m_nRow;
            m_strRow = strRow;
            m_nCells = nCells;
            m_nBytes += strRow.size();
            if (!WithinBounds()) return false;
        }
        return true;
    }
    // The table text; false when it would be larger than MAX_SHEET_TEXT.
    bool Finish(std::string& strText) {
        EndRow();
        std::uint64_t nSize = 0;
        for (const SRow& row : m_rows) nSize += row.nLength;
        nSize += static_cast<std::uint64_t>(m_nLastRow) * (m_nWidth + 1);
        if (nSize > MAX_SHEET_TEXT) return false;
        strText.clear();
        strText.reserve(static_cast<size_t>(nSize));
        std::uint32_t nLine = 1;
        for (const SRow& row : m_rows) {
            for (; nLine < row.nRow; ++nLine) {
                strText.append(m_nWidth ? m_nWidth - 1 : 0, '\t');
                strText += "\r\n";
            }
            strText.append(m_strRows, row.nOffset, row.nLength);
            strText.append(m_nWidth - (row.nCells ? row.nCells : 1), '\t');
            strText += "\r\n";
            ++nLine;
        }
        return true;
    }

private:
    struct SRow {
        std::uint32_t nRow, nCells;
        size_t nOffset, nLength;
    };
    void EndRow() {
        if (m_nCells) {
            m_rows.push_back({m_nRow, m_nCells, m_strRows.size(), m_strRow.size()});
            m_strRows += m_strRow;
            if (m_nCells > m_nWidth) m_nWidth = m_nCells;
            m_nLastRow = m_nRow;
        }
        m_strRow.clear();
        m_nCells = 0;
    }

    std::string m_strSheet;
    std::vector<SCellProblem>& m_problems;
    std::uint32_t m_nRow = 0;
    std::string m_strRow;        // the current row's cells so far
    std::uint32_t m_nCells = 0;  // the current row's last column with a value
    std::string m_strRows;       // the rows with values, one after another
    std::vector<SRow> m_rows;
    std::uint32_t m_nWidth = 0, m_nLastRow = 0;
    std::uint64_t m_nBytes = 0;  // an upper bound of what the text will take
};

// The cell's text as a table cell: each line break one space. A text that begins with a quote
// (after spaces) or holds a comma is quoted as spreadsheets quote: the quote stays part of the
// value, and a text column gets the whole text rather than what comes before its first comma
// (a list column splits a quoted text as any other). A tab would split the cell: empty, with a
// problem.
std::optional<std::string> TableCellOfText(std::string_view strText, CSheetText& sheet,
                                           std::uint32_t nColumn) {
    if (strText.find('\t') != std::string_view::npos) {
        sheet.Problem(nColumn, "a tab in the text, which would split the cell");
        return std::nullopt;
    }
    std::string strCell;
    strCell.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        const char ch = strText[i];
        if (ch == '\r' || ch == '\n') {
            strCell += ' ';
            if (ch == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n') ++i;
        } else {
            strCell += ch;
        }
    }
    const size_t nFirst = strCell.find_first_not_of(' ');
    if ((nFirst != std::string::npos && strCell[nFirst] == '"') ||
        strCell.find(',') != std::string::npos) {
        std::string strQuoted = "\"";
        for (const char ch : strCell) {
            if (ch == '"') strQuoted += '"';
            strQuoted += ch;
        }
        return strQuoted + "\"";
    }
    return strCell;
}

bool ParseDouble(std::string_view strText, double& fValue) {
    while (!strText.empty() && (strText.front() == ' ' || strText.front() == '\t')) strText.remove_prefix(1);
    while (!strText.empty() && (strText.back() == ' ' || strText.back() == '\t')) strText.remove_suffix(1);
    if (!strText.empty() && strText.front() == '+') strText.remove_prefix(1);
    const auto result = std::from_chars(strText.data(), strText.data() + strText.size(), fValue);
    return result.ec == std::errc() && result.ptr == strText.data() + strText.size() &&
           std::isfinite(fValue);
}

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "2024-03-01" or "2024-03-01T12:30:00.5" as days (and their fraction) from 1970-01-01.
bool ParseDateTime(std::string_view strText, double& fDays) {
    int nYear = 0;
    unsigned nMonth = 0, nDay = 0;
    const char* p = strText.data();
    const char* pEnd = p + strText.size();
    const bool bNegative = p < pEnd && *p == '-';
    if (bNegative) ++p;
    auto r = std::from_chars(p, pEnd, nYear);
    if (r.ec != std::errc() || r.ptr >= pEnd || *r.ptr != '-') return false;
    r = std::from_chars(r.ptr + 1, pEnd, nMonth);
    if (r.ec != std::errc() || r.ptr >= pEnd || *r.ptr != '-' || nMonth < 1 || nMonth > 12) return false;
    r = std::from_chars(r.ptr + 1, pEnd, nDay);
    if (r.ec != std::errc() || nDay < 1 || nDay > 31) return false;
    fDays = static_cast<double>(DaysFromCivil(bNegative ? -nYear : nYear, nMonth, nDay));
    if (r.ptr == pEnd) return true;
    if (*r.ptr != 'T') return false;
    unsigned nHour = 0, nMinute = 0;
    double fSecond = 0;
    r = std::from_chars(r.ptr + 1, pEnd, nHour);
    if (r.ec != std::errc() || r.ptr >= pEnd || *r.ptr != ':') return false;
    r = std::from_chars(r.ptr + 1, pEnd, nMinute);
    if (r.ec != std::errc()) return false;
    if (r.ptr < pEnd && *r.ptr == ':') {
        const auto s = std::from_chars(r.ptr + 1, pEnd, fSecond);
        if (s.ec != std::errc()) return false;
        r.ptr = s.ptr;
    }
    // A zone ("Z", "+01:00") is not part of the number a sheet stores.
    if (r.ptr < pEnd && *r.ptr != 'Z' && *r.ptr != '+' && *r.ptr != '-') return false;
    fDays += (nHour * 3600.0 + nMinute * 60.0 + fSecond) / 86400.0;
    return true;
}

// "PT12H30M15S", "P1DT2H" as days.
bool ParseDuration(std::string_view strText, double& fDays) {
    bool bNegative = false;
    if (!strText.empty() && strText.front() == '-') {
        bNegative = true;
        strText.remove_prefix(1);
    }
    if (strText.empty() || strText.front() != 'P') return false;
    strText.remove_prefix(1);
    bool bTime = false;
    fDays = 0;
    while (!strText.empty()) {
        if (strText.front() == 'T') {
            bTime = true;
            strText.remove_prefix(1);
            continue;
        }
        double fNumber = 0;
        const auto r = std::from_chars(strText.data(), strText.data() + strText.size(), fNumber,
                                       std::chars_format::fixed);
        if (r.ec != std::errc() || r.ptr == strText.data() + strText.size()) return false;
        const char chUnit = *r.ptr;
        strText.remove_prefix(static_cast<size_t>(r.ptr - strText.data()) + 1);
        if (chUnit == 'D' && !bTime) fDays += fNumber;
        else if (chUnit == 'H' && bTime) fDays += fNumber / 24;
        else if (chUnit == 'M' && bTime) fDays += fNumber / 1440;
        else if (chUnit == 'S' && bTime) fDays += fNumber / 86400;
        else return false;
    }
    if (bNegative) fDays = -fDays;
    return true;
}

// ---- Paths inside the archive ----

// The target of a relationship of the part strSource, as a part name; empty when it points
// outside the archive.
std::string ResolveTarget(std::string_view strSource, std::string_view strTarget) {
    std::string strPath;
    if (!strTarget.empty() && strTarget.front() == '/') {
        strTarget.remove_prefix(1);
    } else {
        const size_t nSlash = strSource.rfind('/');
        if (nSlash != std::string_view::npos) strPath.assign(strSource.substr(0, nSlash + 1));
    }
    std::vector<std::string> parts;
    size_t nStart = 0;
    const std::string strWhole = strPath + std::string(strTarget);
    while (nStart <= strWhole.size()) {
        size_t nSlash = strWhole.find('/', nStart);
        if (nSlash == std::string::npos) nSlash = strWhole.size();
        const std::string strPart = strWhole.substr(nStart, nSlash - nStart);
        if (strPart == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else if (!strPart.empty() && strPart != ".") {
            parts.push_back(strPart);
        }
        nStart = nSlash + 1;
    }
    std::string strResolved;
    for (const std::string& strPart : parts) strResolved += (strResolved.empty() ? "" : "/") + strPart;
    return strResolved;
}

std::string RelationshipsOf(std::string_view strPart) {
    const size_t nSlash = strPart.rfind('/');
    const std::string_view strFolder = nSlash == std::string_view::npos ? "" : strPart.substr(0, nSlash + 1);
    const std::string_view strName = nSlash == std::string_view::npos ? strPart : strPart.substr(nSlash + 1);
    return std::string(strFolder) + "_rels/" + std::string(strName) + ".rels";
}

struct SRelationship {
    std::string strType;    // the last word of the type's address: "worksheet", "styles" ...
    std::string strTarget;  // the resolved part name
};

bool ReadRelationships(const CZipReader& zip, std::string_view strPart,
                       std::map<std::string, SRelationship>& relationships, std::string& strError) {
    const std::string strRels = RelationshipsOf(strPart);
    if (!zip.Has(strRels)) return true;
    std::string strXml;
    if (!zip.Read(strRels, strXml, strError)) return false;
    CXmlReader xml(strXml);
    std::string strId, strType, strTarget, strMode;
    for (EToken token; (token = xml.Next()) != EToken::Done;) {
        if (token == EToken::Error) {
            strError = XmlProblem(strRels, xml);
            return false;
        }
        if (token != EToken::Start || xml.Name() != "Relationship") continue;
        if (!xml.Attribute("Id", strId) || !xml.Attribute("Type", strType) ||
            !xml.Attribute("Target", strTarget))
            continue;
        if (xml.Attribute("TargetMode", strMode) && strMode == "External") continue;
        const size_t nSlash = strType.rfind('/');
        SRelationship relationship;
        relationship.strType = nSlash == std::string::npos ? strType : strType.substr(nSlash + 1);
        relationship.strTarget = ResolveTarget(strPart, strTarget);
        if (relationship.strTarget.empty()) {
            strError = "the part \"" + strRels + "\" points outside the workbook (\"" + strTarget + "\")";
            return false;
        }
        relationships[strId] = std::move(relationship);
    }
    return true;
}

// ---- Office Open XML ----

// "AB12" as its column and row; false when it is no cell reference within the sheet's bounds.
bool ParseCellReference(std::string_view strRef, std::uint32_t& nRow, std::uint32_t& nColumn) {
    size_t i = 0;
    nColumn = 0;
    while (i < strRef.size() && i < 4 && ((strRef[i] >= 'A' && strRef[i] <= 'Z') || (strRef[i] >= 'a' && strRef[i] <= 'z'))) {
        nColumn = nColumn * 26 + static_cast<std::uint32_t>((strRef[i] | 0x20) - 'a' + 1);
        ++i;
    }
    if (i == 0 || nColumn > MAX_COLUMNS) return false;
    const auto r = std::from_chars(strRef.data() + i, strRef.data() + strRef.size(), nRow);
    return r.ec == std::errc() && r.ptr == strRef.data() + strRef.size() && nRow >= 1 && nRow <= MAX_ROWS;
}

// Text of the OOXML kind: "_x000D_" stands for the character of that code.
std::string DecodeEscapes(std::string_view strText) {
    std::string strOut;
    strOut.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '_' && i + 6 < strText.size() && strText[i + 1] == 'x' && strText[i + 6] == '_') {
            std::uint32_t nCode = 0;
            const auto r = std::from_chars(strText.data() + i + 2, strText.data() + i + 6, nCode, 16);
            if (r.ec == std::errc() && r.ptr == strText.data() + i + 6) {
                AppendUtf8(strOut, nCode);
                i += 6;
                continue;
            }
        }
        strOut += strText[i];
    }
    return strOut;
}

// The texts of <si> or <is>: its <t> elements, phonetic runs (<rPh>) aside.
class CRichText {
public:
    void Clear() { m_strText.clear(); m_bInText = false; m_nPhonetic = 0; }
    void Start(std::string_view strName) {
        if (strName == "rPh") ++m_nPhonetic;
        else if (strName == "t" && !m_nPhonetic) m_bInText = true;
    }
    void End(std::string_view strName) {
        if (strName == "rPh" && m_nPhonetic) --m_nPhonetic;
        else if (strName == "t") m_bInText = false;
    }
    void Text(const std::string& strText) { if (m_bInText) m_strText += strText; }
    std::string Take() { return DecodeEscapes(m_strText); }

private:
    std::string m_strText;
    bool m_bInText = false;
    int m_nPhonetic = 0;
};

bool ReadSharedStrings(const CZipReader& zip, const std::string& strPart,
                       std::vector<std::string>& strings, std::string& strError) {
    std::string strXml;
    if (!zip.Read(strPart, strXml, strError)) return false;
    CXmlReader xml(strXml);
    CRichText text;
    bool bInItem = false;
    for (EToken token; (token = xml.Next()) != EToken::Done;) {
        switch (token) {
            case EToken::Error: strError = XmlProblem(strPart, xml); return false;
            case EToken::Start:
                if (xml.Name() == "si") {
                    bInItem = true;
                    text.Clear();
                } else if (bInItem) {
                    text.Start(xml.Name());
                }
                break;
            case EToken::End:
                if (xml.Name() == "si") {
                    strings.push_back(text.Take());
                    bInItem = false;
                } else if (bInItem) {
                    text.End(xml.Name());
                }
                break;
            case EToken::Text: if (bInItem) text.Text(xml.Text()); break;
            case EToken::Done: break;
        }
    }
    return true;
}

// Whether a number format shows a percentage: a '%' outside quotes, brackets and escapes.
bool IsPercentFormat(std::string_view strCode) {
    bool bQuoted = false;
    for (size_t i = 0; i < strCode.size(); ++i) {
        const char ch = strCode[i];
        if (ch == '"') bQuoted = !bQuoted;
        else if (bQuoted) continue;
        else if (ch == '\\' || ch == '_' || ch == '*') ++i;  // the next character is literal
        else if (ch == '[') {
            const size_t nClose = strCode.find(']', i);
            if (nClose == std::string_view::npos) return false;
            i = nClose;
        } else if (ch == ';') return false;  // the positive section decides
        else if (ch == '%') return true;
    }
    return false;
}

// Per cell style index (the s of a cell): whether its number format is a percentage.
bool ReadPercentStyles(const CZipReader& zip, const std::string& strPart,
                       std::vector<bool>& percentStyles, std::string& strError) {
    std::string strXml;
    if (!zip.Read(strPart, strXml, strError)) return false;
    CXmlReader xml(strXml);
    std::map<std::uint32_t, bool> percentFormats = {{9, true}, {10, true}};
    bool bInCellFormats = false;
    std::string strId, strCode;
    for (EToken token; (token = xml.Next()) != EToken::Done;) {
        if (token == EToken::Error) {
            strError = XmlProblem(strPart, xml);
            return false;
        }
        if (token == EToken::End && xml.Name() == "cellXfs") bInCellFormats = false;
        if (token != EToken::Start) continue;
        std::uint32_t nId = 0;
        if (xml.Name() == "numFmt" && xml.Attribute("numFmtId", strId) &&
            xml.Attribute("formatCode", strCode) &&
            std::from_chars(strId.data(), strId.data() + strId.size(), nId).ec == std::errc()) {
            percentFormats[nId] = IsPercentFormat(strCode);
        } else if (xml.Name() == "cellXfs") {
            bInCellFormats = true;
        } else if (xml.Name() == "xf" && bInCellFormats) {
            bool bPercent = false;
            if (xml.Attribute("numFmtId", strId) &&
                std::from_chars(strId.data(), strId.data() + strId.size(), nId).ec == std::errc()) {
                const auto found = percentFormats.find(nId);
                bPercent = found != percentFormats.end() && found->second;
            }
            percentStyles.push_back(bPercent);
        }
    }
    return true;
}

struct SOoxmlContext {
    const std::vector<std::string>& sharedStrings;
    const std::vector<bool>& percentStyles;
};

// One <c> as it is read: its place, type, style and what it holds.
struct SOoxmlCell {
    std::uint32_t nColumn = 0;
    std::string strType, strStyle, strValue;
    bool bFormula = false, bHasValue = false;
    CRichText inlineText;
    bool bInValue = false, bInInline = false;
};

void TakeOoxmlCell(SOoxmlCell& cell, const SOoxmlContext& context, CSheetText& sheet) {
    const std::uint32_t nColumn = cell.nColumn;
    std::optional<std::string> value;
    const std::string& strType = cell.strType;
    if (strType == "inlineStr") {
        value = TableCellOfText(cell.inlineText.Take(), sheet, nColumn);
    } else if (!cell.bHasValue) {
        if (cell.bFormula)
            sheet.Problem(nColumn, "a formula without a stored result (open and save the workbook in a spreadsheet program to compute it)");
        return;
    } else if (strType == "s") {
        std::uint32_t nIndex = 0;
        const auto r = std::from_chars(cell.strValue.data(), cell.strValue.data() + cell.strValue.size(), nIndex);
        if (r.ec != std::errc() || nIndex >= context.sharedStrings.size()) {
            sheet.Problem(nColumn, "a shared text that the workbook does not hold (index \"" + cell.strValue + "\")");
            return;
        }
        value = TableCellOfText(context.sharedStrings[nIndex], sheet, nColumn);
    } else if (strType == "str") {
        value = TableCellOfText(DecodeEscapes(cell.strValue), sheet, nColumn);
    } else if (strType == "e") {
        sheet.Problem(nColumn, "the error value " + cell.strValue);
        return;
    } else if (strType == "b") {
        value = cell.strValue == "1" || cell.strValue == "true" ? "1" : "0";
    } else if (strType == "d") {
        double fDays = 0;
        if (!ParseDateTime(cell.strValue, fDays)) {
            sheet.Problem(nColumn, "a date that reads as none (\"" + cell.strValue + "\")");
            return;
        }
        value = NumberText(fDays - static_cast<double>(DaysFromCivil(1899, 12, 30)));
    } else {
        double fValue = 0;
        if (!ParseDouble(cell.strValue, fValue)) {
            sheet.Problem(nColumn, "a number that reads as none (\"" + cell.strValue + "\")");
            return;
        }
        std::uint32_t nStyle = 0;
        const bool bStyled = !cell.strStyle.empty() &&
            std::from_chars(cell.strStyle.data(), cell.strStyle.data() + cell.strStyle.size(), nStyle).ec == std::errc();
        const bool bPercent = bStyled && nStyle < context.percentStyles.size() && context.percentStyles[nStyle];
        value = bPercent ? PercentText(fValue) : NumberText(fValue);
    }
    if (value && !value->empty()) sheet.Value(nColumn, *value);
}

bool ReadOoxmlSheet(const CZipReader& zip, const std::string& strPart, const SOoxmlContext& context,
                    SSheetText& out, std::vector<SCellProblem>& problems, std::string& strError) {
    std::string strXml;
    if (!zip.Read(strPart, strXml, strError)) return false;
    CXmlReader xml(strXml);
    CSheetText sheet(out.strName, problems);
    SOoxmlCell cell;
    bool bInCell = false, bInData = false;
    std::string strRef;
    const auto damaged = [&](const std::string& strWhat) {
        strError = "the part \"" + strPart + "\" (sheet \"" + out.strName + "\") is damaged: " + strWhat;
        return false;
    };
    for (EToken token; (token = xml.Next()) != EToken::Done;) {
        switch (token) {
            case EToken::Error: strError = XmlProblem(strPart, xml); return false;
            case EToken::Start: {
                const std::string_view strName = xml.Name();
                if (strName == "sheetData") {
                    bInData = true;
                } else if (!bInData) {
                    break;
                } else if (strName == "row") {
                    std::uint32_t nRow = sheet.Row() + 1;
                    if (xml.Attribute("r", strRef)) {
                        const auto r = std::from_chars(strRef.data(), strRef.data() + strRef.size(), nRow);
                        if (r.ec != std::errc() || nRow < 1 || nRow > MAX_ROWS) return damaged("a row numbered \"" + strRef + "\"");
                    }
                    if (nRow > MAX_ROWS) return damaged("more rows than a sheet has");
                    if (!sheet.StartRow(nRow)) return damaged("row " + std::to_string(nRow) + " out of order");
                } else if (strName == "c") {
                    bInCell = true;
                    cell.nColumn = sheet.LastColumn() + 1;
                    cell.strType.clear();
                    cell.strStyle.clear();
                    cell.strValue.clear();
                    cell.bFormula = cell.bHasValue = cell.bInValue = cell.bInInline = false;
                    cell.inlineText.Clear();
                    if (xml.Attribute("r", strRef)) {
                        std::uint32_t nRow = 0;
                        if (!ParseCellReference(strRef, nRow, cell.nColumn)) return damaged("a cell named \"" + strRef + "\"");
                        if (nRow != sheet.Row()) return damaged("cell " + strRef + " in row " + std::to_string(sheet.Row()));
                    }
                    if (cell.nColumn > MAX_COLUMNS) return damaged("more columns than a sheet has");
                    if (cell.nColumn <= sheet.LastColumn()) return damaged("cell " + CellName(sheet.Row(), cell.nColumn) + " out of order");
                    xml.Attribute("t", cell.strType);
                    xml.Attribute("s", cell.strStyle);
                } else if (bInCell && strName == "v") {
                    cell.bInValue = cell.bHasValue = true;
                } else if (bInCell && strName == "f") {
                    cell.bFormula = true;
                } else if (bInCell && strName == "is") {
                    cell.bInInline = true;
                } else if (cell.bInInline) {
                    cell.inlineText.Start(strName);
                }
                break;
            }
            case EToken::End: {
                const std::string_view strName = xml.Name();
                if (strName == "sheetData") {
                    bInData = false;
                } else if (strName == "c" && bInCell) {
                    bInCell = false;
                    TakeOoxmlCell(cell, context, sheet);
                    if (!sheet.WithinBounds()) return damaged("it holds more than " + std::to_string(MAX_SHEET_TEXT >> 20) + " MiB of values");
                } else if (strName == "v") {
                    cell.bInValue = false;
                } else if (strName == "is") {
                    cell.bInInline = false;
                } else if (cell.bInInline) {
                    cell.inlineText.End(strName);
                }
                break;
            }
            case EToken::Text:
                if (cell.bInValue) cell.strValue += xml.Text();
                else if (cell.bInInline) cell.inlineText.Text(xml.Text());
                break;
            case EToken::Done: break;
        }
    }
    if (!sheet.Finish(out.strText)) return damaged("its table would be larger than " + std::to_string(MAX_SHEET_TEXT >> 20) + " MiB");
    out.bRead = true;
    return true;
}

bool ReadOoxml(const CZipReader& zip, const std::function<bool(std::string_view)>& wanted,
               SWorkbook& book, std::string& strError) {
    std::map<std::string, SRelationship> rootRelationships;
    if (!ReadRelationships(zip, "", rootRelationships, strError)) return false;
    std::string strWorkbookPart = "xl/workbook.xml";
    for (const auto& [strId, relationship] : rootRelationships)
        if (relationship.strType == "officeDocument") strWorkbookPart = relationship.strTarget;
    std::map<std::string, SRelationship> relationships;
    if (!ReadRelationships(zip, strWorkbookPart, relationships, strError)) return false;

    std::string strXml;
    if (!zip.Read(strWorkbookPart, strXml, strError)) return false;
    std::vector<std::string> sheetParts;
    {
        CXmlReader xml(strXml);
        std::string strName, strId;
        for (EToken token; (token = xml.Next()) != EToken::Done;) {
            if (token == EToken::Error) {
                strError = XmlProblem(strWorkbookPart, xml);
                return false;
            }
            if (token != EToken::Start || xml.Name() != "sheet") continue;
            if (!xml.Attribute("name", strName) || !xml.Attribute("id", strId)) {
                strError = "the part \"" + strWorkbookPart + "\" names a sheet without its part";
                return false;
            }
            const auto found = relationships.find(strId);
            book.sheets.push_back({strName, false, {}});
            // A chart sheet or a dialog has no cells; it is listed, and read as empty.
            sheetParts.push_back(found != relationships.end() && found->second.strType == "worksheet"
                                     ? found->second.strTarget : std::string());
        }
    }
    std::vector<std::string> sharedStrings;
    std::vector<bool> percentStyles;
    for (const auto& [strId, relationship] : relationships) {
        if (relationship.strType == "sharedStrings" &&
            !ReadSharedStrings(zip, relationship.strTarget, sharedStrings, strError))
            return false;
        if (relationship.strType == "styles" &&
            !ReadPercentStyles(zip, relationship.strTarget, percentStyles, strError))
            return false;
    }
    const SOoxmlContext context{sharedStrings, percentStyles};
    for (size_t i = 0; i < book.sheets.size(); ++i) {
        SSheetText& sheet = book.sheets[i];
        if (!wanted(sheet.strName)) continue;
        if (sheetParts[i].empty()) {
            sheet.bRead = true;
            continue;
        }
        if (!ReadOoxmlSheet(zip, sheetParts[i], context, sheet, book.problems, strError)) return false;
    }
    return true;
}

// ---- OpenDocument ----

// One <table:table-cell> as it is read.
struct SOdfCell {
    std::uint32_t nRepeat = 1;
    std::string strValueType, strValue, strFormula, strCalcType;
    bool bHasFormula = false;
    std::string strText;       // the paragraphs, joined by line breaks
    std::uint32_t nParagraphs = 0;
    size_t nSkipDepth = 0;     // inside an annotation or a drawing: not the cell's text
};

std::uint32_t RepeatOf(const CXmlReader& xml, const char* pszName, std::string& strScratch) {
    std::uint32_t nRepeat = 1;
    if (xml.Attribute(pszName, strScratch)) {
        const auto r = std::from_chars(strScratch.data(), strScratch.data() + strScratch.size(), nRepeat);
        if (r.ec != std::errc() || nRepeat < 1) nRepeat = 1;
    }
    return nRepeat;
}

// The cell's value as table text; nothing for an empty cell or a problem.
std::optional<std::string> OdfCellValue(const SOdfCell& cell, double fNullDate, CSheetText& sheet,
                                        std::uint32_t nColumn) {
    const std::string& strType = cell.strValueType;
    if (cell.strCalcType == "error") {
        sheet.Problem(nColumn, "the error value " + cell.strText);
        return std::nullopt;
    }
    if (strType.empty()) {
        if (cell.bHasFormula) {
            sheet.Problem(nColumn, "a formula without a stored result (open and save the workbook in a spreadsheet program to compute it)");
            return std::nullopt;
        }
        return TableCellOfText(cell.strText, sheet, nColumn);
    }
    if (strType == "string") return TableCellOfText(cell.strValue.empty() ? cell.strText : cell.strValue, sheet, nColumn);
    double fValue = 0;
    if (strType == "float" || strType == "currency" || strType == "percentage") {
        if (!ParseDouble(cell.strValue, fValue)) {
            sheet.Problem(nColumn, "a number that reads as none (\"" + cell.strValue + "\")");
            return std::nullopt;
        }
        return strType == "percentage" ? PercentText(fValue) : NumberText(fValue);
    }
    if (strType == "boolean") return std::string(cell.strValue == "true" ? "1" : "0");
    if (strType == "date" && ParseDateTime(cell.strValue, fValue)) return NumberText(fValue - fNullDate);
    if (strType == "time" && ParseDuration(cell.strValue, fValue)) return NumberText(fValue);
    sheet.Problem(nColumn, "a " + strType + " value that reads as none (\"" + cell.strValue + "\")");
    return std::nullopt;
}

// The cell styles whose number format shows a percentage. Some programs store such a value as
// a plain float with a percentage style rather than as the percentage type.
class COdfPercentStyles {
public:
    void Look(const CXmlReader& xml) {
        if (xml.Name() == "percentage-style" && xml.Attribute("style:name", m_strScratch)) {
            m_percentFormats.insert(m_strScratch);
        } else if (xml.Name() == "style" && xml.Attribute("style:family", m_strScratch) &&
                   m_strScratch == "table-cell" && xml.Attribute("style:name", m_strScratch)) {
            std::string strFormat;
            if (xml.Attribute("style:data-style-name", strFormat)) m_formatOf[m_strScratch] = strFormat;
        }
    }
    bool IsPercent(const std::string& strStyle) const {
        const auto found = m_formatOf.find(strStyle);
        return found != m_formatOf.end() && m_percentFormats.count(found->second);
    }

private:
    std::set<std::string> m_percentFormats;
    std::map<std::string, std::string> m_formatOf;  // cell style: its number format
    std::string m_strScratch;
};

bool ReadOdf(const CZipReader& zip, const std::function<bool(std::string_view)>& wanted,
             SWorkbook& book, std::string& strError) {
    COdfPercentStyles percentStyles;
    std::string strXml;
    if (zip.Has("styles.xml")) {
        if (!zip.Read("styles.xml", strXml, strError)) return false;
        CXmlReader styles(strXml);
        for (EToken token; (token = styles.Next()) != EToken::Done;) {
            if (token == EToken::Error) {
                strError = XmlProblem("styles.xml", styles);
                return false;
            }
            if (token == EToken::Start) percentStyles.Look(styles);
        }
    }
    const std::string strPart = "content.xml";
    if (!zip.Read(strPart, strXml, strError)) return false;
    CXmlReader xml(strXml);
    std::optional<CSheetText> sheet;
    constexpr size_t NO_SHEET = static_cast<size_t>(-1);
    size_t nOut = NO_SHEET;  // the sheet being read, by index: the list grows meanwhile
    double fNullDate = static_cast<double>(DaysFromCivil(1899, 12, 30));
    std::uint32_t nColumn = 0;      // the last cell's column in the current row
    std::uint32_t nRowRepeat = 1;
    bool bInCell = false, bInParagraph = false;
    size_t nCellDepth = 0, nParagraphDepth = 0;
    SOdfCell cell;
    std::string strScratch;
    const auto damaged = [&](const std::string& strWhat) {
        strError = "the part \"" + strPart + "\" (sheet \"" + (nOut != NO_SHEET ? book.sheets[nOut].strName : std::string()) + "\") is damaged: " + strWhat;
        return false;
    };
    for (EToken token; (token = xml.Next()) != EToken::Done;) {
        if (token == EToken::Error) {
            strError = XmlProblem(strPart, xml);
            return false;
        }
        const std::string_view strName = token == EToken::Text ? std::string_view() : xml.Name();
        if (bInCell) {
            if (token == EToken::Start) {
                if (cell.nSkipDepth) continue;
                const size_t nDepth = xml.Depth();
                const bool bSkipped = strName == "annotation" || strName == "frame" ||
                                      strName == "custom-shape" || strName == "note";
                if (bSkipped || (!bInParagraph && strName != "p" && strName != "h")) {
                    cell.nSkipDepth = nDepth;
                } else if (!bInParagraph) {
                    bInParagraph = true;
                    nParagraphDepth = nDepth;
                    if (cell.nParagraphs++) cell.strText += '\n';
                } else if (strName == "s") {
                    const std::uint32_t nSpaces = RepeatOf(xml, "c", strScratch);
                    if (cell.strText.size() + nSpaces > MAX_SHEET_TEXT) return damaged("a cell longer than a table can hold");
                    cell.strText.append(nSpaces, ' ');
                } else if (strName == "tab") {
                    cell.strText += '\t';
                } else if (strName == "line-break") {
                    cell.strText += '\n';
                }
                continue;
            }
            if (token == EToken::Text) {
                if (bInParagraph && !cell.nSkipDepth) {
                    cell.strText += xml.Text();
                    if (cell.strText.size() > MAX_SHEET_TEXT) return damaged("a cell longer than a table can hold");
                }
                continue;
            }
            // An end: of a skipped element, of a paragraph, or of the cell itself.
            const size_t nDepth = xml.Depth() + 1;  // the depth the element had while open
            if (cell.nSkipDepth) {
                if (nDepth == cell.nSkipDepth) cell.nSkipDepth = 0;
                continue;
            }
            if (bInParagraph && nDepth == nParagraphDepth) bInParagraph = false;
            if (nDepth != nCellDepth) continue;
            bInCell = false;
            if (!sheet) continue;
            const std::uint32_t nFirst = nColumn + 1;
            if (nFirst > MAX_COLUMNS && (!cell.strValueType.empty() || !cell.strText.empty() || cell.bHasFormula))
                return damaged("a value past the last row or column a sheet has");
            const std::optional<std::string> value = nFirst <= MAX_COLUMNS
                ? OdfCellValue(cell, fNullDate, *sheet, nFirst) : std::nullopt;
            if (value && !value->empty()) {
                for (std::uint32_t i = 0; i < cell.nRepeat; ++i) {
                    if (!sheet->Value(nFirst + i, *value)) return damaged("a value past the last row or column a sheet has");
                    if (!sheet->WithinBounds()) return damaged("it holds more than " + std::to_string(MAX_SHEET_TEXT >> 20) + " MiB of values");
                }
            }
            nColumn = nColumn + cell.nRepeat > MAX_COLUMNS ? MAX_COLUMNS + 1 : nColumn + cell.nRepeat;
            continue;
        }
        if (token == EToken::Start) {
            if (nOut == NO_SHEET) percentStyles.Look(xml);
            if (strName == "null-date" && xml.Attribute("date-value", strScratch)) {
                double fDays = 0;
                if (ParseDateTime(strScratch, fDays)) fNullDate = fDays;
            } else if (strName == "table") {
                if (nOut != NO_SHEET) return damaged("a table inside a table");
                xml.Attribute("name", strScratch);
                book.sheets.push_back({strScratch, false, {}});
                nOut = book.sheets.size() - 1;
                sheet.reset();
                if (wanted(strScratch)) sheet.emplace(strScratch, book.problems);
            } else if (strName == "table-row" && nOut != NO_SHEET) {
                nRowRepeat = RepeatOf(xml, "number-rows-repeated", strScratch);
                nColumn = 0;
                if (sheet) sheet->StartRow(sheet->Row() + 1);
            } else if ((strName == "table-cell" || strName == "covered-table-cell") && nOut != NO_SHEET) {
                bInCell = true;
                bInParagraph = false;
                nCellDepth = xml.Depth();
                cell = SOdfCell();
                cell.nRepeat = RepeatOf(xml, "number-columns-repeated", strScratch);
                // office:value-type and calcext:value-type share a local name; the second
                // tells a formula's error apart from its stored stand-in value.
                xml.Attribute("office:value-type", cell.strValueType);
                xml.Attribute("calcext:value-type", cell.strCalcType);
                cell.bHasFormula = xml.Attribute("formula", cell.strFormula);
                if (cell.strValueType == "float" && xml.Attribute("table:style-name", strScratch) &&
                    percentStyles.IsPercent(strScratch))
                    cell.strValueType = "percentage";
                if (cell.strValueType == "date") xml.Attribute("date-value", cell.strValue);
                else if (cell.strValueType == "time") xml.Attribute("time-value", cell.strValue);
                else if (cell.strValueType == "boolean") xml.Attribute("boolean-value", cell.strValue);
                else if (cell.strValueType == "string") xml.Attribute("string-value", cell.strValue);
                else xml.Attribute("value", cell.strValue);
            }
            continue;
        }
        if (token == EToken::End && strName == "table-row" && sheet) {
            if (nRowRepeat > 1 && !sheet->Repeat(nRowRepeat - 1))
                return damaged("a repeated row past the last row a sheet has, or more than " + std::to_string(MAX_SHEET_TEXT >> 20) + " MiB of values");
        } else if (token == EToken::End && strName == "table" && nOut != NO_SHEET) {
            if (sheet) {
                if (!sheet->Finish(book.sheets[nOut].strText)) return damaged("its table would be larger than " + std::to_string(MAX_SHEET_TEXT >> 20) + " MiB");
                book.sheets[nOut].bRead = true;
            }
            sheet.reset();
            nOut = NO_SHEET;
        }
    }
    return true;
}
}  // namespace

std::string ColumnLetters(std::uint32_t nColumn) {
    std::string strLetters;
    for (; nColumn > 0; nColumn = (nColumn - 1) / 26)
        strLetters.insert(strLetters.begin(), static_cast<char>('A' + (nColumn - 1) % 26));
    return strLetters;
}

std::string CellName(std::uint32_t nRow, std::uint32_t nColumn) {
    return ColumnLetters(nColumn) + std::to_string(nRow);
}

std::string NumberText(double fValue) {
    if (fValue == 0) return "0";  // -0 too: the sheet shows 0
    char szText[400];
    const auto r = std::to_chars(szText, szText + sizeof(szText), fValue, std::chars_format::fixed);
    return std::string(szText, r.ptr);
}

std::string PercentText(double fValue) {
    std::string strText = NumberText(fValue);
    std::string strSign;
    if (strText.front() == '-') {
        strSign = "-";
        strText.erase(0, 1);
    }
    const size_t nPoint = strText.find('.');
    std::string strWhole = strText.substr(0, nPoint);
    std::string strFraction = nPoint == std::string::npos ? std::string() : strText.substr(nPoint + 1);
    strFraction.resize(std::max<size_t>(strFraction.size(), 2), '0');
    strWhole += strFraction.substr(0, 2);
    strFraction.erase(0, 2);
    const size_t nDigit = strWhole.find_first_not_of('0');
    strWhole = nDigit == std::string::npos ? "0" : strWhole.substr(nDigit);
    while (!strFraction.empty() && strFraction.back() == '0') strFraction.pop_back();
    return strSign + strWhole + (strFraction.empty() ? "" : "." + strFraction) + "%";
}

bool ReadWorkbook(std::string_view data, const std::function<bool(std::string_view)>& wanted,
                  SWorkbook& book, std::string& strError) {
    book = SWorkbook();
    CZipReader zip;
    if (!zip.Open(data, strError)) return false;
    if (zip.Has("content.xml") && !zip.Has("[Content_Types].xml")) return ReadOdf(zip, wanted, book, strError);
    if (zip.Has("[Content_Types].xml")) return ReadOoxml(zip, wanted, book, strError);
    strError = "it is a zip archive, but neither an .xlsx nor an .ods workbook";
    return false;
}
