// Writes an Office Open XML workbook (.xlsx): the sheets' cells, frozen header lines, a note
// per column and list validation, nothing more. Only what itembook's import needs, so that the
// designers' spreadsheet opens the workbook with the columns already explained.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SBookCell {
    enum class EKind : std::uint8_t { Empty, Number, Percent, Text };
    EKind kind = EKind::Empty;
    double fNumber = 0.0;  // Number and Percent (the stored fraction: 0.25 shows as 25%)
    std::string strText;   // Text, UTF-8
};

// A cell's note (a comment), shown when the pointer rests on the cell.
struct SBookNote {
    std::uint32_t nRow = 0;     // from 1, as the sheet numbers rows
    std::uint32_t nColumn = 0;  // from 1 (A)
    std::string strText;
};

// A dropdown over a rectangle of one column: the values are those of a range of cells, such as
// "'Word Lists'!$A$1:$A$12" or "Materials!$A$3:$A$65537".
struct SBookValidation {
    std::uint32_t nColumn = 0;  // from 1
    std::uint32_t nFirstRow = 0, nLastRow = 0;  // from 1, inclusive
    std::string strRange;
    // Refuse other values while typing (true), or only show the list and accept any value.
    bool bStrict = true;
    std::string strPrompt;  // the error's text when refused; may be empty
};

struct SBookSheet {
    std::string strName;                      // at most 31 characters, none of \ / ? * : [ ]
    std::vector<std::vector<SBookCell>> rows;  // rows[0] is row 1; trailing cells may be absent
    std::uint32_t nFrozenRows = 0;            // these rows stay in view and are set apart (bold)
    std::vector<SBookNote> notes;
    std::vector<SBookValidation> validations;
    bool bHidden = false;
};

// The bytes of the .xlsx file holding the sheets in order (the first visible one is active).
// A workbook needs a visible sheet: with none, the first is shown; with no sheets at all, the
// workbook holds one empty sheet. Any bytes make a valid file: text that is not UTF-8 reads as
// U+FFFD, and notes, validations and cells outside the grid (1048576 rows, 16384 columns) are
// left out. Throws std::length_error when the file would reach 4 GiB (see CZipWriter).
std::string XlsxOf(const std::vector<SBookSheet>& sheets);
