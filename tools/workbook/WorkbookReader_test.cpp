#include "tools/workbook/WorkbookReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

#include "tools/workbook/ZipReader.h"

namespace {
void Put16(std::string& str, std::uint32_t n) {
    str += static_cast<char>(n & 0xFF);
    str += static_cast<char>((n >> 8) & 0xFF);
}
void Put32(std::string& str, std::uint32_t n) {
    Put16(str, n & 0xFFFF);
    Put16(str, n >> 16);
}

// A zip archive of the parts, deflated (or stored), as any zip tool writes one.
std::string ZipOf(const std::map<std::string, std::string>& parts, bool bDeflate = true) {
    std::string strZip, strDirectory;
    for (const auto& [strName, strData] : parts) {
        std::string strPacked = strData;
        if (bDeflate) {
            z_stream stream{};
            deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            strPacked.resize(deflateBound(&stream, static_cast<uLong>(strData.size())));
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strData.data()));
            stream.avail_in = static_cast<uInt>(strData.size());
            stream.next_out = reinterpret_cast<Bytef*>(strPacked.data());
            stream.avail_out = static_cast<uInt>(strPacked.size());
            deflate(&stream, Z_FINISH);
            strPacked.resize(stream.total_out);
            deflateEnd(&stream);
        }
        const auto nCrc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(strData.data()), static_cast<uInt>(strData.size())));
        const auto nOffset = static_cast<std::uint32_t>(strZip.size());
        std::string strCommon;
        Put16(strCommon, 20);
        Put16(strCommon, 0);
        Put16(strCommon, bDeflate ? 8 : 0);
        Put32(strCommon, 0);
        Put32(strCommon, nCrc);
        Put32(strCommon, static_cast<std::uint32_t>(strPacked.size()));
        Put32(strCommon, static_cast<std::uint32_t>(strData.size()));
        Put16(strCommon, static_cast<std::uint32_t>(strName.size()));
        Put16(strCommon, 0);
        Put32(strZip, 0x04034b50);
        strZip += strCommon + strName + strPacked;
        Put32(strDirectory, 0x02014b50);
        Put16(strDirectory, 20);
        strDirectory += strCommon;
        Put16(strDirectory, 0);
        Put16(strDirectory, 0);
        Put16(strDirectory, 0);
        Put32(strDirectory, 0);
        Put32(strDirectory, nOffset);
        strDirectory += strName;
    }
    const auto nDirectoryOffset = static_cast<std::uint32_t>(strZip.size());
    strZip += strDirectory;
    Put32(strZip, 0x06054b50);
    Put32(strZip, 0);
    Put16(strZip, static_cast<std::uint32_t>(parts.size()));
    Put16(strZip, static_cast<std::uint32_t>(parts.size()));
    Put32(strZip, static_cast<std::uint32_t>(strDirectory.size()));
    Put32(strZip, nDirectoryOffset);
    Put16(strZip, 0);
    return strZip;
}

// An .xlsx of one sheet "Weapons" with the given sheetData, shared strings and styles.
std::string XlsxOf(const std::string& strSheetData, const std::string& strStrings = "",
                   const std::string& strStyles = "") {
    std::map<std::string, std::string> parts = {
        {"[Content_Types].xml", "<Types/>"},
        {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Notes\" sheetId=\"2\" r:id=\"rId3\"/><sheet name=\"Weapons\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships>"
            "<Relationship Id=\"rId1\" Type=\"http://x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
            "<Relationship Id=\"rId3\" Type=\"http://x/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
            "<Relationship Id=\"rId2\" Type=\"http://x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
            "<Relationship Id=\"rId4\" Type=\"http://x/styles\" Target=\"styles.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + strSheetData + "</sheetData></worksheet>"},
        {"xl/worksheets/sheet2.xml", "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>"},
        {"xl/sharedStrings.xml", "<sst>" + strStrings + "</sst>"},
        {"xl/styles.xml", strStyles.empty() ? "<styleSheet/>" : strStyles},
    };
    return ZipOf(parts);
}

struct SRead {
    bool bRead = false;
    std::string strError, strText, strProblems;
};

SRead Read(std::string_view data) {
    SRead read;
    SWorkbook book;
    read.bRead = ReadWorkbook(data, [](std::string_view strName) { return strName == "Weapons"; },
                              book, read.strError);
    for (const SSheetText& sheet : book.sheets)
        if (sheet.strName == "Weapons") read.strText = sheet.strText;
    for (const SCellProblem& problem : book.problems)
        read.strProblems += problem.strSheet + "!" + CellName(problem.nRow, problem.nColumn) + ": " + problem.strText + "\n";
    return read;
}

const char STYLES[] =
    "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"0.0%\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"&quot;%&quot;0\"/></numFmts>"
    "<cellStyleXfs><xf numFmtId=\"9\"/></cellStyleXfs>"
    "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"9\"/><xf numFmtId=\"165\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
}  // namespace

