#include "tools/itemwatch/ItemWatch.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

#include "itemdb/Columns.h"
#include "loader/DatabaseCheck.h"
#include "loader/ItemKinds.h"
#include "marrow/Loader.h"
#include "platform/Platform.h"
#include "tools/idbdump/IdbDump.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char LOCK_PATH[] = "tempreg.lock";  // held by a Marrow run for its whole length
constexpr char LOCK_HELD_TEXT[] = "Another Marrow run is using this folder.";
constexpr std::size_t SHOWN_LINES = 10;  // of a failed program's output

// Set by Ctrl+C or SIGTERM; the loop looks at it between its steps and ends cleanly.
volatile std::sig_atomic_t g_bStop = 0;

extern "C" void OnStop(int nSignal) {
    g_bStop = 1;
    // Windows' runtime resets the handler before each call.
    std::signal(nSignal, OnStop);
}

bool Stopping() { return g_bStop != 0; }

// A file's time and size as last seen; a missing file is a state of its own.
struct SStamp {
    bool bExists = false;
    fs::file_time_type time{};
    std::uintmax_t nSize = 0;
    bool operator==(const SStamp&) const = default;
};

SStamp StampOf(const std::string& strPath) {
    std::error_code error;
    SStamp stamp;
    stamp.time = fs::last_write_time(strPath, error);
    if (error) return {};
    stamp.nSize = fs::file_size(strPath, error);
    stamp.bExists = !error;
    return stamp.bExists ? stamp : SStamp{};
}

std::vector<SStamp> TableStamps() {
    std::vector<SStamp> stamps;
    for (const SKindColumns& kind : AllKinds()) stamps.push_back(StampOf(kind.pszTable));
    return stamps;
}

std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    char szTime[16] = "??:??:??";
    if (const std::tm* pLocal = std::localtime(&now))
        std::strftime(szTime, sizeof szTime, "%H:%M:%S", pLocal);
    return szTime;
}

void PrintLine(const std::string& strLine) {
    std::printf("%s %s\n", TimeOfDay().c_str(), strLine.c_str());
    std::fflush(stdout);
}

// Program output shown under a line, indented so that it reads as belonging to it.
void PrintIndented(std::string_view strText) {
    std::string strOut;
    bool bLineStart = true;
    for (const char ch : strText) {
        if (ch == '\r') continue;
        if (bLineStart) strOut += "  ";
        strOut += ch;
        bLineStart = ch == '\n';
    }
    if (!bLineStart) strOut += '\n';
    std::fputs(strOut.c_str(), stdout);
    std::fflush(stdout);
}

// Empty when the file cannot be read: a program's output that is not there says nothing.
std::string ReadWhole(const std::string& strPath) {
    std::string strBytes;
    if (platform::ReadWholeFile(strPath.c_str(), 0xFFFFFFF0u, strBytes) != platform::WholeFile::READ)
        strBytes.clear();
    return strBytes;
}

std::string Counted(std::size_t n, const char* pszOne, const char* pszMany) {
    return std::to_string(n) + " " + (n == 1 ? pszOne : pszMany);
}

// What one run of a helper program left: its status and captured output.
struct SRun {
    bool bStarted = false;
    bool bStopped = false;  // a stop request came while it ran
    int nStatus = 0;
    std::string strOut, strErr;
};

class CWatcher {
public:
    explicit CWatcher(const SWatchOptions& options) : m_options(options) {
        const std::string strBase = (fs::temp_directory_path(m_error) /
                                     ("itemwatch." + std::to_string(platform::ProcessId())))
                                        .string();
        m_strOutPath = strBase + ".out";
        m_strErrPath = strBase + ".err";
        m_strDatabase = (fs::path(options.strOutput) / "items.idb").string();
    }
    ~CWatcher() {
        platform::RemoveFile(m_strOutPath.c_str());
        platform::RemoveFile(m_strErrPath.c_str());
    }
    bool FindPrograms();
    int Run();

private:
    SRun RunHelper(const std::vector<std::string>& args);
    bool Rebuild(bool bExport);
    bool Export();
    bool Check(std::size_t& nProblems);
    bool Build();
    bool WaitForFolder();
    void NotRebuilt(const std::string& strWhy, std::string_view strDetails = {});
    bool ReportRebuilt(const std::string& strPrevious, std::size_t nProblems,
                       Clock::time_point start);

