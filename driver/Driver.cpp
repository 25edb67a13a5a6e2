#include "driver/Driver.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "errors/ErrorReport.h"
#include "itemdb/Columns.h"
#include "itemdb/ItemDatabase.h"
#include "platform/Platform.h"

#ifndef MARROW_VERSION
#define MARROW_VERSION "0"
#endif

namespace {
void PrintUsage() {
    std::printf("Items database builder.\n");
    std::printf("Builds items.idb from the six item tables of the current directory.\n");
    std::printf("Version %s. Needs Ini2Reg.bat beside the tables.\n", MARROW_VERSION);
    std::printf("\tUsage:\n");
    std::printf("\t  Marrow.exe <output path>\n");
}

// The script's temporary files have fixed names in the current folder, so two runs there would
// overwrite each other's; a run holds this lock for its whole length, and every way out of
// RunMarrow, the tenth error's included, releases it.
constexpr char LOCK_PATH[] = "tempreg.lock";

class CFolderLock {
public:
    ~CFolderLock() { Release(); }
    bool Acquire() {
        switch (platform::LockExclusive(LOCK_PATH, m_hLock)) {
            case platform::LockResult::LOCKED: m_bHeld = true; return true;
            case platform::LockResult::HELD_ELSEWHERE:
                std::fputs("Another Marrow run is using this folder.\n", stderr);
                return false;
            case platform::LockResult::FAILED: break;
        }
        std::fprintf(stderr, "Can't lock this folder for the run (\"%s\"): %s.\n", LOCK_PATH,
                     platform::ErrorText(platform::LastError()).c_str());
        return false;
    }
    void Release() {
        if (!m_bHeld) return;
        m_bHeld = false;
        platform::UnlockAndRemove(LOCK_PATH, m_hLock);
    }

private:
    platform::Handle m_hLock = platform::INVALID_HANDLE;
    bool m_bHeld = false;
};

// The tenth error ends the run in the row that met it: no further table is built and nothing is
// saved. Its report is the last text on standard error before this line; the table's temporary
// files go with the lock.
int StopAtTheErrorLimit(CItemDatabase& database, CFolderLock& folderLock) {
    std::fflush(stdout);
    std::fputs("Stopped after ten errors; items.idb not written.\n", stderr);
    std::fflush(stderr);
    database.RemoveTempFiles();
    folderLock.Release();
    return -1;
}

// "Not saving: "A.txt" could not be read; "B.txt", "C.txt" could not be converted."
void PrintNotSaving(const std::vector<std::string>& unreadable,
                    const std::vector<std::string>& unconverted) {
    std::string strLine = "Not saving: ";
    const auto list = [&strLine](const std::vector<std::string>& tables, const char* pszWhy) {
        for (size_t i = 0; i < tables.size(); ++i)
            strLine += (i ? ", \"" : "\"") + tables[i] + "\"";
        strLine += pszWhy;
    };
    if (!unreadable.empty()) list(unreadable, " could not be read");
    if (!unreadable.empty() && !unconverted.empty()) strLine += "; ";
    if (!unconverted.empty()) list(unconverted, " could not be converted");
    std::printf("%s.\n", strLine.c_str());
}

const char* ProblemText(ETableProblem problem) {
    switch (problem) {
        case ETableProblem::NotOpened: return "could not be opened";
        case ETableProblem::Unreadable: return "could not be read";
        case ETableProblem::BadHeader: return "has a bad header";
        case ETableProblem::CutShort: return "is cut short by a zero byte";
        case ETableProblem::WrongSeparator: break;
    }
    return "is not tab-separated";
}

// An unattended build's log shows standard error: one line there says that the saved database
// lacks tables or met errors, though the run succeeded.
void PrintSavedWithProblems(const std::vector<STableProblem>& problems, int nErrors) {
    if (problems.empty() && nErrors == 0) return;
    std::string strLine = "Saved, but with table problems: ";
    for (size_t i = 0; i < problems.size(); ++i)
        strLine += (i ? ", \"" : "\"") + problems[i].strTable + "\" " + ProblemText(problems[i].problem);
    if (nErrors)
        strLine += (problems.empty() ? "" : ", ") + std::to_string(nErrors) +
                   (nErrors == 1 ? " error reported" : " errors reported");
    std::fprintf(stderr, "%s.\n", strLine.c_str());
}

// Whether items.idb can be written into the output folder, tried before any table is built so
// that a wrong folder costs no build: the temporary the save will use is made and removed.
bool CheckOutputFolder(const std::string& strOutputDirectory) {
    const std::string strTarget = strOutputDirectory + "items.idb";
    if (platform::IsFolder(strTarget.c_str())) {
        std::printf("Can't write \"%s\": it is a folder.\n", strTarget.c_str());
        return false;
    }
    const std::string strProbe = platform::TemporaryNameFor(strTarget);
    platform::RemoveFile(strProbe.c_str());  // a stale one of a killed run
    platform::CFile probe;
    if (!probe.Open(strProbe.c_str(), platform::FileMode::CreateNew)) {
        std::printf("Can't write \"%s\": %s.\n", strTarget.c_str(),
                    platform::ErrorText(platform::LastError()).c_str());
        return false;
    }
    probe.Close();
    platform::RemoveFile(strProbe.c_str());
    return true;
}

bool IsHelpRequest(const char* pszArgument) {
    return std::strcmp(pszArgument, "-h") == 0 || std::strcmp(pszArgument, "--help") == 0 ||
           std::strcmp(pszArgument, "/?") == 0;
}
}  // namespace

