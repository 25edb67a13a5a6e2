// The command line of itemcheck: checks a folder of item tables, prints the column reference,
// writes the empty table templates.
#pragma once

#include <string>
#include <vector>

#include "itemdb/Columns.h"

inline constexpr int CHECK_CLEAN = 0;
inline constexpr int CHECK_PROBLEMS = 1;
inline constexpr int CHECK_FAILED = 2;  // it could not run: bad arguments, no such folder

// Runs itemcheck with the arguments that follow the program name; what it prints goes to strOut
// (findings, summaries, references) and strErr (why it could not run). Returns CHECK_CLEAN,
// CHECK_PROBLEMS or CHECK_FAILED.
int RunItemCheck(const std::vector<std::string>& args, std::string& strOut, std::string& strErr);

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
