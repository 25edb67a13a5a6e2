#include "tools/workbook/XlsxWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <map>
#include <random>
#include <stdexcept>
#include <string>

#include "testsupport/TestUtil.h"
#include "tools/workbook/ZipWriter.h"

namespace {

std::uint32_t Get16(std::string_view str, std::size_t nAt) {
    return static_cast<unsigned char>(str.at(nAt)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(str.at(nAt + 1))) << 8;
}

std::uint32_t Get32(std::string_view str, std::size_t nAt) {
    return Get16(str, nAt) | Get16(str, nAt + 2) << 16;
}

std::string Inflated(std::string_view data, std::size_t nSize) {
    std::string strOut(nSize, '\0');
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
    stream.avail_out = static_cast<uInt>(nSize);
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(stream.avail_out, 0u);
    inflateEnd(&stream);
    return strOut;
}

struct SEntry {
    std::uint32_t nMethod = 0;
    std::string strData;
};

// Reads an archive the way unzip does: from the end record through the central directory to
// each local header, checking that the two agree and that each entry's CRC is right.
std::map<std::string, SEntry> Unzipped(std::string_view zip) {
    std::map<std::string, SEntry> entries;
    const std::size_t nEnd = zip.size() - 22;
    EXPECT_EQ(Get32(zip, nEnd), 0x06054b50u);
    const std::uint32_t nCount = Get16(zip, nEnd + 10);
    EXPECT_EQ(Get16(zip, nEnd + 8), nCount);
    std::size_t nAt = Get32(zip, nEnd + 16);
    EXPECT_EQ(nAt + Get32(zip, nEnd + 12), nEnd);
    for (std::uint32_t n = 0; n < nCount; ++n) {
        EXPECT_EQ(Get32(zip, nAt), 0x02014b50u);
        const std::string strName(zip.substr(nAt + 46, Get16(zip, nAt + 28)));
        const std::size_t nLocal = Get32(zip, nAt + 42);
        EXPECT_EQ(Get32(zip, nLocal), 0x04034b50u);
        EXPECT_EQ(zip.substr(nLocal + 4, 26), zip.substr(nAt + 6, 26)) << strName;
        SEntry& entry = entries[strName];
        entry.nMethod = Get16(zip, nAt + 10);
        const std::string_view data =
            zip.substr(nLocal + 30 + strName.size(), Get32(zip, nAt + 20));
        const std::uint32_t nSize = Get32(zip, nAt + 24);
        entry.strData = entry.nMethod == 8 ? Inflated(data, nSize) : std::string(data);
        EXPECT_EQ(entry.strData.size(), nSize);
        const auto* pBytes = reinterpret_cast<const Bytef*>(entry.strData.data());
        EXPECT_EQ(crc32(0, pBytes, static_cast<uInt>(nSize)), Get32(zip, nAt + 16)) << strName;
        nAt += 46 + strName.size() + Get16(zip, nAt + 30) + Get16(zip, nAt + 32);
    }
    return entries;
}

std::string Noise(std::size_t nSize) {
    std::mt19937 random(7);
    std::string str(nSize, '\0');
    for (char& c : str) c = static_cast<char>(random() & 0xFF);
    return str;
}

TEST(ZipWriter, EntriesReadBackWithTheirCrcs) {
    CZipWriter zip;
    const std::string strText(5000, 'a');
    zip.Add("xl/a.xml", strText);
    zip.Add("empty", "");
    zip.Add("noise.bin", Noise(3u << 20));
    zip.Add("Größe.txt", "é");
    const auto entries = Unzipped(zip.Finish());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries.at("xl/a.xml").strData, strText);
    EXPECT_EQ(entries.at("xl/a.xml").nMethod, 8u);
    EXPECT_EQ(entries.at("empty").strData, "");
    EXPECT_EQ(entries.at("noise.bin").strData, Noise(3u << 20));
    EXPECT_EQ(entries.at("noise.bin").nMethod, 0u);  // stored: deflating made it larger
    EXPECT_EQ(entries.at("Größe.txt").strData, "é");
}

TEST(ZipWriter, FinishEmptiesTheWriter) {
    CZipWriter zip;
    zip.Add("a", "1");
    zip.Finish();
    const std::string strEmpty = zip.Finish();
    EXPECT_EQ(strEmpty.size(), 22u);
    EXPECT_TRUE(Unzipped(strEmpty).empty());
}

TEST(ZipWriter, RefusesWhatNeedsZip64) {
    CZipWriter zip;
    EXPECT_THROW(zip.Add(std::string(65536, 'n'), "x"), std::length_error);
    for (int n = 0; n < 65535; ++n) zip.Add(std::to_string(n), "");
    EXPECT_THROW(zip.Add("one too many", "x"), std::length_error);
    const auto entries = Unzipped(zip.Finish());
    EXPECT_EQ(entries.size(), 65535u);
    EXPECT_EQ(entries.count("one too many"), 0u);
}

