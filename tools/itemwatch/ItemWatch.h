// itemwatch: rebuilds items.idb each time the tables of the current folder (or the workbook they
// are exported from) are saved, and prints one line per rebuild. The command line and the pieces of
// a line live here so that tests reach them in-process.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int WATCH_DONE = 0;         // stopped by Ctrl+C or SIGTERM; --once: rebuilt
inline constexpr int WATCH_NOT_REBUILT = 1;  // --once only: the database was kept
inline constexpr int WATCH_FAILED = 2;       // bad arguments, a program or folder missing

// How often the files are looked at, and how long their times and sizes must stay the same before a
// rebuild starts (a save is often several writes and renames).
inline constexpr int POLL_MS = 200;
inline constexpr int SETTLE_MS = 500;

struct SWatchOptions {
    std::string strOutput;    // the folder Marrow writes items.idb into
    std::string strWorkbook;  // empty: the tables alone are watched
    bool bOnce = false;       // build once and end with the result
    int nSettleMs = SETTLE_MS;
};

// Reads the arguments that follow the program name. False, with the message in strError, on a bad
// command line; bHelp is set (and true returned) for -h or --help.
bool ParseWatchArgs(const std::vector<std::string>& args, SWatchOptions& options, bool& bHelp,
                    std::string& strError);
std::string WatchUsage();

// The problems that itemcheck's summary lines ("Weapons.txt: 22 rows, 2 problems") count, in all
// tables together; findings and other lines are not counted.
std::size_t CountCheckProblems(std::string_view strCheckOutput);
// itemcheck's output without the summaries of the tables that have no problems: what a designer
// must read after a failed check.
std::string CheckFindings(std::string_view strCheckOutput);
// Of a program's captured output, the last nCount lines, each ended by LF.
std::string LastLines(std::string_view strText, std::size_t nCount);
// "20 materials, 22 weapons, ..." for the records of the six lists in build order.
std::string RecordCounts(const std::vector<std::size_t>& counts);

// Watches the current folder as the options say, printing to standard output, until Ctrl+C or
// SIGTERM (or after one build with --once). Returns WATCH_DONE, WATCH_NOT_REBUILT or WATCH_FAILED.
// pszArgv0 finds the programs beside this one.
int RunItemWatch(const SWatchOptions& options, const char* pszArgv0);