    SWatchOptions m_options;
    std::error_code m_error;
    std::string m_strOutPath, m_strErrPath, m_strDatabase;
    std::string m_strMarrow, m_strItemCheck, m_strItemBook;
    std::vector<SStamp> m_tables;  // as they were when the last build started
};

bool CWatcher::FindPrograms() {
    for (auto [pszName, pstrPath] :
         {std::pair{"Marrow", &m_strMarrow}, std::pair{"itemcheck", &m_strItemCheck}}) {
        if (!platform::FindProgram(pszName, *pstrPath)) {
            std::fprintf(stderr, "itemwatch: %s is neither beside itemwatch nor on PATH.\n",
                         pszName);
            return false;
        }
    }
    if (!m_options.strWorkbook.empty() && !platform::FindProgram("itembook", m_strItemBook)) {
        std::printf(
            "itemwatch: itembook is neither beside itemwatch nor on PATH; \"%s\" is not "
            "exported, the tables alone are watched.\n",
            m_options.strWorkbook.c_str());
        m_options.strWorkbook.clear();
    }
    return true;
}

// Runs a program here with its output captured; a stop request asks it to end (where signals exist:
// Marrow then removes its temporary files and lock itself) and waits for it.
SRun CWatcher::RunHelper(const std::vector<std::string>& args) {
    SRun run;
    platform::Handle hProcess = platform::INVALID_HANDLE;
    run.bStarted = platform::StartProgram(args, /*directory=*/nullptr, m_strOutPath.c_str(),
                                          m_strErrPath.c_str(), hProcess);
    if (!run.bStarted) {
        run.strErr = platform::ErrorText(platform::LastError());
        return run;
    }
    bool bSignalled = false;
    while (!platform::WaitForProgram(hProcess, POLL_MS, run.nStatus)) {
        if (Stopping() && !bSignalled) bSignalled = platform::SignalProgram(hProcess, SIGTERM);
    }
    run.bStopped = Stopping();
    run.strOut = ReadWhole(m_strOutPath);
    run.strErr = ReadWhole(m_strErrPath);
    return run;
}

void CWatcher::NotRebuilt(const std::string& strWhy, std::string_view strDetails) {
    PrintLine("not rebuilt: " + strWhy + "; " + m_strDatabase +
              (platform::FileExists(m_strDatabase.c_str()) ? " kept" : " not written"));
    if (!strDetails.empty()) PrintIndented(strDetails);
}

bool CWatcher::Export() {
    const SRun run = RunHelper({m_strItemBook, "export", m_options.strWorkbook, "."});
    if (run.bStopped) return false;
    if (!run.bStarted) {
        NotRebuilt("itembook could not be started: " + run.strErr);
        return false;
    }
    if (run.nStatus == 0) return true;
    NotRebuilt("itembook export of " + m_options.strWorkbook + " failed (exit status " +
                   std::to_string(run.nStatus) + ")",
               LastLines(run.strErr + run.strOut, SHOWN_LINES));
    return false;
}