TEST(WorkbookReader, NumberForms) {
    EXPECT_EQ("1.25", NumberText(1.25));
    EXPECT_EQ("0.1", NumberText(0.1));
    EXPECT_EQ("0", NumberText(-0.0));
    EXPECT_EQ("-3", NumberText(-3));
    EXPECT_EQ("0.00001", NumberText(1e-5));
    EXPECT_EQ("100000000000000000000", NumberText(1e20));
    EXPECT_EQ("12.5%", PercentText(0.125));
    EXPECT_EQ("7%", PercentText(0.07));
    EXPECT_EQ("-7%", PercentText(-0.07));
    EXPECT_EQ("100%", PercentText(1));
    EXPECT_EQ("0%", PercentText(0));
    EXPECT_EQ("0.5%", PercentText(0.005));
    EXPECT_EQ("1234.5%", PercentText(12.345));
    EXPECT_EQ("AA5", CellName(5, 27));
    EXPECT_EQ("XFD1", CellName(1, MAX_COLUMNS));
}

TEST(WorkbookReader, XlsxValuesAsStored) {
    const std::string strStrings =
        "<si><t>Long Sword</t></si><si><r><t>two </t></r><r><t>runs</t></r><rPh><t>phonetic</t></rPh></si>"
        "<si><t>line\none_x000D_</t></si><si><t>Harbor, Castle</t></si><si><t xml:space=\"preserve\">\"quoted\" text</t></si>";
    const std::string strData =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" s=\"1\"><v>0.125</v></c><c r=\"D1\" s=\"2\"><v>0.07</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>1</v></c><c r=\"B3\"><f>1+1</f><v>2</v></c><c r=\"C3\" t=\"b\"><v>1</v></c>"
        "<c r=\"D3\" s=\"4\"><v>45292</v></c><c r=\"E3\" s=\"3\"><v>5</v></c><c r=\"F3\" t=\"inlineStr\"><is><t>inline</t></is></c></row>"
        "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>2</v></c><c r=\"B4\" t=\"s\"><v>3</v></c><c r=\"C4\" t=\"s\"><v>4</v></c><c r=\"D4\" t=\"str\"><f>A1</f><v>Long Sword</v></c></row>";
    const SRead read = Read(XlsxOf(strData, strStrings, STYLES));
    ASSERT_TRUE(read.bRead) << read.strError;
    EXPECT_EQ("", read.strProblems);
    EXPECT_EQ("Long Sword\t\t12.5%\t7%\t\t\r\n"
              "\t\t\t\t\t\r\n"
              "two runs\t2\t1\t45292\t5\tinline\r\n"
              "line one \t\"Harbor, Castle\"\t\"\"\"quoted\"\" text\"\tLong Sword\t\t\r\n",
              read.strText);
}

TEST(WorkbookReader, XlsxCellsThatCannotGoIntoATable) {
    const std::string strData =
        "<row r=\"2\"><c r=\"A2\"><f>SUM(B1:B9)</f></c><c r=\"B2\" t=\"e\"><v>#DIV/0!</v></c>"
        "<c r=\"C2\" t=\"s\"><v>7</v></c><c r=\"D2\" t=\"inlineStr\"><is><t>a\tb</t></is></c><c r=\"E2\"><v>1</v></c></row>";
    const SRead read = Read(XlsxOf(strData, "<si><t>x</t></si>"));
    ASSERT_TRUE(read.bRead) << read.strError;
    EXPECT_EQ("Weapons!A2: a formula without a stored result (open and save the workbook in a spreadsheet program to compute it)\n"
              "Weapons!B2: the error value #DIV/0!\n"
              "Weapons!C2: a shared text that the workbook does not hold (index \"7\")\n"
              "Weapons!D2: a tab in the text, which would split the cell\n",
              read.strProblems);
    EXPECT_EQ("\t\t\t\t\r\n\t\t\t\t1\r\n", read.strText);
}

