// Windows implementation of the platform layer.
#include "platform/Platform.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
thread_local unsigned long t_nLastError = 0;
std::int64_t g_nWriteBudget = -1;

bool Fail() {
    t_nLastError = ::GetLastError();
    return false;
}

HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle ToHandle(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? INVALID_HANDLE : reinterpret_cast<Handle>(h);
}

// Quotes one argument so that the C runtime of the started program splits it back unchanged.
void AppendQuoted(std::string& strLine, const std::string& strArg) {
    if (!strArg.empty() && strArg.find_first_of(" \t\"") == std::string::npos) {
        strLine += strArg;
        return;
    }
    strLine += '"';
    size_t nBackslashes = 0;
    for (char c : strArg) {
        if (c == '\\') {
            ++nBackslashes;
            continue;
        }
        if (c == '"') strLine.append(nBackslashes * 2 + 1, '\\');
        else strLine.append(nBackslashes, '\\');
        nBackslashes = 0;
        strLine += c;
    }
    strLine.append(nBackslashes * 2, '\\');
    strLine += '"';
}

bool WaitAndClose(PROCESS_INFORMATION& pi, int& nExitCode) {
    // The process handle is signalled once every thread has ended, the primary one included.
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &dwCode);
    nExitCode = static_cast<int>(dwCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}
}  // namespace

unsigned long LastError() { return t_nLastError; }

std::string ErrorText(unsigned long nError) {
    char szText[512];
    DWORD dwLength = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      /*source=*/nullptr, nError, /*language=*/0, szText,
                                      sizeof szText, /*arguments=*/nullptr);
    // The system's texts end in ".\r\n"; the callers end the sentence themselves.
    while (dwLength > 0 && (szText[dwLength - 1] == '\n' || szText[dwLength - 1] == '\r' ||
                            szText[dwLength - 1] == ' ' || szText[dwLength - 1] == '.'))
        --dwLength;
    if (dwLength == 0) return "system error " + std::to_string(nError);
    return std::string(szText, dwLength);
}

bool IsNotFoundError(unsigned long nError) {
    return nError == ERROR_FILE_NOT_FOUND || nError == ERROR_PATH_NOT_FOUND;
}

// ---- Files ---------------------------------------------------------------------------------

CFile::~CFile() { Close(); }

