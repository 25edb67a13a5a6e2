// idbdump: prints an items.idb as JSON, as tables or as a summary, compares two of them record by
// record, and prints a registry file; the command line lives here so tests run it in-process.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "loader/DatabaseCheck.h"
#include "tools/idbdump/IdbSchema.h"

inline constexpr int EXIT_SAME = 0;
inline constexpr int EXIT_DIFFERENT = 1;  // diff only
inline constexpr int EXIT_TROUBLE = 2;    // bad arguments, unreadable or malformed input

// The six lists as one JSON object, a record per line, every field by its name; texts as the
// style says (Json or JsonRaw).
std::string DatabaseJson(const SDatabaseView& view, EValueStyle style = EValueStyle::Json);
// A table per list for people: a heading, then one line per record with the --text columns.
std::string DatabaseText(const SDatabaseView& view);
// Records per list, their total and the file size.
std::string DatabaseSummary(const SDatabaseView& view, std::string_view strPath);

// Records matched by list and Name (the n-th record of a name in the old view with the n-th of
// that name in the new one): removed, changed with every changed field's old and new value,
// added. Empty when the two hold the same records (idbdump then prints "no differences").
std::string DatabaseDiff(const SDatabaseView& oldView, const SDatabaseView& newView,
                         EValueStyle style = EValueStyle::Json);

// One entry of a list's diff: a record removed (nOld), added (nNew) or changed (both, with the
// indexes of the fields whose printed values differ, in field order).
enum class EChange { Removed, Changed, Added };
struct SRecordChange {
    EChange type;
    std::size_t nOld;
    std::size_t nNew;
    std::vector<std::size_t> fields;
};
// The diff of list nKind as DatabaseDiff prints it: records matched by Name as there, removed and
// changed in the old list's order, then added in the new list's order.
std::vector<SRecordChange> ListChanges(std::size_t nKind, const SDatabaseView& oldView,
                                       const SDatabaseView& newView,
                                       EValueStyle style = EValueStyle::Json);
// The closing line of a diff: "1 removed, 2 changed, 0 added\n".
std::string DiffCountsText(std::size_t nRemoved, std::size_t nChanged, std::size_t nAdded);

// Reads and checks one items.idb as diff does: false after writing the problem to strErr; notes
// of a readable file go to strErr too. strBytes keeps the view's bytes. A registry file is
// refused as "... is a registry file; <strWhatFor> items databases."
bool LoadDatabase(const std::string& strPath, std::string& strBytes, SDatabaseView& view,
                  std::string& strErr, std::string_view strWhatFor = "diff compares");

// The counts that end DatabaseDiff's text, for callers that want the numbers alone.
struct SDiffTotals {
    std::size_t nRemoved = 0;
    std::size_t nChanged = 0;
    std::size_t nAdded = 0;
};
SDiffTotals DatabaseDiffTotals(const SDatabaseView& oldView, const SDatabaseView& newView);

// What idbdump prints of one file: JSON (with texts as the style says), tables or a summary of an
// items.idb, or the registry view of a file with the registry magic.
enum class EDumpMode { Json, Text, Summary };
// idbdump's output for a file's bytes, already read; strPath names it in the messages. Returns
// EXIT_SAME, or EXIT_TROUBLE with the problem in strErr. The command line's reading of a file
// and the fuzz target both end here.
int DumpBytes(std::string_view strBytes, const std::string& strPath, EDumpMode mode,
              EValueStyle style, std::string& strOut, std::string& strErr);

// Runs idbdump with its arguments (the program name left out); stdout and stderr text go to the
// strings. Returns EXIT_SAME, EXIT_DIFFERENT or EXIT_TROUBLE.
int RunIdbDump(const std::vector<std::string>& args, std::string& strOut, std::string& strErr);
