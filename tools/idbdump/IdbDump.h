// idbdump: prints an items.idb as JSON, as tables or as a summary, compares two of them record by
// record, and prints a registry file; the command line lives here so tests run it in-process.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "loader/DatabaseCheck.h"
#include "tools/idbdump/IdbSchema.h"

inline constexpr int EXIT_SAME = 0;
inline constexpr int EXIT_DIFFERENT = 1;  // diff only
inline constexpr int EXIT_TROUBLE = 2;    // bad arguments, unreadable or malformed input

// The six lists as one JSON object, a record per line, every field by its name.
std::string DatabaseJson(const SDatabaseView& view);
// A table per list for people: a heading, then one line per record with the --text columns.
std::string DatabaseText(const SDatabaseView& view);
// Records per list, their total and the file size.
std::string DatabaseSummary(const SDatabaseView& view, std::string_view strPath);

// Records matched by list and Name (the n-th record of a name in the old view with the n-th of
// that name in the new one): removed, changed with every changed field's old and new value,
// added. Empty when the two hold the same records.
std::string DatabaseDiff(const SDatabaseView& oldView, const SDatabaseView& newView);

// Runs idbdump with its arguments (the program name left out); stdout and stderr text go to the
// strings. Returns EXIT_SAME, EXIT_DIFFERENT or EXIT_TROUBLE.
int RunIdbDump(const std::vector<std::string>& args, std::string& strOut, std::string& strErr);