SBookCell Number(double f) { return {SBookCell::EKind::Number, f, {}}; }
SBookCell Percent(double f) { return {SBookCell::EKind::Percent, f, {}}; }
SBookCell Text(std::string str) { return {SBookCell::EKind::Text, 0.0, std::move(str)}; }

// The workbook the real programs check too: a table with two header rows and a hidden list.
std::vector<SBookSheet> SampleBook() {
    SBookSheet items;
    items.strName = "Items & Co";
    items.nFrozenRows = 2;
    items.rows = {
        {Text("Name"), Text("Weight"), Text("Chance"), Text("Material"), Text("Kind")},
        {Text("text"), Text("number")},
        {Text("<Sword & \"Shield\">"), Number(2.5), Percent(0.125), Text("Iron"), Text("Blade")},
        {Text("  Axe"), Number(1e21), Percent(0.25), Text("Oak"), Text("Blunt")},
        {Text("Two\nlines"), Number(-0.1), Percent(0.0007)},
    };
    items.notes = {{1, 1, "The item's name"}, {1, 3, "Chance to drop, 0% to 100%"}};
    items.validations = {{5, 3, 1000, "'Word Lists'!$A$1:$A$2", true, "Blade or Blunt"},
                         {4, 3, 1000, "'Items & Co'!$D$3:$D$65537", false, ""}};
    SBookSheet words;
    words.strName = "Word Lists";
    words.bHidden = true;
    words.rows = {{Text("Blade")}, {Text("Blunt")}};
    return {items, words};
}

std::map<std::string, SEntry> SampleParts() { return Unzipped(XlsxOf(SampleBook())); }

TEST(XlsxWriter, HasThePackageParts) {
    const auto parts = SampleParts();
    for (const char* pszName :
         {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
          "xl/styles.xml", "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml",
          "xl/worksheets/sheet2.xml", "xl/worksheets/_rels/sheet1.xml.rels", "xl/comments1.xml",
          "xl/drawings/vmlDrawing1.vml"}) {
        EXPECT_EQ(parts.count(pszName), 1u) << pszName;
    }
    EXPECT_EQ(parts.size(), 11u);  // the hidden list has no notes
    const std::string& strBook = parts.at("xl/workbook.xml").strData;
    EXPECT_NE(strBook.find("<sheet name=\"Items &amp; Co\" sheetId=\"1\" r:id=\"rId1\"/>"),
              std::string::npos);
    EXPECT_NE(strBook.find("name=\"Word Lists\" sheetId=\"2\" state=\"hidden\""),
              std::string::npos);
}

TEST(XlsxWriter, EscapesTextTheSpreadsheetWay) {
    SBookSheet sheet;
    sheet.strName = "S";
    sheet.rows = {{Text("a\x01z"), Text("_x0041_"), Text("bad \xC3\x28 \xED\xA0\x80"),
                   Text(" lead"), Text("_x00G1_")}};
    const std::string strStrings = Unzipped(XlsxOf({sheet})).at("xl/sharedStrings.xml").strData;
    EXPECT_NE(strStrings.find("<si><t>a_x0001_z</t></si>"), std::string::npos);
    EXPECT_NE(strStrings.find("<si><t>_x005F_x0041_</t></si>"), std::string::npos);
    EXPECT_NE(strStrings.find("<si><t>bad \uFFFD( \uFFFD\uFFFD\uFFFD</t></si>"), std::string::npos);
    EXPECT_NE(strStrings.find("<si><t xml:space=\"preserve\"> lead</t></si>"), std::string::npos);
    EXPECT_NE(strStrings.find("<si><t>_x00G1_</t></si>"), std::string::npos);
}

TEST(XlsxWriter, PercentsShowTheDecimalsTheyHave) {
    const auto parts = SampleParts();
    const std::string& strStyles = parts.at("xl/styles.xml").strData;
    EXPECT_NE(strStyles.find("formatCode=\"0.0%\""), std::string::npos);   // 12.5%
    EXPECT_NE(strStyles.find("formatCode=\"0.00%\""), std::string::npos);  // 0.07%
    EXPECT_NE(strStyles.find("<xf numFmtId=\"9\""), std::string::npos);    // 25%
    const std::string& strSheet = parts.at("xl/worksheets/sheet1.xml").strData;
    EXPECT_NE(strSheet.find("<v>0.125</v>"), std::string::npos);
    EXPECT_NE(strSheet.find("<v>1e+21</v>"), std::string::npos);
}