std::string OutputDirectoryOf(const char* pszArgument) {
    std::string strDirectory = pszArgument;
    if (strDirectory.empty() || strDirectory.back() != platform::PATH_SEPARATOR)
        strDirectory += platform::PATH_SEPARATOR;
    return strDirectory;
}

int RunMarrow(int argc, const char* const* argv) {
    CItemDatabase database;
    // An empty argument would put items.idb into the root of the file system.
    if (argc != 2 || argv[1][0] == '\0') {
        PrintUsage();
        return -1;
    }
    if (IsHelpRequest(argv[1])) {
        PrintUsage();
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("Marrow %s\n", MARROW_VERSION);
        return 0;
    }
    const std::string strOutputDirectory = OutputDirectoryOf(argv[1]);
    platform::SetProgramPath(argv[0]);
    std::fflush(stdout);
    CFolderLock folderLock;
    if (!folderLock.Acquire()) return -1;
    if (!CheckOutputFolder(strOutputDirectory)) {
        std::fflush(stdout);
        folderLock.Release();
        return -1;
    }
    // Ctrl+C or a termination request leaves nothing of the run behind: no converter still
    // writing, no temporary file, no lock.
    std::vector<std::string> cleanUp = database.TempFiles();
    cleanUp.push_back(LOCK_PATH);
    cleanUp.push_back(platform::TemporaryNameFor(strOutputDirectory + "items.idb"));
    platform::CleanUpOnInterrupt(cleanUp);
    ResetErrorCount();  // the limit counts this run's errors
    for (const SKindColumns& kind : AllKinds()) {
        (database.*kind.pBuild)(kind.pszTable);
        if (ErrorLimitReached()) return StopAtTheErrorLimit(database, folderLock);
    }
    // A table that could not be converted would be saved as an empty list: the last good
    // database is worth more than that.
    // Nor is a database of no table at all, which a run in the wrong folder would give.
    // Nor is one without a table that is there but could not be read.
    const std::vector<STableProblem>& problems = database.GetTableProblems();
    std::vector<std::string> unreadable;
    size_t nTablesRead = AllKinds().size();
    for (const STableProblem& problem : problems) {
        if (problem.problem == ETableProblem::Unreadable) unreadable.push_back(problem.strTable);
        if (problem.problem != ETableProblem::CutShort) --nTablesRead;
    }
    bool bSaved = false;
    if (!database.GetUnconvertedTables().empty() || !unreadable.empty()) {
        PrintNotSaving(unreadable, database.GetUnconvertedTables());
    } else if (nTablesRead == 0) {
        std::printf("Not saving: none of the six tables could be read.\n");
    } else {
        bSaved = database.Save(strOutputDirectory.c_str());
        std::fflush(stdout);
        if (bSaved) PrintSavedWithProblems(problems, GetErrorCount());
    }
    std::fflush(stdout);
    folderLock.Release();
    return bSaved ? 0 : -1;
}
