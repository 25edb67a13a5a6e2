// Reads one tab-separated item table at a time: its lines and cells, and the full column names
// that its two header lines make (group name + sub-column name). The second job of the class,
// writing the rows out for the registry conversion, is in RegistryConversion.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CFileRegistry;

// One row of a table as the sheet showed it. A cell that begins with a double quote is read as
// spreadsheets write it: up to its closing quote, "" as one quote, tabs and line breaks inside it
// belonging to the cell (each line break read as one space, since every value is one INI line).
// Other cells are the bytes between tabs, trimmed of white space, as they always were.
struct STableRow {
    std::vector<std::string_view> cells;  // into the table, or into strText for a quoted cell
    std::vector<bool> quoted;             // per cell; empty when no cell of the row was quoted
    std::uint32_t nLines = 0;             // the lines of the file the row spans
    std::string strText;                  // the text of the quoted cells
    bool IsQuoted(size_t nCell) const { return nCell < quoted.size() && quoted[nCell]; }
};

// What went wrong with a table that the build then read nothing of.
// Unreadable fails the run (the table is there, but its rows cannot be had); the others save
// without the table's rows, or (CutShort) with the rows before a zero byte.
enum class ETableProblem : std::uint8_t { NotOpened, Unreadable, BadHeader, WrongSeparator, CutShort };
struct STableProblem {
    std::string strTable;
    ETableProblem problem;
};

// One group of columns as announced by the group line.
struct SColumnGroup {
    std::string groupName;              // the group line's cell that started the group
    std::vector<std::string> subNames;  // one sub-column cell per spanned column
    std::int32_t columnCount = 1;       // table columns the group spans
};

class CTableConverter {
public:
    CTableConverter();
    virtual ~CTableConverter();
    CTableConverter(const CTableConverter&) = delete;
    CTableConverter& operator=(const CTableConverter&) = delete;

    // Writes the built lists into "items.idb" in the directory, which ends in a separator.
    virtual bool Save(const char* pszOutputDirectory) = 0;

    // Reads the whole table. On false (the file cannot be opened) "Can't open file" is printed
    // and the previously loaded table, cursor and header stay as they were.
    bool LoadFile(const char* pszPath);
    // Takes the text as LoadFile takes a file's content, named pszName in messages.
    bool LoadText(std::string_view strText, const char* pszName);
    // The next line without its line feed (a carriage return stays); false at the end of the
    // text. A last line without a line feed is returned too. The view lives as long as the table.
    bool GetNextLine(std::string_view& strLine);
    // The next row at the cursor, which may span lines where a quoted cell holds a line break;
    // false at the end of the text. Views live until the next call or the next table.
    bool GetNextRow(STableRow& row);
    // Reads the group and sub-column lines at the cursor and derives m_columnNames. False, after
    // printing why, when the first group cell starts no group ("Bad header") or when the group
    // line holds commas or semicolons and no tab (a table saved with the wrong separator).
    bool ParseHeader();

    // Writes the data rows at the cursor to tempreg.ini and has Ini2Reg.bat turn it into
    // tempreg.reg. False, after printing the cause, when either file is not there afterwards.
    bool ConvertToRegistry();
    // Writes the data rows at the cursor as INI text, handing it out in blocks; a block that
    // cannot be written (false) ends the emission with false. Repeated row names are reported.
    bool EmitIni(const std::function<bool(std::string_view)>& writeBlock);
    // Deletes tempreg.ini and tempreg.reg; missing files are not an error.
    void RemoveTempFiles();
    // The paths of tempreg.ini and tempreg.reg.
    std::vector<std::string> TempFiles() const { return {m_strTempBase + ".ini", m_strTempBase + ".reg"}; }
    // The registry's section names in ascending order of their "SortOrderID" (-1 when absent).
    void GetSortedSectionNames(const CFileRegistry& registry, std::vector<std::string>& names);

    const std::string& GetFileName() const { return m_strFileName; }
    // The tables whose rows never reached a registry that opens, in the order they were
    // converted; a database built without them must not replace the last good one.
    const std::vector<std::string>& GetUnconvertedTables() const { return m_unconvertedTables; }
    // The tables the build read nothing of (missing, unreadable, a bad header), in build order.
    const std::vector<STableProblem>& GetTableProblems() const { return m_tableProblems; }

protected:
    // Counts the current table as not converted; always false, for the caller to return.
    bool NoteConversionFailure();
    void Adopt(std::unique_ptr<char[]> pBuffer, std::uint32_t nLength, const char* pszName);

    std::uint32_t m_nLength = 0;       // bytes of the loaded file
    std::unique_ptr<char[]> m_pBuffer;  // the file plus one zero byte
    const char* m_pCursor = nullptr;    // where GetNextLine continues
    const char* m_pTextEnd = nullptr;   // the end of the file or its first zero byte
    std::vector<SColumnGroup> m_groups;
    std::vector<std::string> m_columnNames;  // the full name of every column, in column order
    std::string m_strTempBase;               // the temporary files' path without extension
    std::string m_strFileName;               // the table being converted, for messages
    std::vector<std::string> m_unconvertedTables;
    std::vector<STableProblem> m_tableProblems;
    STableRow m_row;  // the row being converted, kept so that its buffers are reused
};

// Cuts the text at every delimiter into cells trimmed of white space; views point into the
// text. A text with n delimiters gives n + 1 cells.
void SplitCells(std::string_view strText, char chDelimiter, std::vector<std::string_view>& cells);
// The same with owned strings; always true.
bool SplitString(std::string_view strText, std::vector<std::string>& cells, char chDelimiter);
// The text without leading and trailing space, TAB, LF, VT, FF and CR.
std::string_view TrimWhite(std::string_view strText);
// Files beside the table that a designer may have meant for it: the same name in another case,
// the same name with another extension, or a name that ends in it after a separator (a
// spreadsheet's "Items-Weapons.txt"). Sorted, at most a few.
std::vector<std::string> LookalikesOf(const char* pszPath);
// How the header line looks when it is no tab-separated header: "comma" or "semicolon" when
// it holds that separator and no tab, else null.
const char* WrongSeparatorOf(std::string_view strGroupLine);

// The cell without what a spreadsheet adds to a number: the trailing '%' (repeated ones too),
// and the space, no-break space (U+00A0, or byte A0 in a Windows code page) or U+202F that it
// puts between a number and its '%'.
std::string_view WithoutPercent(std::string_view strCell);
// The text written after "column=" for a cell (WithoutPercent first; empty: no line at all):
// a leading minus sign U+2212 before a digit becomes '-'; a cell the sheet quoted is written in
// quotes, its quotes doubled, when its text holds a comma or begins with a quote, so that the
// converter keeps it as one text (a list column splits it again).
std::string IniValueOf(std::string_view strCell, bool bQuoted);
// Appends one data row to INI text: an empty line, "[name]", one "column=value" line
// (IniValueOf) per non-empty cell among the first min(cells, columns), then "SortOrderID=n".
void AppendIniSection(std::string& strIni, const STableRow& row,
                      const std::vector<std::string>& columnNames, int nSortId);
