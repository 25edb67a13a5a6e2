// Arbitrary bytes as a workbook. The first byte chooses what the rest is: a whole archive, or
// one part (an .ods content.xml, an .xlsx sheet, its shared strings or its styles) put into an
// archive here, so that mutations reach the XML rather than dying at the zip's checksums. Any
// sheet that reads must be a table: CRLF-ended lines, all of one width, no other line break.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "tools/workbook/WorkbookReader.h"
#include "tools/workbook/ZipWriter.h"

namespace {
void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

std::string Zip(const std::map<std::string, std::string>& parts) {
    CZipWriter zip;
    for (const auto& [strName, strData] : parts) zip.Add(strName, strData);
    return zip.Finish();
}

const char WORKBOOK[] =
    "<workbook><sheets><sheet name=\"Weapons\" r:id=\"rId1\"/></sheets></workbook>";
const char RELATIONSHIPS[] =
    "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";
const char SHEET[] =
    "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>0.5</v></c></row></sheetData></worksheet>";
const char STRINGS[] = "<sst><si><t>Name</t></si><si><t>x</t></si></sst>";
const char STYLES[] = "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"9\"/></cellXfs></styleSheet>";

std::string Xlsx(std::string_view sheet, std::string_view strings, std::string_view styles) {
    return Zip({{"[Content_Types].xml", "<Types/>"},
                {"xl/workbook.xml", WORKBOOK},
                {"xl/_rels/workbook.xml.rels", RELATIONSHIPS},
                {"xl/worksheets/sheet1.xml", std::string(sheet)},
                {"xl/sharedStrings.xml", std::string(strings)},
                {"xl/styles.xml", std::string(styles)}});
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize < 1) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(pData) + 1, nSize - 1);
    std::string strWorkbook;
    switch (pData[0] % 5) {
        case 0: strWorkbook.assign(rest); break;
        case 1: strWorkbook = Zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                   {"content.xml", std::string(rest)}});
                break;
        case 2: strWorkbook = Xlsx(rest, STRINGS, STYLES); break;
        case 3: strWorkbook = Xlsx(SHEET, rest, STYLES); break;
        default: strWorkbook = Xlsx(SHEET, STRINGS, rest); break;
    }
    SWorkbook book;
    std::string strError;
    if (!ReadWorkbook(strWorkbook, [](std::string_view) { return true; }, book, strError)) {
        Check(!strError.empty());
        return 0;
    }
    for (const SSheetText& sheet : book.sheets) {
        const std::string& strText = sheet.strText;
        Check(strText.size() <= MAX_SHEET_TEXT);
        size_t nWidth = static_cast<size_t>(-1);
        size_t nStart = 0;
        while (nStart < strText.size()) {
            const size_t nEnd = strText.find("\r\n", nStart);
            Check(nEnd != std::string::npos);
            const std::string_view line(strText.data() + nStart, nEnd - nStart);
            Check(line.find_first_of("\r\n") == std::string_view::npos);
            size_t nTabs = 0;
            for (const char ch : line) nTabs += ch == '\t';
            if (nWidth == static_cast<size_t>(-1)) nWidth = nTabs;
            Check(nTabs == nWidth);
            nStart = nEnd + 2;
        }
    }
    for (const SCellProblem& problem : book.problems) {
        Check(problem.nRow >= 1 && problem.nRow <= MAX_ROWS);
        Check(problem.nColumn >= 1 && problem.nColumn <= MAX_COLUMNS);
        Check(!problem.strText.empty());
    }
    return 0;
}
