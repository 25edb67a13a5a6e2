#include "tools/workbook/XlsxWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "tableconv/Utf8.h"
#include "tools/workbook/WorkbookReader.h"  // ColumnLetters, CellName
#include "tools/workbook/ZipWriter.h"

namespace {

constexpr std::uint32_t MAX_ROWS = 1048576, MAX_COLUMNS = 16384;  // a sheet's grid
constexpr std::size_t WIDTH_SAMPLE_ROWS = 200;  // enough to see a column's typical text
constexpr std::size_t MIN_WIDTH = 8, MAX_WIDTH = 60;
constexpr std::uint32_t MAX_PERCENT_DECIMALS = 10;
constexpr std::string_view XML_HEAD =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view NS_MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view NS_REL =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view NS_PKG_REL =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// The next code point of UTF-8 text, or U+FFFD for a byte that does not start a well-formed
// sequence (overlong forms and surrogates included), so that any bytes make a valid file.
char32_t NextCodePoint(std::string_view str, std::size_t& nAt) {
    const auto nLead = static_cast<unsigned char>(str[nAt++]);
    if (nLead < 0x80) return nLead;
    const std::size_t nTrail = nLead >= 0xF0 ? 3 : nLead >= 0xE0 ? 2 : nLead >= 0xC0 ? 1 : 0;
    if (nTrail == 0 || nLead > 0xF4 || str.size() - nAt < nTrail) return U'\uFFFD';
    char32_t c = nLead & (0x3Fu >> nTrail);
    for (std::size_t n = 0; n < nTrail; ++n) {
        const auto nByte = static_cast<unsigned char>(str[nAt + n]);
        if ((nByte & 0xC0) != 0x80) return U'\uFFFD';
        c = (c << 6) | (nByte & 0x3Fu);
    }
    static constexpr char32_t SMALLEST[] = {0, 0x80, 0x800, 0x10000};
    if (c < SMALLEST[nTrail] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return U'\uFFFD';
    nAt += nTrail;
    return c;
}

void AppendHex4(std::string& str, char32_t c) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    for (int nShift = 12; nShift >= 0; nShift -= 4) str += DIGITS[(c >> nShift) & 0xF];
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Text as XML character data, or as an attribute's value. Characters XML 1.0 cannot carry are
// written as the spreadsheet's _xHHHH_ escapes, and a literal "_xHHHH_" has its underscore
// escaped so that it reads back as itself. In attributes, tab, LF and CR are character
// references because a parser would otherwise turn them into spaces.
std::string Escaped(std::string_view str, bool bAttribute = false) {
    std::string strOut;
    strOut.reserve(str.size());
    std::size_t nAt = 0;
    while (nAt < str.size()) {
        const std::size_t nStart = nAt;
        const char32_t c = NextCodePoint(str, nAt);
        switch (c) {
            case '&':
                strOut += "&amp;";
                break;
            case '<':
                strOut += "&lt;";
                break;
            case '>':
                strOut += "&gt;";
                break;
            case '"':
                strOut += bAttribute ? "&quot;" : "\"";
                break;
            case '\r':
                strOut += "&#13;";
                break;  // a parser reads a bare CR as LF
            case '\t':
                strOut += bAttribute ? "&#9;" : "\t";
                break;
            case '\n':
                strOut += bAttribute ? "&#10;" : "\n";
                break;
            case '_': {
                const std::string_view rest = str.substr(nStart);
                const bool bLooksEscaped = rest.size() >= 7 && rest[1] == 'x' && IsHex(rest[2]) &&
                                           IsHex(rest[3]) && IsHex(rest[4]) && IsHex(rest[5]) &&
                                           rest[6] == '_';
                strOut += bLooksEscaped ? "_x005F_" : "_";
                break;
            }
            default:
                if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) {
                    strOut += "_x";
                    AppendHex4(strOut, c);
                    strOut += '_';
                } else {
                    AppendUtf8(strOut, static_cast<std::uint32_t>(c));
                }
        }
    }
    return strOut;
}

std::string ShortestText(double f) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, f);
    return std::string(buffer, result.ptr);
}