TEST(WorkbookReader, DamagedOrHostileWorkbooksGiveAReason) {
    const std::string strGood = XlsxOf("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    ASSERT_TRUE(Read(strGood).bRead);
    const std::pair<std::string, const char*> cases[] = {
        {strGood.substr(0, strGood.size() / 2), "no directory at its end"},
        {"PK", "too short"},
        {std::string(100, 'x'), "no directory"},
        {XlsxOf("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"), "a cell named \"XFE1\""},
        {XlsxOf("<row r=\"1048577\"></row>"), "a row numbered"},
        {XlsxOf("<row r=\"2\"></row><row r=\"1\"></row>"), "row 1 out of order"},
        {XlsxOf("<row r=\"1\"><c r=\"B1\"><v>1</v></c><c r=\"A1\"><v>1</v></c></row>"), "A1 out of order"},
        {XlsxOf("<row r=\"1\"><c r=\"A2\"><v>1</v></c></row>"), "cell A2 in row 1"},
        {XlsxOf("<row r=\"1\"><c r=\"A1\"><v>&xxe;</v></c></row>"), "unknown reference"},
        {ZipOf({{"[Content_Types].xml", "<Types/>"}, {"_rels/.rels", "<Relationships><Relationship Id=\"a\" Type=\"x/officeDocument\" Target=\"../../etc/passwd\"/></Relationships>"}}), "points outside the workbook"},
        {ZipOf({{"mimetype", "x"}}), "neither an .xlsx nor an .ods"},
        {ZipOf({{"[Content_Types].xml", "<Types/>"}}), "\"xl/workbook.xml\" is missing"},
    };
    for (const auto& [strData, pszWhy] : cases) {
        const SRead read = Read(strData);
        EXPECT_FALSE(read.bRead) << pszWhy;
        EXPECT_NE(std::string::npos, read.strError.find(pszWhy)) << read.strError;
    }
}

TEST(WorkbookReader, ZipDamageIsFoundBeforeUse) {
    std::string strZip = ZipOf({{"a.xml", std::string(5000, 'a')}});
    CZipReader zip;
    std::string strError, strPart;
    ASSERT_TRUE(zip.Open(strZip, strError)) << strError;
    ASSERT_TRUE(zip.Read("a.xml", strPart, strError));
    EXPECT_EQ(std::string(5000, 'a'), strPart);
    // A part's claimed size that its data does not inflate to: a bomb claiming little, or a
    // cut stream claiming much.
    for (const std::uint32_t nClaimed : {100u, 4999u, 5001u, 200000000u, 0xFFFFFFFEu}) {
        std::string strBad = strZip;
        const size_t nDirectory = strBad.find("PK\x01\x02");
        for (const size_t nAt : {size_t{22}, nDirectory + 24})
            for (int i = 0; i < 4; ++i) strBad[nAt + static_cast<size_t>(i)] = static_cast<char>((nClaimed >> (8 * i)) & 0xFF);
        CZipReader bad;
        ASSERT_TRUE(bad.Open(strBad, strError));
        EXPECT_FALSE(bad.Read("a.xml", strPart, strError)) << nClaimed;
        EXPECT_NE(std::string::npos, strError.find("\"a.xml\"")) << strError;
    }
    // A checksum that differs.
    std::string strBad = strZip;
    strBad[strBad.find("PK\x01\x02") + 16] ^= 1;
    ASSERT_TRUE(zip.Open(strBad, strError));
    EXPECT_FALSE(zip.Read("a.xml", strPart, strError));
    EXPECT_NE(std::string::npos, strError.find("checksum")) << strError;
    // The same name twice.
    std::string strTwice = ZipOf({{"a.xml", "1"}, {"b.xml", "2"}}, false);
    strTwice[strTwice.rfind("b.xml")] = 'a';
    EXPECT_FALSE(zip.Open(strTwice, strError));
    EXPECT_NE(std::string::npos, strError.find("two parts")) << strError;
}

namespace {
std::string OdsOf(const std::string& strTables) {
    return ZipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml", "<office:document-content><office:body><office:spreadsheet>"
                                  "<table:calculation-settings><table:null-date table:date-value=\"1899-12-30\"/></table:calculation-settings>" +
                                      strTables + "</office:spreadsheet></office:body></office:document-content>"}});
}
}  // namespace

