// The command line of itemcheck: checks a folder of item tables, prints the column reference,
// writes the empty table templates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "itemdb/Columns.h"
#include "tools/itemcheck/TableCheck.h"

inline constexpr int CHECK_CLEAN = 0;
inline constexpr int CHECK_PROBLEMS = 1;
inline constexpr int CHECK_FAILED = 2;  // it could not run: bad arguments, no such folder

// Runs itemcheck with the arguments that follow the program name; what it prints goes to strOut
// (findings, summaries, references) and strErr (why it could not run). Returns CHECK_CLEAN,
// CHECK_PROBLEMS or CHECK_FAILED.
int RunItemCheck(const std::vector<std::string>& args, std::string& strOut, std::string& strErr);

// One finding with the record its row becomes, when the row becomes one.
struct SFinding {
    SProblem problem;
    bool bRecord = false;
    // The row's name as the table writes it; the record stores it lowercased.
    std::string strRecord;
};
// What the check found in one table of a folder.
struct STableFindings {
    std::string strPath;  // the table's path as joined to the folder, or its name without one
    std::vector<SFinding> findings;  // notes included, in line and cell order
    std::uint32_t nRecords = 0;      // the records the build would make
    std::size_t nProblems = 0;       // the findings that are not notes
};
// Checks the six tables of the folder ("" is the current one) in build order, as itemcheck does;
// one entry per table, also for a missing one (its finding says so).
std::vector<STableFindings> CheckTables(const std::string& strDirectory);
// A finding as itemcheck prints it: "Weapons.txt:5:27 (AA5): text\n", "Weapons.txt:0:0: text\n"
// for the table as a whole; strName is the table as the finding names it.
std::string FindingLine(const std::string& strName, const SProblem& problem);

// Every column that each kind's builder reads, with its type, default, field and meaning, from the
// column tables of itemdb/Columns.h.
std::string ColumnReference();

// A column's type as the column reference names it: "integer", "number", "text" or "list".
const char* TypeNameOf(EColumnType type);
// What a workbook's note on the column says: its full name, type and default, and what becomes
// of the value, in the words of ColumnReference.
std::string ColumnNoteOf(const SColumnInfo& column);

// Writes the empty table of each kind (its two header lines, HeaderLinesOf) into the directory,
// which is created when missing. False, with the cause in strError, when a file could not be
// written, or, unless bForce, when any of the six already exists (then nothing is written); a
// file is replaced only once its new text is complete.
bool WriteTemplates(const std::string& strDirectory, bool bForce, std::string& strError);