// The decimals a percentage needs to show the stored fraction as written: 0.125 shows as
// "12.5%" with one, 0.25 as "25%" with none. A single "0.##%" format would show "25.%".
std::uint32_t PercentDecimals(double f) {
    char buffer[400];  // the longest fixed form of a double has about 330 characters
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, f, std::chars_format::fixed);
    if (result.ec != std::errc()) return 0;
    const std::string_view str(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t nPoint = str.find('.');
    if (nPoint == std::string_view::npos) return 0;
    const auto nDecimals = static_cast<std::uint32_t>(str.size() - nPoint - 1);
    return std::min(nDecimals > 2 ? nDecimals - 2 : 0, MAX_PERCENT_DECIMALS);
}

std::size_t DisplayWidth(std::string_view str) {  // code points of the longest line
    std::size_t nWidest = 0, nLine = 0, nAt = 0;
    while (nAt < str.size()) {
        nLine = NextCodePoint(str, nAt) == '\n' ? 0 : nLine + 1;
        nWidest = std::max(nWidest, nLine);
    }
    return nWidest;
}

// The cell formats (cellXfs) the sheets use, made as they are asked for: 0 is the default.
class CStyles {
public:
    std::uint32_t Of(std::uint32_t nPercentDecimals, bool bPercent, bool bHeader, bool bWrap) {
        const SKey key{bPercent ? nPercentDecimals + 1 : 0, bHeader, bWrap};
        const auto [it, bNew] = m_indexes.emplace(key, static_cast<std::uint32_t>(m_keys.size()));
        if (bNew) m_keys.push_back(key);
        return it->second;
    }
    std::string Xml() const;

private:
    struct SKey {
        std::uint32_t nPercent = 0;  // 0: no percent format, else its decimals plus one
        bool bHeader = false, bWrap = false;
        auto operator<=>(const SKey&) const = default;
    };
    std::vector<SKey> m_keys{SKey{}};
    std::map<SKey, std::uint32_t> m_indexes{{SKey{}, 0}};
};

// Custom number formats are numbered from 164; "0%" is the built-in 9.
std::uint32_t PercentFormatId(std::uint32_t nDecimals) {
    return nDecimals == 0 ? 9 : 163 + nDecimals;
}

std::string CStyles::Xml() const {
    std::string str(XML_HEAD);
    str += "<styleSheet xmlns=\"" + std::string(NS_MAIN) + "\">";
    std::string strFormats;
    std::uint32_t nFormats = 0;
    for (std::uint32_t n = 1; n <= MAX_PERCENT_DECIMALS; ++n) {
        const bool bUsed = std::any_of(m_keys.begin(), m_keys.end(),
                                       [n](const SKey& key) { return key.nPercent == n + 1; });
        if (!bUsed) continue;
        strFormats += "<numFmt numFmtId=\"" + std::to_string(PercentFormatId(n)) +
                      "\" formatCode=\"0." + std::string(n, '0') + "%\"/>";
        ++nFormats;
    }
    if (nFormats > 0) {
        str += "<numFmts count=\"" + std::to_string(nFormats) + "\">" + strFormats + "</numFmts>";
    }
    // Headers: bold, a light fill, a line below.
    str +=
        "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/>"
        "</font><font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
        "</fonts><fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill><fill>"
        "<patternFill patternType=\"gray125\"/></fill><fill><patternFill patternType=\"solid\">"
        "<fgColor rgb=\"FFDDEBF7\"/><bgColor indexed=\"64\"/></patternFill></fill></fills>"
        "<borders count=\"2\"><border><left/><right/><top/><bottom/><diagonal/></border>"
        "<border><left/><right/><top/><bottom style=\"thin\"><color auto=\"1\"/></bottom>"
        "<diagonal/></border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" "
        "fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
    str += "<cellXfs count=\"" + std::to_string(m_keys.size()) + "\">";
    for (const SKey& key : m_keys) {
        const std::uint32_t nFormat = key.nPercent == 0 ? 0 : PercentFormatId(key.nPercent - 1);
        const char* pszHeader = key.bHeader ? "1" : "0";
        str += "<xf numFmtId=\"" + std::to_string(nFormat) + "\" fontId=\"" + pszHeader +
               "\" fillId=\"" + (key.bHeader ? "2" : "0") + "\" borderId=\"" + pszHeader +
               "\" xfId=\"0\"";
        if (key.nPercent != 0) str += " applyNumberFormat=\"1\"";
        if (key.bHeader) str += " applyFont=\"1\" applyFill=\"1\" applyBorder=\"1\"";
        if (key.bWrap)
            str += " applyAlignment=\"1\"><alignment wrapText=\"1\"/></xf>";
        else
            str += "/>";
    }
    str +=
        "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
        "builtinId=\"0\"/></cellStyles></styleSheet>";
    return str;
}