TEST(WorkbookReader, OdsValuesAsStoredAndRepeatsWithoutMaterialising) {
    const std::string strTables =
        "<table:table table:name=\"Other\"><table:table-row><table:table-cell office:value-type=\"float\" office:value=\"9\"/></table:table-row></table:table>"
        "<table:table table:name=\"Weapons\"><table:table-column table:number-columns-repeated=\"1024\"/>"
        "<table:table-header-rows><table:table-row><table:table-cell office:value-type=\"string\"><text:p>Name</text:p>"
        "<office:annotation><text:p>a note, not the value</text:p></office:annotation></table:table-cell>"
        "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"percentage\" office:value=\"0.125\"><text:p>13%</text:p></table:table-cell>"
        "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row></table:table-header-rows>"
        "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell office:value-type=\"float\" office:value=\"1.5\"><text:p>1.50</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"3\"><table:table-cell table:number-columns-repeated=\"5\"/></table:table-row>"
        "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>two<text:s text:c=\"2\"/>lines</text:p><text:p>and <text:span>a span</text:span><text:line-break/>end</text:p></table:table-cell>"
        "<table:covered-table-cell/><table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-01T12:00:00\"/>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT06H00M00S\"/>"
        "<table:table-cell office:value-type=\"currency\" office:value=\"-2\"/></table:table-row>"
        "<table:table-row><table:table-cell table:formula=\"of:=1/0\" office:value-type=\"float\" office:value=\"0\" calcext:value-type=\"error\"><text:p>#DIV/0!</text:p></table:table-cell>"
        "<table:table-cell table:formula=\"of:=[.A1]\"/><table:table-cell office:value-type=\"string\"><text:p>a<text:tab/>b</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell table:number-columns-repeated=\"1024\"/></table:table-row>"
        "</table:table>";
    const SRead read = Read(OdsOf(strTables));
    ASSERT_TRUE(read.bRead) << read.strError;
    EXPECT_EQ("Name\t12.5%\t12.5%\t\t\t\r\n"
              "1.5\t\t\t\t\t\r\n"
              "1.5\t\t\t\t\t\r\n"
              "\t\t\t\t\t\r\n\t\t\t\t\t\r\n\t\t\t\t\t\r\n"
              "two  lines and a span end\t\t1\t45292.5\t0.25\t-2\r\n",
              read.strText);
    EXPECT_EQ("Weapons!A8: the error value #DIV/0!\n"
              "Weapons!B8: a formula without a stored result (open and save the workbook in a spreadsheet program to compute it)\n"
              "Weapons!C8: a tab in the text, which would split the cell\n",
              read.strProblems);
}

TEST(WorkbookReader, OdsBoundsHoldAgainstRepeatedValues) {
    // A value repeated across a million rows and thousands of columns is refused by the size
    // bound, not materialised.
    const SRead many = Read(OdsOf(
        "<table:table table:name=\"Weapons\"><table:table-row table:number-rows-repeated=\"1048576\">"
        "<table:table-cell table:number-columns-repeated=\"16384\" office:value-type=\"float\" office:value=\"1\"/>"
        "</table:table-row></table:table>"));
    EXPECT_FALSE(many.bRead);
    EXPECT_NE(std::string::npos, many.strError.find("MiB")) << many.strError;
    const SRead wide = Read(OdsOf(
        "<table:table table:name=\"Weapons\"><table:table-row>"
        "<table:table-cell table:number-columns-repeated=\"16384\"/><table:table-cell office:value-type=\"float\" office:value=\"1\"/>"
        "</table:table-row></table:table>"));
    EXPECT_FALSE(wide.bRead);
    EXPECT_NE(std::string::npos, wide.strError.find("past the last row or column")) << wide.strError;
}