TEST(XlsxWriter, SheetElementsComeInTheirOrder) {
    const std::string strSheet = SampleParts().at("xl/worksheets/sheet1.xml").strData;
    std::size_t nLast = 0;
    for (const char* pszElement :
         {"<dimension ref=\"A1:E5\"/>", "<sheetViews>",
          "<pane ySplit=\"2\" topLeftCell=\"A3\" activePane=\"bottomLeft\" state=\"frozen\"/>",
          "<sheetFormatPr", "<cols>", "<sheetData>", "<dataValidations count=\"2\">",
          "<legacyDrawing r:id=\"rId2\"/>"}) {
        const std::size_t nAt = strSheet.find(pszElement);
        ASSERT_NE(nAt, std::string::npos) << pszElement;
        EXPECT_GT(nAt, nLast) << pszElement;
        nLast = nAt;
    }
    EXPECT_EQ(strSheet.find("showDropDown"), std::string::npos);
    EXPECT_NE(strSheet.find("errorStyle=\"stop\" allowBlank=\"1\" showErrorMessage=\"1\" "
                            "error=\"Blade or Blunt\" sqref=\"E3:E1000\"><formula1>'Word "
                            "Lists'!$A$1:$A$2</formula1>"),
              std::string::npos);
    EXPECT_NE(strSheet.find("errorStyle=\"information\""), std::string::npos);
    EXPECT_NE(strSheet.find("<formula1>'Items &amp; Co'!$D$3:$D$65537</formula1>"),
              std::string::npos);
}

TEST(XlsxWriter, HeaderRowsAreStyledAcrossTheTable) {
    const std::string strSheet = SampleParts().at("xl/worksheets/sheet1.xml").strData;
    // Row 2 has two cells; its three empty ones carry the header style all the same.
    const std::size_t nRow = strSheet.find("<row r=\"2\">");
    ASSERT_NE(nRow, std::string::npos);
    const std::string strRow = strSheet.substr(nRow, strSheet.find("</row>", nRow) - nRow);
    EXPECT_NE(strRow.find("<c r=\"E2\" s=\"1\"/>"), std::string::npos) << strRow;
    EXPECT_NE(strSheet.find("<c r=\"A1\" s=\"1\" t=\"s\">"), std::string::npos);
    EXPECT_NE(strSheet.find("<c r=\"B3\"><v>2.5</v></c>"), std::string::npos);
}

TEST(XlsxWriter, OddInputStillMakesAWorkbook) {
    EXPECT_NE(Unzipped(XlsxOf({})).at("xl/workbook.xml").strData.find("name=\"Sheet1\""),
              std::string::npos);
    SBookSheet sheet;
    sheet.strName = "Only";
    sheet.nFrozenRows = 0xFFFFFFFF;
    sheet.bHidden = true;
    sheet.rows = {{Number(std::nan("")), Percent(-1.0 / 0.0)}};
    sheet.notes = {{0, 1, "off the grid"}, {1, 16385, "too"}, {2, 2, "a"}, {2, 2, "b"}};
    sheet.validations = {{0, 1, 2, "x", true, ""}, {1, 3, 2, "x", true, ""}, {1, 1, 2, "", 1, ""}};
    const auto parts = Unzipped(XlsxOf({sheet}));
    EXPECT_EQ(parts.at("xl/workbook.xml").strData.find("hidden"), std::string::npos);
    const std::string& strSheet = parts.at("xl/worksheets/sheet1.xml").strData;
    EXPECT_NE(strSheet.find("t=\"e\"><v>#NUM!</v>"), std::string::npos);
    EXPECT_EQ(strSheet.find("dataValidation"), std::string::npos);
    EXPECT_NE(strSheet.find("ySplit=\"1048575\""), std::string::npos);
    const std::string& strComments = parts.at("xl/comments1.xml").strData;
    EXPECT_NE(strComments.find("<comment ref=\"B2\" authorId=\"0\"><text><t "
                               "xml:space=\"preserve\">a\nb</t></text></comment></commentList>"),
              std::string::npos);
}

// The programs the designers use open the workbook: the script converts it with LibreOffice
// and Gnumeric and checks what they read. It reports a missing program and passes.
TEST(XlsxWriter, SpreadsheetProgramsReadIt) {
#ifdef _WIN32
    GTEST_SKIP() << "the spreadsheet programs run on the Linux build";
#else
    testutil::CTempDir dir;
    testutil::WriteFile(dir / "noise.bin", Noise(1u << 20));
    testutil::WriteFile(dir / "book.xlsx", XlsxOf(SampleBook()));
    // Every ASCII character in cell A1 (which the script reads back), then bytes that are not
    // UTF-8 wherever text goes.
    std::string strAscii;
    for (char c = 1; c > 0; ++c) strAscii += c;
    const std::string strBytes = Noise(300) + "\xF4\x90\x80\x80 \xEF\xBF\xBE _x12_ <&>'\"";
    SBookSheet odd;
    odd.strName = strBytes.substr(0, 31);
    odd.rows = {{Text(strAscii + "_x0041_")}, {Text(strBytes)}};
    odd.notes = {{1, 1, strBytes}};
    odd.validations = {{1, 2, 9, strBytes, true, strBytes}};
    testutil::WriteFile(dir / "odd.xlsx", XlsxOf({odd}));
    CZipWriter zip;
    zip.Add("empty", "");
    zip.Add("noise.bin", Noise(1u << 20));
    zip.Add("dir/text.txt", std::string(100000, 'x'));
    testutil::WriteFile(dir / "sample.zip", zip.Finish());
    const std::string strCommand = "sh '" MARROW_CHECK_WRITER "' '" + dir.Path().string() + "'";
    EXPECT_EQ(std::system(strCommand.c_str()), 0);
#endif
}

}  // namespace