// The workbook's texts, each stored once and referred to by its index.
class CSharedStrings {
public:
    std::uint32_t Of(const std::string& str) {
        ++m_nUses;
        const auto [it, bNew] = m_indexes.emplace(str, static_cast<std::uint32_t>(m_texts.size()));
        if (bNew) m_texts.push_back(&it->first);
        return it->second;
    }
    std::string Xml() const {
        std::string strOut(XML_HEAD);
        strOut += "<sst xmlns=\"" + std::string(NS_MAIN) + "\" count=\"" + std::to_string(m_nUses) +
                  "\" uniqueCount=\"" + std::to_string(m_texts.size()) + "\">";
        for (const std::string* pText : m_texts) strOut += "<si>" + TextElement(*pText) + "</si>";
        return strOut + "</sst>";
    }
    // <t>, keeping the spaces at either end that a reader would otherwise drop.
    static std::string TextElement(std::string_view str) {
        const bool bKeep = str.find_first_of("\t\n\r") != std::string_view::npos ||
                           (!str.empty() && (str.front() == ' ' || str.back() == ' '));
        return (bKeep ? "<t xml:space=\"preserve\">" : "<t>") + Escaped(str) + "</t>";
    }

private:
    std::map<std::string, std::uint32_t> m_indexes;
    std::vector<const std::string*> m_texts;  // keys of m_indexes, which stay put
    std::size_t m_nUses = 0;
};

// A cell's <c> element, or nothing for an empty cell outside the headers, whose empty cells
// are written so that the header's look spans the table.
std::string CellXml(const SBookCell& cell, std::uint32_t nRow, std::uint32_t nColumn, bool bHeader,
                    CStyles& styles, CSharedStrings& strings) {
    const bool bPercent = cell.kind == SBookCell::EKind::Percent;
    const bool bText = cell.kind == SBookCell::EKind::Text;
    if (cell.kind == SBookCell::EKind::Empty && !bHeader) return {};
    const std::uint32_t nStyle =
        styles.Of(bPercent ? PercentDecimals(cell.fNumber) : 0, bPercent, bHeader,
                  bText && cell.strText.find('\n') != std::string::npos);
    std::string str = "<c r=\"" + CellName(nRow, nColumn) + "\"";
    if (nStyle != 0) str += " s=\"" + std::to_string(nStyle) + "\"";
    if (cell.kind == SBookCell::EKind::Empty) return str + "/>";
    if (bText) return str + " t=\"s\"><v>" + std::to_string(strings.Of(cell.strText)) + "</v></c>";
    if (!std::isfinite(cell.fNumber)) return str + " t=\"e\"><v>#NUM!</v></c>";
    return str + "><v>" + ShortestText(cell.fNumber) + "</v></c>";
}

