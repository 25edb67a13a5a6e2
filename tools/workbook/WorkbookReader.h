// Reads a workbook (.xlsx or .ods) into one tab-separated text per sheet, with the values as the
// sheet stores them rather than as it shows them: numbers in their shortest round-trip form,
// a number formatted as a percentage as its percent (0.125 as "12.5%"), a formula's stored
// result, booleans and dates as the numbers behind them. Line breaks in a cell become one space;
// a text with a comma or a leading quote is quoted, as a spreadsheet's text export quotes.
//
// Memory is bounded: one part of the archive at a time (CZipReader::MAX_PART_SIZE), the shared
// strings, and the texts of the wanted sheets, each at most MAX_SHEET_TEXT bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SSheetText {
    std::string strName;  // as the workbook names the sheet
    bool bRead = false;   // false: not wanted, so not read
    // One CRLF-ended line per row from row 1 to the last row holding a value, every line as
    // many cells wide as the widest; line N is the sheet's row N. Empty when no cell has a value.
    std::string strText;
};

// A cell whose value cannot go into a table as it is.
struct SCellProblem {
    std::string strSheet;
    std::uint32_t nRow = 0, nColumn = 0;  // from 1
    std::string strText;
};

struct SWorkbook {
    std::vector<SSheetText> sheets;  // in the workbook's order
    std::vector<SCellProblem> problems;
};

inline constexpr std::uint32_t MAX_SHEET_TEXT = 256u << 20;
inline constexpr std::uint32_t MAX_ROWS = 1048576;    // the most any spreadsheet program has
inline constexpr std::uint32_t MAX_COLUMNS = 16384;   // A to XFD

// Reads the workbook in data, its kind told by its content. Only the sheets for which wanted
// (given the sheet's name) is true are read. False, with the cause in strError (naming the part
// and what is wrong), when the workbook cannot be read whole; cells that cannot be taken are
// listed in problems instead, and their cells left empty.
bool ReadWorkbook(std::string_view data, const std::function<bool(std::string_view)>& wanted,
                  SWorkbook& book, std::string& strError);

// A spreadsheet's name of a column, from 1: A to Z, then AA, AB ...
std::string ColumnLetters(std::uint32_t nColumn);
// "N5".
std::string CellName(std::uint32_t nRow, std::uint32_t nColumn);
// The shortest text that reads back as the value, without exponent: "1.25", "-3", "0.001".
std::string NumberText(double fValue);
// The value as a percentage, moved by two digits in its shortest text: 0.125 gives "12.5%".
std::string PercentText(double fValue);