bool CWatcher::Check(std::size_t& nProblems) {
    for (const SKindColumns& kind : AllKinds()) {
        if (!platform::FileExists(kind.pszTable)) {
            NotRebuilt(std::string(kind.pszTable) + " is missing");
            return false;
        }
    }
    // No folder argument: the findings then name the tables as the designer sees them.
    const SRun run = RunHelper({m_strItemCheck});
    if (run.bStopped) return false;
    if (!run.bStarted) {
        NotRebuilt("itemcheck could not be started: " + run.strErr);
        return false;
    }
    nProblems = CountCheckProblems(run.strOut);
    if (run.nStatus == 0) return true;
    if (run.nStatus == 1) {
        NotRebuilt("itemcheck found " + Counted(nProblems, "problem", "problems"),
                   CheckFindings(run.strOut));
        return false;
    }
    NotRebuilt(
        "itemcheck could not check the tables (exit status " + std::to_string(run.nStatus) + ")",
        LastLines(run.strErr + run.strOut, SHOWN_LINES));
    return false;
}

// Another run holding the folder is no failure: it is waited for. The lock is only tried when its
// file is there, so that a watcher between builds never stands in another run's way.
bool CWatcher::WaitForFolder() {
    while (!Stopping()) {
        if (!platform::PathExists(LOCK_PATH)) return true;
        platform::Handle hLock = platform::INVALID_HANDLE;
        const platform::LockResult result = platform::LockExclusive(LOCK_PATH, hLock);
        if (result == platform::LockResult::LOCKED) platform::UnlockAndRemove(LOCK_PATH, hLock);
        if (result != platform::LockResult::HELD_ELSEWHERE) return true;  // Marrow tells
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
    return false;
}

bool CWatcher::Build() {
    for (;;) {
        if (!WaitForFolder()) return false;
        const SRun run = RunHelper({m_strMarrow, m_options.strOutput});
        if (run.bStopped) return false;
        if (!run.bStarted) {
            NotRebuilt("Marrow could not be started: " + run.strErr);
            return false;
        }
        if (run.nStatus == 0) return true;
        // Another run took the folder between the look and the start: wait for it as well.
        if (run.strErr.find(LOCK_HELD_TEXT) != std::string::npos) continue;
        NotRebuilt("Marrow failed (exit status " + std::to_string(run.nStatus) + ")",
                   LastLines(run.strOut + run.strErr, SHOWN_LINES));
        return false;
    }
}

bool CWatcher::ReportRebuilt(const std::string& strPrevious, std::size_t nProblems,
                             Clock::time_point start) {
    marrow::SItemLists lists;
    const marrow::SLoadResult loaded = marrow::LoadItemDatabase(m_strDatabase.c_str(), lists);
    const double dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!loaded) {
        PrintLine("rebuilt " + m_strDatabase + ", but it does not load: " + loaded.Reason);
        return false;
    }
    std::vector<std::size_t> counts;
    ForEachKind([&](const auto& kind) { counts.push_back((lists.*kind.pList).size()); });
    char szSeconds[32];
    std::snprintf(szSeconds, sizeof szSeconds, "%.1f", dSeconds);
    std::string strLine = "rebuilt " + m_strDatabase + " in " + szSeconds +
                          " s: " + RecordCounts(counts) + "; " +
                          Counted(nProblems, "problem", "problems") + "; ";
    const std::string strNew = ReadWhole(m_strDatabase);
    SDatabaseView oldView, newView;
    std::string strProblem;
    if (!strPrevious.empty() && CheckDatabase(strPrevious, oldView, strProblem) &&
        CheckDatabase(strNew, newView, strProblem)) {
        const SDiffTotals totals = DatabaseDiffTotals(oldView, newView);
        strLine += std::to_string(totals.nChanged) + " changed, " + std::to_string(totals.nAdded) +
                   " added, " + std::to_string(totals.nRemoved) + " removed";
    } else {
        strLine += "no previous database to compare";
    }
    PrintLine(strLine);
    return true;
}

// One rebuild: the export when the workbook changed, the check, and Marrow only on a clean check.
// The tables' stamps are taken before the check, so a save during the build is seen.
bool CWatcher::Rebuild(bool bExport) {
    const Clock::time_point start = Clock::now();
    if (bExport && !m_options.strWorkbook.empty() && !Export()) {
        m_tables = TableStamps();
        return false;
    }
    m_tables = TableStamps();
    std::size_t nProblems = 0;
    if (!Check(nProblems)) return false;
    const std::string strPrevious = ReadWhole(m_strDatabase);
    if (!Build()) return false;
    return ReportRebuilt(strPrevious, nProblems, start);
}

