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
    // Reads the group and sub-column lines at the cursor and derives m_columnNames. False, after
    // printing "Bad header", when the first group cell starts no group.
    bool ParseHeader();

    // Writes the data rows at the cursor to tempreg.ini and has Ini2Reg.bat turn it into
    // tempreg.reg. False, after printing the cause, when either file is not there afterwards.
    bool ConvertToRegistry();
    // Writes the data rows at the cursor as INI text, handing it out in blocks; a block that
    // cannot be written (false) ends the emission with false. Repeated row names are reported.
    bool EmitIni(const std::function<bool(std::string_view)>& writeBlock);
    // Deletes tempreg.ini and tempreg.reg; missing files are not an error.
    void RemoveTempFiles();
    // The registry's section names in ascending order of their "SortOrderID" (-1 when absent).
    void GetSortedSectionNames(const CFileRegistry& registry, std::vector<std::string>& names);

    const std::string& GetFileName() const { return m_strFileName; }
    // The tables whose rows never reached a registry that opens, in the order they were
    // converted; a database built without them must not replace the last good one.
    const std::vector<std::string>& GetUnconvertedTables() const { return m_unconvertedTables; }

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
};

// Cuts the text at every delimiter into cells trimmed of white space; views point into the
// text. A text with n delimiters gives n + 1 cells.
void SplitCells(std::string_view strText, char chDelimiter, std::vector<std::string_view>& cells);
// The same with owned strings; always true.
bool SplitString(std::string_view strText, std::vector<std::string>& cells, char chDelimiter);
// The text without leading and trailing space, TAB, LF, VT, FF and CR.
std::string_view TrimWhite(std::string_view strText);
// Appends one data row to INI text: an empty line, "[name]", one "column=cell" line per
// non-empty cell (trailing '%' removed) among the first min(cells, columns), then "SortOrderID=n".
void AppendIniSection(std::string& strIni, std::string_view strName,
                      const std::vector<std::string_view>& cells,
                      const std::vector<std::string>& columnNames, int nSortId);