bool CFile::Open(const char* pszPath, FileMode mode) {
    Close();
    const bool bRead = mode == FileMode::Read;
    // A table open in a spreadsheet is held for writing there, and the spreadsheet saves by
    // writing a new file and renaming it over the old one: a reader shares all three, or it
    // could not open the table while the designer has it open.
    const DWORD dwShare = bRead ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    // CREATE_NEW fails on any name that exists, links included.
    const DWORD dwCreate = bRead                            ? OPEN_EXISTING
                           : mode == FileMode::CreateNew ? CREATE_NEW
                                                         : CREATE_ALWAYS;
    HANDLE h = ::CreateFileA(pszPath, bRead ? GENERIC_READ : GENERIC_WRITE, dwShare,
                             /*security=*/nullptr, dwCreate, FILE_ATTRIBUTE_NORMAL,
                             /*template=*/nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail();
    m_hFile = ToHandle(h);
    m_bSyncOnClose = mode == FileMode::CreateNew;
    return true;
}

std::uint32_t CFile::Read(void* pBuffer, std::uint32_t nCount) {
    if (!IsOpen()) return 0;
    std::uint32_t nDone = 0;
    auto* p = static_cast<char*>(pBuffer);
    while (nDone < nCount) {
        DWORD dwRead = 0;
        if (!::ReadFile(H(m_hFile), p + nDone, nCount - nDone, &dwRead, nullptr)) {
            Fail();
            break;
        }
        if (dwRead == 0) break;
        nDone += dwRead;
    }
    return nDone;
}

bool CFile::Write(const void* pBuffer, std::uint32_t nCount) {
    if (!IsOpen()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return Fail();
    }
    std::uint32_t nAllowed = nCount;
    if (g_nWriteBudget >= 0 && static_cast<std::int64_t>(nCount) > g_nWriteBudget)
        nAllowed = static_cast<std::uint32_t>(g_nWriteBudget);
    const auto* p = static_cast<const char*>(pBuffer);
    std::uint32_t nDone = 0;
    while (nDone < nAllowed) {
        DWORD dwWritten = 0;
        if (!::WriteFile(H(m_hFile), p + nDone, nAllowed - nDone, &dwWritten, nullptr) ||
            dwWritten == 0)
            return Fail();
        nDone += dwWritten;
    }
    if (g_nWriteBudget >= 0) g_nWriteBudget -= nDone;
    if (nAllowed < nCount) {
        ::SetLastError(ERROR_DISK_FULL);
        return Fail();
    }
    return true;
}

bool CFile::Seek(std::uint64_t nPosition) {
    if (!IsOpen()) return false;
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(nPosition);
    return ::SetFilePointerEx(H(m_hFile), li, nullptr, FILE_BEGIN) || Fail();
}

std::uint64_t CFile::Length() const {
    LARGE_INTEGER li;
    if (!IsOpen() || !::GetFileSizeEx(H(m_hFile), &li)) return 0;
    return static_cast<std::uint64_t>(li.QuadPart);
}

std::uint64_t CFile::Position() const {
    LARGE_INTEGER liZero, li;
    liZero.QuadPart = 0;
    if (!IsOpen() || !::SetFilePointerEx(H(m_hFile), liZero, &li, FILE_CURRENT)) return 0;
    return static_cast<std::uint64_t>(li.QuadPart);
}

bool CFile::Close() {
    if (!IsOpen()) return true;
    HANDLE h = H(m_hFile);
    m_hFile = INVALID_HANDLE;
    const bool bSynced = !m_bSyncOnClose || ::FlushFileBuffers(h) || Fail();
    return (::CloseHandle(h) || Fail()) && bSynced;
}

void FailWritesAfter(std::int64_t nBytes) { g_nWriteBudget = nBytes; }

bool FileExists(const char* pszPath) {
    const DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const char* pszPath) { return ::GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const char* pszPath) {
    const DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const char* pszPath) { return ::DeleteFileA(pszPath) || Fail(); }

bool RenameOver(const char* pszTemp, const char* pszTarget) {
    // A reader that opened the target without FILE_SHARE_DELETE (a game loading items.idb with
    // fopen, a virus scanner) makes the replace fail for as long as it holds the file. Such a
    // hold is short, so the rename is tried again for a while before it counts as failed.
    constexpr int RENAME_TRIES = 40;
    constexpr DWORD RENAME_PAUSE_MS = 50;
    for (int nTry = 1;; ++nTry) {
        if (::MoveFileExA(pszTemp, pszTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD dwError = ::GetLastError();
        const DWORD dwAttributes = ::GetFileAttributesA(pszTarget);
        const bool bHeldFile =
            (dwError == ERROR_ACCESS_DENIED || dwError == ERROR_SHARING_VIOLATION) &&
            dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
        if (!bHeldFile || nTry == RENAME_TRIES) {
            ::SetLastError(dwError);
            return Fail();
        }
        ::Sleep(RENAME_PAUSE_MS);
    }
}

// MOVEFILE_WRITE_THROUGH has stored the rename already.
bool SyncFolderOf(const std::string&) { return true; }

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::GetCurrentProcessId()); }

// ---- Mapping -------------------------------------------------------------------------------

bool OpenForMapping(const char* pszPath, Handle& hFile) {
    // Unbuffered reads need sector-aligned pages; without them, hint random access instead.
    DWORD dwSectorsPerCluster = 0, dwBytesPerSector = 0xFFFFFFFF, dwFree = 0, dwTotal = 0;
    const bool bDriveRoot = ((pszPath[0] >= 'A' && pszPath[0] <= 'Z') ||
                             (pszPath[0] >= 'a' && pszPath[0] <= 'z')) &&
                            pszPath[1] == ':' && pszPath[2] == '\\';
    char szRoot[4] = {pszPath[0], ':', '\\', '\0'};
    if (!::GetDiskFreeSpaceA(bDriveRoot ? szRoot : nullptr, &dwSectorsPerCluster,
                             &dwBytesPerSector, &dwFree, &dwTotal))
        dwBytesPerSector = 0xFFFFFFFF;
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const DWORD dwPage = info.dwPageSize;
    const bool bNoBuffering =
        dwBytesPerSector != 0 && dwPage >= dwBytesPerSector && dwPage % dwBytesPerSector == 0;
    const DWORD dwFlags = FILE_ATTRIBUTE_NORMAL |
                          (bNoBuffering ? FILE_FLAG_NO_BUFFERING : FILE_FLAG_RANDOM_ACCESS);
    HANDLE h = ::CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, /*security=*/nullptr,
                             OPEN_EXISTING, dwFlags, /*template=*/nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail();
    hFile = ToHandle(h);
    return true;
}

bool FileSize(Handle hFile, std::uint64_t& nSize) {
    DWORD dwHigh = 0;
    const DWORD dwLow = ::GetFileSize(H(hFile), &dwHigh);
    if (dwLow == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return Fail();
    nSize = (static_cast<std::uint64_t>(dwHigh) << 32) | dwLow;
    return true;
}

bool CreateReadOnlyMapping(Handle hFile, std::uint64_t /*nSize*/, Handle& hMapping) {
    HANDLE h = ::CreateFileMappingA(H(hFile), /*security=*/nullptr, PAGE_READONLY,
                                    /*maximumSizeHigh=*/0, /*maximumSizeLow=*/0, /*name=*/nullptr);
    if (!h) return Fail();
    hMapping = reinterpret_cast<Handle>(h);
    return true;
}

bool MapView(Handle hMapping, Handle /*hFile*/, std::uint64_t /*nSize*/,
             const std::uint8_t*& pData) {
    void* p = ::MapViewOfFile(H(hMapping), FILE_MAP_READ, /*offsetHigh=*/0, /*offsetLow=*/0,
                              /*bytes=*/0);
    if (!p) return Fail();
    pData = static_cast<const std::uint8_t*>(p);
    return true;
}

void UnmapView(const std::uint8_t* pData, std::uint64_t /*nSize*/) {
    if (pData) ::UnmapViewOfFile(pData);
}

void CloseMapping(Handle hMapping) {
    if (hMapping != INVALID_HANDLE && hMapping != 0) ::CloseHandle(H(hMapping));
}

void CloseFileHandle(Handle hFile) {
    if (hFile != INVALID_HANDLE) ::CloseHandle(H(hFile));
}

// ---- Memory --------------------------------------------------------------------------------

void ReleaseFreeMemory() { ::HeapCompact(::GetProcessHeap(), 0); }

// ---- Processes -----------------------------------------------------------------------------

void SetProgramPath(const char* /*pszArgv0*/) {
    // CreateProcessA looks in the running program's folder by itself.
}

namespace {
std::vector<std::string> g_cleanUpPaths;
// Every script runs in this job, which ends what is in it when Marrow ends, however it ends.
HANDLE g_hScriptJob = nullptr;

HANDLE ScriptJob() {
    if (g_hScriptJob) return g_hScriptJob;
    HANDLE hJob = ::CreateJobObjectA(nullptr, nullptr);
    if (!hJob) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    std::memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    g_hScriptJob = hJob;
    return hJob;
}

BOOL WINAPI OnInterrupt(DWORD dwEvent) {
    if (dwEvent != CTRL_C_EVENT && dwEvent != CTRL_BREAK_EVENT && dwEvent != CTRL_CLOSE_EVENT)
        return FALSE;
    if (g_hScriptJob) ::TerminateJobObject(g_hScriptJob, static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    // The processes of a terminated job may take a moment to let go of their files.
    for (const std::string& strPath : g_cleanUpPaths)
        for (int nTry = 0; nTry < 20 && !::DeleteFileA(strPath.c_str()) &&
                           ::GetLastError() == ERROR_ACCESS_DENIED;
             ++nTry)
            ::Sleep(50);
    ::ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}
}  // namespace

void CleanUpOnInterrupt(const std::vector<std::string>& paths) {
    g_cleanUpPaths = paths;
    ScriptJob();
    ::SetConsoleCtrlHandler(OnInterrupt, TRUE);
}

bool RunScriptAndWait(const char* pszScript, const char* pszArgument, int& nExitCode) {
    // A batch file runs through cmd, which would look for the bare name again in the current
    // folder and on PATH only; so it is found first, in CreateProcess's own order (the program's
    // folder, the current folder, the system folders, PATH), and started by its full path.
    char szFound[MAX_PATH];
    const DWORD dwFound = ::SearchPathA(/*path=*/nullptr, pszScript, /*extension=*/nullptr,
                                        sizeof szFound, szFound, /*filePart=*/nullptr);
    if (dwFound == 0 || dwFound >= sizeof szFound) {
        if (dwFound >= sizeof szFound) ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return Fail();
    }
    std::string strCommand;
    AppendQuoted(strCommand, szFound);
    strCommand += std::string(" ") + pszArgument;
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    // Started suspended and put into the job before it runs, so that nothing it starts escapes.
    if (!::CreateProcessA(/*application=*/nullptr, strCommand.data(), nullptr, nullptr,
                          /*inheritHandles=*/FALSE, CREATE_NEW_CONSOLE | CREATE_SUSPENDED,
                          /*environment=*/nullptr, ".\\", &si, &pi))
        return Fail();
    if (HANDLE hJob = ScriptJob()) ::AssignProcessToJobObject(hJob, pi.hProcess);
    ::ResumeThread(pi.hThread);
    return WaitAndClose(pi, nExitCode);
}

bool FindProgram(const char* pszName, std::string& strPath) {
    char szModule[MAX_PATH];
    const DWORD dwModule = ::GetModuleFileNameA(/*module=*/nullptr, szModule, sizeof szModule);
    if (dwModule > 0 && dwModule < sizeof szModule) {
        std::string strBeside(szModule, dwModule);
        const size_t nSlash = strBeside.find_last_of("\\/");
        strBeside = (nSlash == std::string::npos ? std::string() : strBeside.substr(0, nSlash + 1)) +
                    pszName + ".exe";
        const DWORD dwAttributes = ::GetFileAttributesA(strBeside.c_str());
        if (dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            strPath = strBeside;
            return true;
        }
    }
    // PATH alone: the current folder is the tables' folder, where no program is looked for.
    const char* pszPath = std::getenv("PATH");
    char szFound[MAX_PATH];
    const DWORD dwFound = pszPath ? ::SearchPathA(pszPath, pszName, ".exe", sizeof szFound,
                                                  szFound, /*filePart=*/nullptr)
                                  : 0;
    if (dwFound == 0 || dwFound >= sizeof szFound) {
        strPath.clear();
        ::SetLastError(dwFound >= sizeof szFound ? ERROR_FILENAME_EXCED_RANGE : ERROR_FILE_NOT_FOUND);
        return Fail();
    }
    strPath = szFound;
    return true;
}

bool StartProgram(const std::vector<std::string>& args, const char* pszDirectory,
                  const char* pszStdoutPath, const char* pszStderrPath, Handle& hProcess) {
    if (args.empty()) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return Fail();
    }
    std::string strCommand;
    for (const auto& strArg : args) {
        if (!strCommand.empty()) strCommand += ' ';
        AppendQuoted(strCommand, strArg);
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE hIn = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                               OPEN_EXISTING, 0, nullptr);
    HANDLE hOut = ::CreateFileA(pszStdoutPath, GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                CREATE_ALWAYS, 0, nullptr);
    HANDLE hErr = pszStderrPath ? ::CreateFileA(pszStderrPath, GENERIC_WRITE, FILE_SHARE_READ,
                                                &sa, CREATE_ALWAYS, 0, nullptr)
                                : ::GetStdHandle(STD_ERROR_HANDLE);
    bool bStarted = false;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    if (hIn != INVALID_HANDLE_VALUE && hOut != INVALID_HANDLE_VALUE &&
        hErr != INVALID_HANDLE_VALUE) {
        STARTUPINFOA si;
        std::memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = hIn;
        si.hStdOutput = hOut;
        si.hStdError = hErr;
        bStarted = ::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, TRUE, 0,
                                    nullptr, pszDirectory, &si, &pi);
    }
    if (!bStarted) Fail();
    if (hIn != INVALID_HANDLE_VALUE) ::CloseHandle(hIn);
    if (hOut != INVALID_HANDLE_VALUE) ::CloseHandle(hOut);
    if (pszStderrPath && hErr != INVALID_HANDLE_VALUE) ::CloseHandle(hErr);
    if (!bStarted) return false;
    ::CloseHandle(pi.hThread);
    hProcess = ToHandle(pi.hProcess);
    return true;
}

bool WaitForProgram(Handle hProcess, int nTimeoutMs, int& nExitCode) {
    const DWORD dwWait = ::WaitForSingleObject(
        H(hProcess), nTimeoutMs < 0 ? INFINITE : static_cast<DWORD>(nTimeoutMs));
    if (dwWait == WAIT_TIMEOUT) return false;
    if (dwWait != WAIT_OBJECT_0) return Fail();
    DWORD dwCode = 0;
    ::GetExitCodeProcess(H(hProcess), &dwCode);
    nExitCode = static_cast<int>(dwCode);
    ::CloseHandle(H(hProcess));
    return true;
}

bool SignalProgram(Handle /*hProcess*/, int /*nSignal*/) {
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return Fail();
}

void KillProgram(Handle hProcess) {
    ::TerminateProcess(H(hProcess), /*exitCode=*/1);
    ::WaitForSingleObject(H(hProcess), INFINITE);
    ::CloseHandle(H(hProcess));
}

bool RunProgram(const std::vector<std::string>& args, const char* pszDirectory,
                const char* pszStdoutPath, const char* pszStderrPath, int& nExitCode) {
    Handle hProcess = INVALID_HANDLE;
    return StartProgram(args, pszDirectory, pszStdoutPath, pszStderrPath, hProcess) &&
           WaitForProgram(hProcess, /*timeoutMs=*/-1, nExitCode);
}

// ---- Locks ---------------------------------------------------------------------------------

LockResult LockExclusive(const char* pszPath, Handle& hLock) {
    // Deleted by the system once the last handle closes, so even an ended run leaves none.
    // FILE_FLAG_OPEN_REPARSE_POINT: a link in its place is opened as itself, never followed.
    HANDLE h = ::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             /*security=*/nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE |
                                 FILE_FLAG_OPEN_REPARSE_POINT,
                             /*template=*/nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Fail();
        return LockResult::FAILED;
    }
    OVERLAPPED overlapped;
    std::memset(&overlapped, 0, sizeof overlapped);
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, /*reserved=*/0,
                      /*bytesLow=*/1, /*bytesHigh=*/0, &overlapped)) {
        Fail();
        ::CloseHandle(h);
        return t_nLastError == ERROR_LOCK_VIOLATION || t_nLastError == ERROR_IO_PENDING
                   ? LockResult::HELD_ELSEWHERE
                   : LockResult::FAILED;
    }
    hLock = ToHandle(h);
    return LockResult::LOCKED;
}

void UnlockAndRemove(const char* /*pszPath*/, Handle hLock) {
    if (hLock != INVALID_HANDLE) ::CloseHandle(H(hLock));  // deletes it, see LockExclusive
}

// ---- People --------------------------------------------------------------------------------

void FormatErrorText(char* pszBuffer, const char* pszFormat, va_list args) {
    ::wvsprintfA(pszBuffer, pszFormat, args);  // writes at most 1024 bytes, terminator included
}

namespace {
// A build service runs on a window station that nobody sees: a box there is never answered.
bool IsDesktopVisible() {
    HWINSTA hStation = ::GetProcessWindowStation();
    USEROBJECTFLAGS flags;
    std::memset(&flags, 0, sizeof flags);
    DWORD dwNeeded = 0;
    return hStation &&
           ::GetUserObjectInformationA(hStation, UOI_FLAGS, &flags, sizeof flags, &dwNeeded) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}
}  // namespace

void ShowErrorBox(const char* pszText) {
    if (IsDesktopVisible())
        ::MessageBoxA(/*owner=*/nullptr, pszText, "ERROR", MB_OK | MB_ICONERROR);
}

void DebugOutput(const char* pszText) { ::OutputDebugStringA(pszText); }

}  // namespace platform