int CWatcher::Run() {
    SStamp book = m_options.strWorkbook.empty() ? SStamp{} : StampOf(m_options.strWorkbook);
    const bool bBuilt = Rebuild(/*bExport=*/true);
    if (m_options.bOnce) return bBuilt ? WATCH_DONE : WATCH_NOT_REBUILT;
    bool bPending = false, bBookChanged = false;
    Clock::time_point lastChange = Clock::now();
    const auto settle = std::chrono::milliseconds(m_options.nSettleMs);
    // Polling rather than the system's change notification: one code path on every system, which
    // also sees saves on network shares and under wine, where notifications are missing or late;
    // and a spreadsheet's save (a temporary file renamed over the table) is just a new time and
    // size here, with no events to pair up.
    while (!Stopping()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
        if (Stopping()) break;
        const std::vector<SStamp> tables = TableStamps();
        const SStamp bookNow =
            m_options.strWorkbook.empty() ? SStamp{} : StampOf(m_options.strWorkbook);
        if (tables != m_tables || !(bookNow == book)) {
            bBookChanged = bBookChanged || !(bookNow == book);
            m_tables = tables;
            book = bookNow;
            bPending = true;
            lastChange = Clock::now();
            continue;
        }
        if (!bPending || Clock::now() - lastChange < settle) continue;
        bPending = false;
        Rebuild(bBookChanged);
        bBookChanged = false;
    }
    return WATCH_DONE;
}
}  // namespace

std::string WatchUsage() {
    return "itemwatch: rebuilds items.idb each time the item tables of this folder are saved.\n"
           "Usage: itemwatch [--once] [--settle-ms N] <output folder> [<workbook>]\n"
           "  Builds once, then watches the six tables (and the workbook, which is exported\n"
           "  into the tables with itembook first) and rebuilds once saving has settled:\n"
           "  itemcheck, then Marrow when the check is clean. One line per rebuild. On a\n"
           "  failed check or build the previous items.idb is kept. Ctrl+C stops.\n"
           "  --once          build once and end: exit status 0 rebuilt, 1 kept\n"
           "  --settle-ms N   how long the files must rest before a rebuild (default 500);\n"
           "                  longer for slow disks, shorter for tests\n"
           "Exit status: 0 stopped, 2 could not run.\n";
}

bool ParseWatchArgs(const std::vector<std::string>& args, SWatchOptions& options, bool& bHelp,
                    std::string& strError) {
    bHelp = false;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (strArg == "-h" || strArg == "--help") {
            bHelp = true;
            return true;
        }
        if (strArg == "--once") {
            options.bOnce = true;
        } else if (strArg == "--settle-ms") {
            const std::string strValue = i + 1 < args.size() ? args[++i] : std::string();
            int nValue = 0;
            bool bValid = !strValue.empty() && strValue.size() <= 6;
            for (const char ch : strValue) {
                bValid = bValid && ch >= '0' && ch <= '9';
                if (bValid) nValue = nValue * 10 + (ch - '0');
            }
            if (!bValid || nValue > 60000) {
                strError =
                    "--settle-ms wants a count of milliseconds from 0 to 60000, "
                    "not \"" +
                    strValue + "\"";
                return false;
            }
            options.nSettleMs = nValue;
        } else if (strArg.size() > 1 && strArg[0] == '-') {
            strError = "unknown option \"" + strArg + "\"";
            return false;
        } else {
            operands.push_back(strArg);
        }
    }
    if (operands.empty() || operands.size() > 2 || operands[0].empty()) {
        strError = operands.size() > 2 ? "too many arguments" : "the output folder is missing";
        return false;
    }
    options.strOutput = operands[0];
    options.strWorkbook = operands.size() == 2 ? operands[1] : std::string();
    return true;
}