std::size_t CellWidth(const SBookCell& cell) {
    switch (cell.kind) {
        case SBookCell::EKind::Text:
            return DisplayWidth(cell.strText);
        case SBookCell::EKind::Number:
            return ShortestText(cell.fNumber).size();
        case SBookCell::EKind::Percent:
            return ShortestText(cell.fNumber * 100).size() + 1;
        default:
            return 0;
    }
}

// <cols>: each used column as wide as its longest text among the first rows, within bounds.
std::string ColumnsXml(const SBookSheet& sheet, std::uint32_t nWidth) {
    std::vector<std::size_t> widths(nWidth, 0);
    const std::size_t nRows = std::min(sheet.rows.size(), WIDTH_SAMPLE_ROWS);
    for (std::size_t nRow = 0; nRow < nRows; ++nRow) {
        const auto& row = sheet.rows[nRow];
        for (std::size_t n = 0; n < std::min<std::size_t>(row.size(), nWidth); ++n) {
            widths[n] = std::max(widths[n], CellWidth(row[n]));
        }
    }
    std::string str = "<cols>";
    for (std::uint32_t n = 0; n < nWidth; ++n) {
        const std::size_t nChars = std::clamp(widths[n] + 2, MIN_WIDTH, MAX_WIDTH);
        str += "<col min=\"" + std::to_string(n + 1) + "\" max=\"" + std::to_string(n + 1) +
               "\" width=\"" + std::to_string(nChars) + "\" customWidth=\"1\"/>";
    }
    return str + "</cols>";
}

std::string ValidationsXml(const SBookSheet& sheet) {
    std::string str;
    std::size_t nCount = 0;
    for (const SBookValidation& validation : sheet.validations) {
        std::string_view range = validation.strRange;
        if (!range.empty() && range.front() == '=') range.remove_prefix(1);
        const std::uint32_t nLast = std::min(validation.nLastRow, MAX_ROWS);
        if (validation.nColumn == 0 || validation.nColumn > MAX_COLUMNS ||
            validation.nFirstRow == 0 || validation.nFirstRow > nLast || range.empty()) {
            continue;  // nothing a spreadsheet could apply
        }
        // No showDropDown: set, it would hide the list's arrow.
        str += "<dataValidation type=\"list\" errorStyle=\"";
        str += validation.bStrict ? "stop" : "information";
        str += "\" allowBlank=\"1\" showErrorMessage=\"1\"";
        if (!validation.strPrompt.empty()) {
            str += " error=\"" + Escaped(validation.strPrompt, true) + "\"";
        }
        str += " sqref=\"" + CellName(validation.nFirstRow, validation.nColumn) + ":" +
               CellName(nLast, validation.nColumn) + "\"><formula1>" + Escaped(range) +
               "</formula1></dataValidation>";
        ++nCount;
    }
    if (nCount == 0) return {};
    return "<dataValidations count=\"" + std::to_string(nCount) + "\">" + str +
           "</dataValidations>";
}

// The notes on cells of the grid, in cell order, those of one cell joined into one.
std::vector<SBookNote> NotesOf(const SBookSheet& sheet) {
    std::vector<SBookNote> notes;
    for (const SBookNote& note : sheet.notes) {
        if (note.nRow == 0 || note.nRow > MAX_ROWS || note.nColumn == 0 ||
            note.nColumn > MAX_COLUMNS) {
            continue;
        }
        notes.push_back(note);
    }
    std::stable_sort(notes.begin(), notes.end(), [](const SBookNote& a, const SBookNote& b) {
        return std::tie(a.nRow, a.nColumn) < std::tie(b.nRow, b.nColumn);
    });
    std::vector<SBookNote> merged;
    for (SBookNote& note : notes) {
        if (!merged.empty() && merged.back().nRow == note.nRow &&
            merged.back().nColumn == note.nColumn) {
            merged.back().strText += "\n" + note.strText;
        } else {
            merged.push_back(std::move(note));
        }
    }
    return merged;
}

