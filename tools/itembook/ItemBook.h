// The command line of itembook: the designers' workbook as the front end of the six tables.
// "export" writes the tables from the workbook's sheets, "import" writes a workbook from the
// tables, with a note on every column and the word lists as dropdowns.
#pragma once

#include <string>
#include <vector>

#include "tools/workbook/XlsxWriter.h"

inline constexpr int BOOK_DONE = 0;
inline constexpr int BOOK_FINDINGS = 1;  // cells or sheets that kept tables from being written
inline constexpr int BOOK_FAILED = 2;    // it could not run: bad arguments, no workbook, damage

// Runs itembook with the arguments that follow the program name; what it prints goes to strOut
// (what was written, findings) and strErr (why it could not run).
int RunItemBook(const std::vector<std::string>& args, std::string& strOut, std::string& strErr);

// The sheets of the workbook that import writes for the tables in the folder (the empty
// template of a missing table): the tables' sheets in build order, then the hidden word lists.
// False, with the cause in strError, when a table is there but cannot be read.
bool SheetsOfTables(const std::string& strDirectory, std::vector<SBookSheet>& sheets,
                    std::string& strError);
