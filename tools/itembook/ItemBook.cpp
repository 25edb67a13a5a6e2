#include "tools/itembook/ItemBook.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "itemdb/Columns.h"
#include "itemdb/Vocabulary.h"
#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"
#include "tableconv/TableConverter.h"
#include "tools/itemcheck/ItemCheck.h"
#include "tools/itemcheck/ItemWorkbook.h"

namespace {
constexpr char USAGE[] =
    "itembook: the six item tables to and from a workbook (.xlsx, .ods).\n"
    "Usage: itembook export <book.xlsx> [<folder>]\n"
    "                       writes the tables of the folder (default: here) from the sheets\n"
    "                       named after them (\"Weapons\" or \"Weapons.txt\"); values as stored;\n"
    "                       a table whose text would not change is left alone\n"
    "       itembook import [<folder>] <book.xlsx> [--force]\n"
    "                       writes a workbook from the tables (an empty one for a missing\n"
    "                       table), with a note on every column and dropdowns of the words;\n"
    "                       without --force it never replaces a workbook\n"
    "       itembook --version\n"
    "Exit status: 0 done, 1 findings (nothing written but what is said), 2 could not run.\n";

constexpr char WORD_LISTS_SHEET[] = "Word Lists";
// The rows a table can have: two header lines and 65,535 rows.
constexpr std::uint32_t LAST_TABLE_ROW = 65537;

std::string JoinPath(const std::string& strDirectory, const char* pszName) {
    if (strDirectory.empty() || strDirectory == ".") return pszName;
    const char chLast = strDirectory.back();
    if (chLast == '/' || chLast == platform::PATH_SEPARATOR) return strDirectory + pszName;
    return strDirectory + platform::PATH_SEPARATOR + pszName;
}

std::string Quote(std::string_view str) { return "\"" + std::string(str) + "\""; }

// ---- export ----

int Export(const std::string& strBook, const std::string& strDirectory, std::string& strOut,
           std::string& strErr) {
    std::error_code error;
    if (!std::filesystem::is_directory(strDirectory.empty() ? "." : strDirectory, error)) {
        strErr += "itembook: there is no folder " + Quote(strDirectory) + ".\n";
        return BOOK_FAILED;
    }
    SItemWorkbook book;
    std::string strError;
    if (!ReadItemWorkbook(strBook, book, strError)) {
        strErr += "itembook: " + Quote(strBook) + " cannot be read: " + strError + ".\n";
        return BOOK_FAILED;
    }
    if (!book.problems.empty()) {
        // A table written from a sheet with a value left out would build without a word.
        for (const SCellProblem& problem : book.problems)
            strOut += WorkbookPlace(strBook, problem.strSheet, problem.nRow, problem.nColumn) +
                      problem.strText + "\n";
        strOut += "Nothing written: " + std::to_string(book.problems.size()) +
                  (book.problems.size() == 1 ? " finding" : " findings") + " in " + Quote(strBook) + ".\n";
        return BOOK_FINDINGS;
    }
    bool bFindings = false;
    for (const SKindSheet& sheet : book.kinds) {
        const std::string strTable = JoinPath(strDirectory, sheet.pKind->pszTable);
        if (sheet.strSheet.empty() || sheet.strText.empty()) {
            strOut += WorkbookPlace(strBook, sheet.strSheet, 0, 0) +
                      (sheet.strSheet.empty() ? "no sheet " + Quote(SheetNameOf(sheet.pKind->pszTable))
                                              : std::string("the sheet is empty")) +
                      "; " + Quote(strTable) + " left as it is.\n";
            bFindings = true;
            continue;
        }
        std::string strOld;
        if (platform::FileExists(strTable.c_str()) && platform::ReadWholeFile(strTable.c_str(), 0xFFFFFFF0u, strOld) == platform::WholeFile::READ &&
            strOld == sheet.strText) {
            strOut += Quote(strTable) + ": unchanged.\n";
            continue;
        }
        if (!platform::WriteWholeFile(strTable, sheet.strText)) {
            strErr += "itembook: cannot write " + Quote(strTable) + " (" +
                      platform::ErrorText(platform::LastError()) + ").\n";
            return BOOK_FAILED;
        }
        strOut += Quote(strTable) + ": written from the sheet " + Quote(sheet.strSheet) + ".\n";
    }
    return bFindings ? BOOK_FINDINGS : BOOK_DONE;
}

// ---- import ----

// Reads a table's rows and full column names with the builders' own reader.
class CTableRows : public CTableConverter {
public:
    bool Save(const char*) override { return false; }
    const std::vector<std::string>& ColumnNames() const { return m_columnNames; }
    void Rewind(const char* pCursor) { m_pCursor = pCursor; }
    const char* Cursor() const { return m_pCursor; }
};

// A number as the column's getter reads it, when the cell holds one that a sheet can store
// without changing what the build gets: an integer column takes digits only (its getter stops
// at a point), a number column any decimal number; "25%" is the fraction 0.25, moved by two
// digits in its text so that no rounding comes in.
bool CellNumber(std::string_view strCell, EColumnType type, double& fValue, bool& bPercent) {
    const std::string_view strCore = WithoutPercent(strCell);
    bPercent = strCore.size() != strCell.size();
    std::string strNumber(strCore);
    if (strNumber.starts_with("\xE2\x88\x92")) strNumber.replace(0, 3, "-");  // U+2212
    if (strNumber.empty() || strNumber.size() > 40) return false;
    const bool bNegative = strNumber[0] == '-';
    const std::string_view strDigits = std::string_view(strNumber).substr(bNegative ? 1 : 0);
    if (strDigits.empty()) return false;
    if (type == EColumnType::Int) {
        if (strDigits.find_first_not_of("0123456789") != std::string_view::npos) return false;
    } else if (type != EColumnType::Float ||
               strDigits.find_first_not_of("0123456789.") != std::string_view::npos ||
               strDigits.find_first_of("0123456789") == std::string_view::npos) {
        return false;
    }
    if (bPercent) {
        // "12.5" as "0.125": the point moves two places left.
        std::string strWhole(strDigits.substr(0, strDigits.find('.')));
        const std::string strFraction = strDigits.find('.') == std::string_view::npos
                                            ? std::string() : std::string(strDigits.substr(strDigits.find('.') + 1));
        if (strFraction.find('.') != std::string::npos) return false;
        strWhole.insert(0, std::string(strWhole.size() < 2 ? 2 - strWhole.size() : 0, '0'));
        const std::string strLead = strWhole.substr(0, strWhole.size() - 2);
        strNumber = (bNegative ? "-" : "") + (strLead.empty() ? "0" : strLead) + "." +
                    strWhole.substr(strWhole.size() - 2) + strFraction;
    }
    const auto result = std::from_chars(strNumber.data(), strNumber.data() + strNumber.size(), fValue);
    return result.ec == std::errc() && result.ptr == strNumber.data() + strNumber.size() &&
           std::isfinite(fValue);
}

const SColumnInfo* ColumnNamed(const SKindColumns& kind, std::string_view strName) {
    for (const SColumnInfo* pColumn : kind.columns)
        if (EqualNoCase(pColumn->pszName, strName)) return pColumn;
    return nullptr;
}

// The word lists the dropdowns offer, one column each of the hidden sheet.
struct SWordList {
    EVocabulary vocabulary;
    EValueRule rule;  // the columns that take a word of it
};
constexpr SWordList WORD_LISTS[] = {
    {EVocabulary::WeaponNames, EValueRule::WeaponName},
    {EVocabulary::ArmorNames, EValueRule::ArmorName},
    {EVocabulary::QuickItemTypes, EValueRule::QuickType},
    {EVocabulary::LootTypes, EValueRule::LootType},
    {EVocabulary::DamageTypes, EValueRule::DamageType},
    {EVocabulary::InstructionTypes, EValueRule::Any},
};

SBookSheet WordListsSheet(std::vector<std::string>& ranges) {
    SBookSheet sheet;
    sheet.strName = WORD_LISTS_SHEET;
    sheet.bHidden = true;
    for (std::uint32_t nList = 0; nList < std::size(WORD_LISTS); ++nList) {
        std::uint32_t nRow = 0;
        for (const std::string_view strWord : VocabularyWords(WORD_LISTS[nList].vocabulary)) {
            if (strWord.empty()) continue;
            if (sheet.rows.size() <= nRow) sheet.rows.resize(nRow + 1);
            std::vector<SBookCell>& row = sheet.rows[nRow];
            row.resize(std::max<size_t>(row.size(), nList + 1));
            row[nList].kind = SBookCell::EKind::Text;
            row[nList].strText = strWord;
            ++nRow;
        }
        const std::string strColumn = ColumnLetters(nList + 1);
        ranges.push_back("'" + std::string(WORD_LISTS_SHEET) + "'!$" + strColumn + "$1:$" + strColumn +
                         "$" + std::to_string(std::max<std::uint32_t>(nRow, 1)));
    }
    return sheet;
}

bool SheetOfTable(const std::string& strDirectory, const SKindColumns& kind,
                  const std::vector<std::string>& wordRanges, std::string& strMaterialRange,
                  SBookSheet& sheet, std::string& strError) {
    const std::string strPath = JoinPath(strDirectory, kind.pszTable);
    CTableRows table;
    if (platform::PathExists(strPath.c_str())) {
        if (!platform::FileExists(strPath.c_str()) || !table.LoadFile(strPath.c_str())) {
            strError = Quote(strPath) + " is there but cannot be read";
            return false;
        }
    } else {
        table.LoadText(HeaderLinesOf(kind), kind.pszTable);
    }
    sheet.strName = SheetNameOf(kind.pszTable);
    sheet.nFrozenRows = 2;
    const char* pStart = table.Cursor();
    STableRow row;
    std::vector<std::vector<std::string>> header(2);
    for (auto& cells : header)
        if (table.GetNextRow(row)) cells.assign(row.cells.begin(), row.cells.end());
    table.Rewind(pStart);
    // The builders' own reading of the header gives each cell's full column name; a header it
    // refuses leaves every cell text.
    std::vector<const SColumnInfo*> columns;
    if (table.ParseHeader())
        for (const std::string& strName : table.ColumnNames()) columns.push_back(ColumnNamed(kind, strName));
    else
        table.Rewind(pStart), table.GetNextRow(row), table.GetNextRow(row);
    for (const auto& cells : header) {
        std::vector<SBookCell>& sheetRow = sheet.rows.emplace_back();
        for (const std::string& strCell : cells) {
            SBookCell& cell = sheetRow.emplace_back();
            if (!strCell.empty()) cell.kind = SBookCell::EKind::Text, cell.strText = strCell;
        }
    }
    while (table.GetNextRow(row)) {
        std::vector<SBookCell>& sheetRow = sheet.rows.emplace_back();
        for (size_t i = 0; i < row.cells.size(); ++i) {
            SBookCell& cell = sheetRow.emplace_back();
            const std::string_view strCell = row.cells[i];
            if (strCell.empty()) continue;
            const SColumnInfo* pColumn = i < columns.size() ? columns[i] : nullptr;
            bool bPercent = false;
            if (pColumn && CellNumber(strCell, pColumn->type, cell.fNumber, bPercent)) {
                cell.kind = bPercent ? SBookCell::EKind::Percent : SBookCell::EKind::Number;
            } else {
                cell.kind = SBookCell::EKind::Text;
                cell.strText = strCell;
            }
        }
    }
    // A note on each column the builder reads, and its dropdown.
    for (std::uint32_t i = 0; i < columns.size(); ++i) {
        const SColumnInfo* pColumn = columns[i];
        if (!pColumn) continue;
        const std::uint32_t nColumn = i + 1;
        const bool bOneColumnGroup = !*pColumn->pszSub;
        sheet.notes.push_back({bOneColumnGroup ? 1u : 2u, nColumn, ColumnNoteOf(*pColumn)});
        std::string strRange;
        bool bStrict = true;
        if (pColumn->rule == EValueRule::Material) {
            strRange = strMaterialRange;
        } else if (&kind == &AllKinds()[5] && pColumn == &columns::NAME) {
            // A loot item named after an instruction type is that instruction; others are free.
            strRange = wordRanges[5];
            bStrict = false;
        } else {
            for (size_t nList = 0; nList + 1 < std::size(WORD_LISTS); ++nList)
                if (WORD_LISTS[nList].rule == pColumn->rule) strRange = wordRanges[nList];
        }
        if (strRange.empty()) continue;
        const std::string strWhat = pColumn->rule == EValueRule::Material ? "a name of the Materials sheet"
                                                                           : "a word of the list";
        sheet.validations.push_back({nColumn, 3, LAST_TABLE_ROW, strRange, bStrict,
                                     std::string(pColumn->pszName) + " takes " + strWhat + "."});
    }
    if (&kind == &AllKinds().front()) {
        // The material columns of the other kinds offer this sheet's names, as a range, so that
        // a material added here is offered at once.
        std::uint32_t nNameColumn = 1;
        for (std::uint32_t i = 0; i < columns.size(); ++i)
            if (columns[i] == &columns::NAME) nNameColumn = i + 1;
        const std::string strColumn = ColumnLetters(nNameColumn);
        strMaterialRange = sheet.strName + "!$" + strColumn + "$3:$" + strColumn + "$" +
                           std::to_string(LAST_TABLE_ROW);
    }
    return true;
}

int Import(const std::string& strDirectory, const std::string& strBook, bool bForce,
           std::string& strOut, std::string& strErr) {
    if (!IsWorkbookPath(strBook) || (!strBook.ends_with("x") && !strBook.ends_with("X"))) {
        strErr += "itembook: import writes .xlsx workbooks, not " + Quote(strBook) +
                  " (every spreadsheet program opens them and can save them as .ods).\n";
        return BOOK_FAILED;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(strDirectory.empty() ? "." : strDirectory, error)) {
        strErr += "itembook: there is no folder " + Quote(strDirectory) + ".\n";
        return BOOK_FAILED;
    }
    if (platform::PathExists(strBook.c_str()) && !bForce) {
        strErr += "itembook: not replacing " + Quote(strBook) + "; --force replaces it.\n";
        return BOOK_FAILED;
    }
    std::vector<SBookSheet> sheets;
    std::string strError;
    if (!SheetsOfTables(strDirectory, sheets, strError)) {
        strErr += "itembook: " + strError + ".\n";
        return BOOK_FAILED;
    }
    std::string strBytes;
    try {
        strBytes = XlsxOf(sheets);
    } catch (const std::length_error&) {
        strErr += "itembook: the tables are too large for one workbook (4 GiB); nothing written.\n";
        return BOOK_FAILED;
    }
    if (!platform::WriteWholeFile(strBook, strBytes)) {
        strErr += "itembook: cannot write " + Quote(strBook) + " (" +
                  platform::ErrorText(platform::LastError()) + ").\n";
        return BOOK_FAILED;
    }
    for (const SKindColumns& kind : AllKinds()) {
        const std::string strTable = JoinPath(strDirectory, kind.pszTable);
        strOut += Quote(strTable) + (platform::FileExists(strTable.c_str()) ? ": sheet " : ": missing, empty sheet ") +
                  Quote(SheetNameOf(kind.pszTable)) + ".\n";
    }
    strOut += "Wrote " + Quote(strBook) + ".\n";
    return BOOK_DONE;
}
}  // namespace