std::string CommentsXml(const std::vector<SBookNote>& notes) {
    std::string str(XML_HEAD);
    str += "<comments xmlns=\"" + std::string(NS_MAIN) +
           "\"><authors><author></author></authors><commentList>";
    for (const SBookNote& note : notes) {
        str += "<comment ref=\"" + CellName(note.nRow, note.nColumn) + "\" authorId=\"0\"><text>" +
               CSharedStrings::TextElement(note.strText) + "</text></comment>";
    }
    return str + "</commentList></comments>";
}

// The notes' boxes as the older drawing format describes them, which is what makes Excel show
// the notes at all. Shape ids come in blocks of 1024 that no two sheets may share.
std::string VmlXml(const std::vector<SBookNote>& notes, std::uint32_t& nNextBlock) {
    const auto nBlocks = static_cast<std::uint32_t>(notes.size() / 1024 + 1);
    std::string strBlocks;
    for (std::uint32_t n = 0; n < nBlocks; ++n) {
        strBlocks += (n == 0 ? "" : ",") + std::to_string(nNextBlock + n);
    }
    std::string str =
        "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" "
        "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
        "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">"
        "<o:shapelayout v:ext=\"edit\"><o:idmap v:ext=\"edit\" data=\"" +
        strBlocks +
        "\"/></o:shapelayout><v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" "
        "o:spt=\"202\" path=\"m,l,21600r21600,l21600,xe\"><v:stroke joinstyle=\"miter\"/>"
        "<v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/></v:shapetype>";
    std::uint64_t nId = std::uint64_t{nNextBlock} * 1024 + 1;
    for (const SBookNote& note : notes) {
        const std::uint32_t nRow = note.nRow - 1, nColumn = note.nColumn - 1;  // from 0 here
        // The box: from the next column over, two columns wide, four rows high, on the grid.
        const std::uint32_t nLeft = std::min(nColumn + 1, MAX_COLUMNS - 3);
        const std::uint32_t nTop = std::min(nRow == 0 ? 0 : nRow - 1, MAX_ROWS - 5);
        const std::string strAnchor = std::to_string(nLeft) + ", 15, " + std::to_string(nTop) +
                                      ", 10, " + std::to_string(nLeft + 2) + ", 15, " +
                                      std::to_string(nTop + 4) + ", 4";
        str += "<v:shape id=\"_x0000_s" + std::to_string(nId++) +
               "\" type=\"#_x0000_t202\" style=\"position:absolute;margin-left:59.25pt;"
               "margin-top:1.5pt;width:108pt;height:59.25pt;z-index:1;visibility:hidden\" "
               "fillcolor=\"#ffffe1\" o:insetmode=\"auto\"><v:fill color2=\"#ffffe1\"/>"
               "<v:shadow on=\"t\" color=\"black\" obscured=\"t\"/><v:path "
               "o:connecttype=\"none\"/><v:textbox style=\"mso-direction-alt:auto\"><div "
               "style=\"text-align:left\"></div></v:textbox><x:ClientData ObjectType=\"Note\">"
               "<x:MoveWithCells/><x:SizeWithCells/><x:Anchor>" +
               strAnchor + "</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>" +
               std::to_string(nRow) + "</x:Row><x:Column>" + std::to_string(nColumn) +
               "</x:Column></x:ClientData>"
               "</v:shape>";
    }
    nNextBlock += nBlocks;
    return str + "</xml>";
}

struct SSheetParts {
    std::string strSheet, strComments, strVml;  // the last two empty without notes
};