std::size_t CountCheckProblems(std::string_view strCheckOutput) {
    std::size_t nProblems = 0;
    while (!strCheckOutput.empty()) {
        const std::size_t nEnd = strCheckOutput.find('\n');
        std::string_view strLine = strCheckOutput.substr(0, nEnd);
        strCheckOutput.remove_prefix(nEnd == std::string_view::npos ? strCheckOutput.size()
                                                                    : nEnd + 1);
        // "Weapons.txt: 22 rows, 2 problems, 1 note": only a table's own summary counts.
        const std::size_t nColon = strLine.find(": ");
        bool bTable = false;
        for (const SKindColumns& kind : AllKinds())
            bTable = bTable || strLine.substr(0, nColon) == kind.pszTable;
        if (!bTable) continue;
        std::size_t nComma = strLine.find(", ", nColon);
        if (nComma == std::string_view::npos) continue;
        strLine.remove_prefix(nComma + 2);
        std::size_t nCount = 0, nDigits = 0;
        while (nDigits < strLine.size() && nDigits < 9 && strLine[nDigits] >= '0' &&
               strLine[nDigits] <= '9')
            nCount = nCount * 10 + static_cast<std::size_t>(strLine[nDigits++] - '0');
        if (nDigits && strLine.substr(nDigits).starts_with(" problem")) nProblems += nCount;
    }
    return nProblems;
}

std::string CheckFindings(std::string_view strCheckOutput) {
    std::string strOut;
    while (!strCheckOutput.empty()) {
        const std::size_t nEnd = strCheckOutput.find('\n');
        const std::string_view strLine =
            strCheckOutput.substr(0, nEnd == std::string_view::npos ? nEnd : nEnd + 1);
        strCheckOutput.remove_prefix(strLine.size());
        const bool bCleanSummary = strLine.find(" rows, no problems") != std::string_view::npos ||
                                   strLine.find(" row, no problems") != std::string_view::npos;
        if (!bCleanSummary || strLine.find(':') != strLine.find(": ")) strOut += strLine;
    }
    return strOut;
}

std::string LastLines(std::string_view strText, std::size_t nCount) {
    if (!strText.empty() && strText.back() != '\n') {
        std::string strEnded(strText);
        return LastLines(strEnded + '\n', nCount);
    }
    std::size_t nStart = strText.size();
    for (std::size_t nSeen = 0; nStart > 0 && nSeen <= nCount;) {
        if (strText[nStart - 1] == '\n' && ++nSeen > nCount) break;
        --nStart;
    }
    return std::string(strText.substr(nStart));
}

std::string RecordCounts(const std::vector<std::size_t>& counts) {
    std::string strOut;
    const auto kinds = AllKinds();
    for (std::size_t k = 0; k < kinds.size() && k < counts.size(); ++k)
        strOut += (k ? ", " : "") + std::to_string(counts[k]) + " " + kinds[k].pszKind;
    return strOut;
}

int RunItemWatch(const SWatchOptions& options, const char* pszArgv0) {
    platform::SetProgramPath(pszArgv0);
    if (!platform::IsFolder(options.strOutput.c_str())) {
        std::fprintf(stderr, "itemwatch: the output folder \"%s\" does not exist.\n",
                     options.strOutput.c_str());
        return WATCH_FAILED;
    }
    if (!options.strWorkbook.empty() && !platform::FileExists(options.strWorkbook.c_str())) {
        std::fprintf(stderr, "itemwatch: the workbook \"%s\" does not exist.\n",
                     options.strWorkbook.c_str());
        return WATCH_FAILED;
    }
    CWatcher watcher(options);
    if (!watcher.FindPrograms()) return WATCH_FAILED;
    std::signal(SIGINT, OnStop);
    std::signal(SIGTERM, OnStop);
    return watcher.Run();
}