bool SheetsOfTables(const std::string& strDirectory, std::vector<SBookSheet>& sheets,
                    std::string& strError) {
    std::vector<std::string> wordRanges;
    SBookSheet wordLists = WordListsSheet(wordRanges);
    std::string strMaterialRange;
    for (const SKindColumns& kind : AllKinds()) {
        SBookSheet& sheet = sheets.emplace_back();
        if (!SheetOfTable(strDirectory, kind, wordRanges, strMaterialRange, sheet, strError)) return false;
    }
    sheets.push_back(std::move(wordLists));
    return true;
}

int RunItemBook(const std::vector<std::string>& args, std::string& strOut, std::string& strErr) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
        strOut += USAGE;
        return BOOK_DONE;
    }
    if (args.size() == 1 && args[0] == "--version") {
        strOut += "itembook " MARROW_VERSION "\n";
        return BOOK_DONE;
    }
    std::vector<std::string> operands;
    bool bForce = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--force") bForce = true;
        else operands.push_back(args[i]);
    }
    if (!args.empty() && args[0] == "export" && !bForce && (operands.size() == 1 || operands.size() == 2))
        return Export(operands[0], operands.size() == 2 ? operands[1] : ".", strOut, strErr);
    if (!args.empty() && args[0] == "import" && (operands.size() == 1 || operands.size() == 2))
        return Import(operands.size() == 2 ? operands[0] : ".", operands.back(), bForce, strOut, strErr);
    strErr += USAGE;
    return BOOK_FAILED;
}