SSheetParts SheetParts(const SBookSheet& sheet, bool bActive, CStyles& styles,
                       CSharedStrings& strings, std::uint32_t& nNextBlock) {
    const std::size_t nRows = std::min<std::size_t>(sheet.rows.size(), MAX_ROWS);
    std::size_t nWidest = 0;
    for (std::size_t n = 0; n < nRows; ++n) nWidest = std::max(nWidest, sheet.rows[n].size());
    const auto nWidth = static_cast<std::uint32_t>(std::min<std::size_t>(nWidest, MAX_COLUMNS));
    const std::uint32_t nFrozen = std::min(sheet.nFrozenRows, MAX_ROWS - 1);

    SSheetParts parts;
    std::string& str = parts.strSheet;
    str = std::string(XML_HEAD) + "<worksheet xmlns=\"" + std::string(NS_MAIN) + "\" xmlns:r=\"" +
          std::string(NS_REL) + "\"><dimension ref=\"A1";
    if (nRows > 0 && nWidth > 0) str += ":" + CellName(static_cast<std::uint32_t>(nRows), nWidth);
    str += "\"/><sheetViews><sheetView workbookViewId=\"0\"";
    if (bActive) str += " tabSelected=\"1\"";
    if (nFrozen > 0) {
        str += "><pane ySplit=\"" + std::to_string(nFrozen) + "\" topLeftCell=\"" +
               CellName(nFrozen + 1, 1) +
               "\" activePane=\"bottomLeft\" state=\"frozen\"/></sheetView>";
    } else {
        str += "/>";
    }
    str += "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    if (nWidth > 0) str += ColumnsXml(sheet, nWidth);
    str += "<sheetData>";
    const SBookCell empty;
    // Frozen rows below the table are styled too, but not a million of them.
    const std::size_t nLastRow = std::max<std::size_t>(nRows, std::min(nFrozen, 100u));
    for (std::uint32_t nRow = 1; nRow <= nLastRow; ++nRow) {
        const bool bHeader = nRow <= nFrozen;
        std::string strCells;
        for (std::uint32_t nColumn = 1; nColumn <= nWidth; ++nColumn) {
            const bool bPresent = nRow <= nRows && nColumn <= sheet.rows[nRow - 1].size();
            strCells += CellXml(bPresent ? sheet.rows[nRow - 1][nColumn - 1] : empty, nRow, nColumn,
                                bHeader, styles, strings);
        }
        if (!strCells.empty()) {
            str += "<row r=\"" + std::to_string(nRow) + "\">" + strCells + "</row>";
        }
    }
    str += "</sheetData>" + ValidationsXml(sheet);
    const std::vector<SBookNote> notes = NotesOf(sheet);
    if (!notes.empty()) {
        str += "<legacyDrawing r:id=\"rId2\"/>";
        parts.strComments = CommentsXml(notes);
        parts.strVml = VmlXml(notes, nNextBlock);
    }
    str += "</worksheet>";
    return parts;
}

std::string Relationship(std::size_t nId, std::string_view type, const std::string& strTarget) {
    return "<Relationship Id=\"rId" + std::to_string(nId) + "\" Type=\"" + std::string(NS_REL) +
           "/" + std::string(type) + "\" Target=\"" + strTarget + "\"/>";
}

std::string Relationships(const std::string& strItems) {
    return std::string(XML_HEAD) + "<Relationships xmlns=\"" + std::string(NS_PKG_REL) + "\">" +
           strItems + "</Relationships>";
}

std::string Override(const std::string& strPart, std::string_view type) {
    return "<Override PartName=\"" + strPart +
           "\" ContentType=\"application/vnd.openxmlformats-officedocument." + std::string(type) +
           "\"/>";
}

// The package's parts as they are made.
struct SParts {
    std::vector<std::pair<std::string, std::string>> entries;
    std::string strTypes;
    void Add(std::string strName, std::string strData) {
        entries.emplace_back(std::move(strName), std::move(strData));
    }
};

}  // namespace

std::string XlsxOf(const std::vector<SBookSheet>& sheetsIn) {
    // A workbook has at least one sheet, and one visible.
    std::vector<SBookSheet> fallback;
    if (sheetsIn.empty()) {
        fallback.emplace_back();
        fallback.back().strName = "Sheet1";
    }
    const std::vector<SBookSheet>& sheets = sheetsIn.empty() ? fallback : sheetsIn;
    const auto itVisible = std::find_if(sheets.begin(), sheets.end(),
                                        [](const SBookSheet& sheet) { return !sheet.bHidden; });
    const auto nActive =
        static_cast<std::size_t>(itVisible == sheets.end() ? 0 : itVisible - sheets.begin());

    CStyles styles;
    CSharedStrings strings;
    SParts zip;
    std::uint32_t nNextBlock = 1;
    std::string strTypes, strSheets, strBookRels;
    for (std::size_t n = 0; n < sheets.size(); ++n) {
        const std::string strN = std::to_string(n + 1);
        const SSheetParts parts = SheetParts(sheets[n], n == nActive, styles, strings, nNextBlock);
        zip.Add("xl/worksheets/sheet" + strN + ".xml", parts.strSheet);
        strTypes += Override("/xl/worksheets/sheet" + strN + ".xml", "spreadsheetml.worksheet+xml");
        strSheets += "<sheet name=\"" + Escaped(sheets[n].strName, true) + "\" sheetId=\"" + strN +
                     "\"" + (sheets[n].bHidden && n != nActive ? " state=\"hidden\"" : "") +
                     " r:id=\"rId" + strN + "\"/>";
        strBookRels += Relationship(n + 1, "worksheet", "worksheets/sheet" + strN + ".xml");
        if (parts.strComments.empty()) continue;
        zip.Add("xl/comments" + strN + ".xml", parts.strComments);
        zip.Add("xl/drawings/vmlDrawing" + strN + ".vml", parts.strVml);
        zip.Add(
            "xl/worksheets/_rels/sheet" + strN + ".xml.rels",
            Relationships(Relationship(1, "comments", "../comments" + strN + ".xml") +
                          Relationship(2, "vmlDrawing", "../drawings/vmlDrawing" + strN + ".vml")));
        strTypes += Override("/xl/comments" + strN + ".xml", "spreadsheetml.comments+xml");
    }
    const std::string strActive = std::to_string(nActive);
    zip.Add("xl/workbook.xml", std::string(XML_HEAD) + "<workbook xmlns=\"" + std::string(NS_MAIN) +
                                   "\" xmlns:r=\"" + std::string(NS_REL) +
                                   "\"><bookViews><workbookView firstSheet=\"" + strActive +
                                   "\" activeTab=\"" + strActive + "\"/></bookViews><sheets>" +
                                   strSheets + "</sheets></workbook>");
    strBookRels += Relationship(sheets.size() + 1, "styles", "styles.xml") +
                   Relationship(sheets.size() + 2, "sharedStrings", "sharedStrings.xml");
    zip.Add("xl/_rels/workbook.xml.rels", Relationships(strBookRels));
    zip.Add("xl/styles.xml", styles.Xml());
    zip.Add("xl/sharedStrings.xml", strings.Xml());
    zip.Add("_rels/.rels", Relationships(Relationship(1, "officeDocument", "xl/workbook.xml")));
    zip.strTypes = (std::string(XML_HEAD) +
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/"
                    "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
                    "ContentType=\"application/xml\"/><Default Extension=\"vml\" "
                    "ContentType=\"application/vnd.openxmlformats-officedocument.vmlDrawing\"/>" +
                    Override("/xl/workbook.xml", "spreadsheetml.sheet.main+xml") +
                    Override("/xl/styles.xml", "spreadsheetml.styles+xml") +
                    Override("/xl/sharedStrings.xml", "spreadsheetml.sharedStrings+xml") +
                    strTypes + "</Types>");
    // The content types first, where every reader looks for them.
    CZipWriter writer;
    writer.Add("[Content_Types].xml", zip.strTypes);
    for (const auto& [strName, strData] : zip.entries) writer.Add(strName, strData);
    return writer.Finish();
}
