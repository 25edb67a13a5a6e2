// POSIX implementation of the platform layer.
#include "platform/Platform.h"

#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern char** environ;

namespace platform {

namespace {
thread_local unsigned long t_nLastError = 0;
std::int64_t g_nWriteBudget = -1;

bool Fail() {
    t_nLastError = static_cast<unsigned long>(errno);
    return false;
}

int Fd(Handle h) { return static_cast<int>(h); }

int DecodeStatus(int nStatus) {
    if (WIFEXITED(nStatus)) return WEXITSTATUS(nStatus);
    if (WIFSIGNALED(nStatus)) return 128 + WTERMSIG(nStatus);
    return -1;
}
}  // namespace

unsigned long LastError() { return t_nLastError; }

std::string ErrorText(unsigned long nError) { return std::strerror(static_cast<int>(nError)); }

bool IsNotFoundError(unsigned long nError) { return nError == ENOENT || nError == ENOTDIR; }

// ---- Files ---------------------------------------------------------------------------------

CFile::~CFile() { Close(); }

bool CFile::Open(const char* pszPath, FileMode mode) {
    Close();
    int nFlags = O_RDONLY;
    if (mode == FileMode::CreateWrite) nFlags = O_WRONLY | O_CREAT | O_TRUNC;
    // O_EXCL fails on any name that exists, links included; O_NOFOLLOW says so twice.
    if (mode == FileMode::CreateNew) nFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    const int fd = ::open(pszPath, nFlags | O_CLOEXEC, 0666);
    if (fd < 0) return Fail();
    m_hFile = fd;
    m_bSyncOnClose = mode == FileMode::CreateNew;
    return true;
}

std::uint32_t CFile::Read(void* pBuffer, std::uint32_t nCount) {
    if (!IsOpen()) return 0;
    std::uint32_t nDone = 0;
    auto* p = static_cast<char*>(pBuffer);
    while (nDone < nCount) {
        const ssize_t n = ::read(Fd(m_hFile), p + nDone, nCount - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) Fail();
            break;
        }
        nDone += static_cast<std::uint32_t>(n);
    }
    return nDone;
}

bool CFile::Write(const void* pBuffer, std::uint32_t nCount) {
    if (!IsOpen()) {
        errno = EBADF;
        return Fail();
    }
    std::uint32_t nAllowed = nCount;
    if (g_nWriteBudget >= 0 && static_cast<std::int64_t>(nCount) > g_nWriteBudget)
        nAllowed = static_cast<std::uint32_t>(g_nWriteBudget);
    const auto* p = static_cast<const char*>(pBuffer);
    std::uint32_t nDone = 0;
    while (nDone < nAllowed) {
        const ssize_t n = ::write(Fd(m_hFile), p + nDone, nAllowed - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail();
        nDone += static_cast<std::uint32_t>(n);
    }
    if (g_nWriteBudget >= 0) g_nWriteBudget -= nDone;
    if (nAllowed < nCount) {
        errno = ENOSPC;
        return Fail();
    }
    return true;
}

bool CFile::Seek(std::uint64_t nPosition) {
    if (!IsOpen()) return false;
    if (::lseek(Fd(m_hFile), static_cast<off_t>(nPosition), SEEK_SET) < 0) return Fail();
    return true;
}

std::uint64_t CFile::Length() const {
    struct stat st {};
    if (!IsOpen() || ::fstat(Fd(m_hFile), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t CFile::Position() const {
    if (!IsOpen()) return 0;
    const off_t n = ::lseek(Fd(m_hFile), 0, SEEK_CUR);
    return n < 0 ? 0 : static_cast<std::uint64_t>(n);
}

bool CFile::Close() {
    if (!IsOpen()) return true;
    const int fd = Fd(m_hFile);
    m_hFile = INVALID_HANDLE;
    const bool bSynced = !m_bSyncOnClose || ::fsync(fd) == 0 || Fail();
    return (::close(fd) == 0 || Fail()) && bSynced;
}

void FailWritesAfter(std::int64_t nBytes) { g_nWriteBudget = nBytes; }

bool FileExists(const char* pszPath) {
    struct stat st {};
    return ::stat(pszPath, &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const char* pszPath) {
    struct stat st {};
    return ::stat(pszPath, &st) == 0;
}

bool IsFolder(const char* pszPath) {
    struct stat st {};
    return ::stat(pszPath, &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const char* pszPath) { return ::unlink(pszPath) == 0 || Fail(); }

bool RenameOver(const char* pszTemp, const char* pszTarget) {
    return ::rename(pszTemp, pszTarget) == 0 || Fail();
}

bool SyncFolderOf(const std::string& strPath) {
    const size_t nSlash = strPath.rfind('/');
    const std::string strFolder =
        nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : strPath.substr(0, nSlash);
    const int fd = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail();
    const bool bSynced = ::fsync(fd) == 0 || Fail();
    ::close(fd);
    return bSynced;
}

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::getpid()); }

// ---- Mapping -------------------------------------------------------------------------------

bool OpenForMapping(const char* pszPath, Handle& hFile) {
    const int fd = ::open(pszPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail();
    hFile = fd;
    return true;
}

bool FileSize(Handle hFile, std::uint64_t& nSize) {
    struct stat st {};
    if (::fstat(Fd(hFile), &st) != 0) return Fail();
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;  // a directory or device has no size to map
        return Fail();
    }
    nSize = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool CreateReadOnlyMapping(Handle hFile, std::uint64_t nSize, Handle& hMapping) {
    // POSIX maps straight from the descriptor; only the empty-file refusal is shared.
    if (nSize == 0) {
        errno = EINVAL;
        return Fail();
    }
    hMapping = hFile;
    return true;
}

bool MapView(Handle /*hMapping*/, Handle hFile, std::uint64_t nSize, const std::uint8_t*& pData) {
    int nFlags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    // Every page is read soon after: fault them in at once rather than one by one.
    nFlags |= MAP_POPULATE;
#endif
    void* p = ::mmap(nullptr, static_cast<size_t>(nSize), PROT_READ, nFlags, Fd(hFile), 0);
    if (p == MAP_FAILED) return Fail();
    pData = static_cast<const std::uint8_t*>(p);
    return true;
}

void UnmapView(const std::uint8_t* pData, std::uint64_t nSize) {
    if (pData) ::munmap(const_cast<std::uint8_t*>(pData), static_cast<size_t>(nSize));
}

void CloseMapping(Handle /*hMapping*/) {}

void CloseFileHandle(Handle hFile) {
    if (hFile != INVALID_HANDLE) ::close(Fd(hFile));
}

// ---- Memory --------------------------------------------------------------------------------

void ReleaseFreeMemory() {
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

// ---- Processes -----------------------------------------------------------------------------

namespace {
std::string g_strArgv0;

// The folder of the running program, ending in '/': the system's own link first, then argv[0].
std::string ProgramDirectory() {
    char szPath[4096];
    const ssize_t n = ::readlink("/proc/self/exe", szPath, sizeof szPath - 1);
    const std::string strPath = n > 0 ? std::string(szPath, static_cast<size_t>(n)) : g_strArgv0;
    const size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? std::string() : strPath.substr(0, nSlash + 1);
}

bool IsReadableFile(const std::string& strPath) {
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(strPath.c_str(), R_OK) == 0;
}

// Each PATH entry as a folder ending in '/' (an empty entry is the current folder).
void AppendPathFolders(std::vector<std::string>& folders) {
    const char* pszPath = std::getenv("PATH");
    for (std::string_view strRest = pszPath ? pszPath : ""; pszPath;) {
        const size_t nColon = strRest.find(':');
        const std::string strFolder(strRest.substr(0, nColon));
        folders.push_back(strFolder.empty() ? "./" : strFolder + "/");
        if (nColon == std::string_view::npos) break;
        strRest.remove_prefix(nColon + 1);
    }
}

// Where Windows would find the script: beside the program, here, then each PATH entry (an
// empty entry is the current folder).
bool FindScript(const char* pszScript, std::string& strFound) {
    if (std::strchr(pszScript, '/')) {
        strFound = pszScript;
        return IsReadableFile(strFound);
    }
    std::vector<std::string> folders = {ProgramDirectory(), "./"};
    AppendPathFolders(folders);
    for (const std::string& strFolder : folders) {
        if (strFolder.empty()) continue;
        strFound = strFolder + pszScript;
        if (IsReadableFile(strFound)) return true;
    }
    return false;
}
}  // namespace

void SetProgramPath(const char* pszArgv0) { g_strArgv0 = pszArgv0 ? pszArgv0 : ""; }

namespace {
// What an interrupt must clean up. Written before the handler is installed and only read in it.
std::vector<std::string> g_cleanUpPaths;
// The running script's process group, 0 when none runs.
volatile sig_atomic_t g_nScriptGroup = 0;

extern "C" void OnInterrupt(int nSignal) {
    // Only async-signal-safe calls. The script's whole group is killed and reaped first, so that
    // nothing it started can write a file after it was removed.
    const pid_t nGroup = static_cast<pid_t>(g_nScriptGroup);
    if (nGroup > 0) {
        ::kill(-nGroup, SIGKILL);
        while (::waitpid(nGroup, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    for (const std::string& strPath : g_cleanUpPaths) ::unlink(strPath.c_str());
    ::signal(nSignal, SIG_DFL);
    ::raise(nSignal);
}
}  // namespace

void CleanUpOnInterrupt(const std::vector<std::string>& paths) {
    g_cleanUpPaths = paths;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGHUP);
    for (const int nSignal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(nSignal, &action, nullptr);
}

bool RunScriptAndWait(const char* pszScript, const char* pszArgument, int& nExitCode) {
    // The shell would start even without the script; a script found nowhere is "not found".
    std::string strScript;
    if (!FindScript(pszScript, strScript)) {
        errno = ENOENT;
        return Fail();
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char szShell[] = "/bin/sh";
    std::string strArgument = pszArgument;
    char* argv[] = {szShell, strScript.data(), strArgument.data(), nullptr};
    // A group of its own, which an interrupt ends whole (the terminal's Ctrl+C reaches only
    // Marrow, which then ends the script).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    // Blocked while the group is not yet recorded, so that an interrupt cannot miss it.
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (const int nSignal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, nSignal);
    ::sigprocmask(SIG_BLOCK, &interrupts, &previous);
    pid_t pid = 0;
    const int nError = ::posix_spawn(&pid, szShell, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (nError == 0) g_nScriptGroup = pid;
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (nError != 0) {
        errno = nError;
        return Fail();
    }
    int nStatus = 0;
    while (::waitpid(pid, &nStatus, 0) < 0) {
        if (errno != EINTR) {
            g_nScriptGroup = 0;
            return Fail();
        }
    }
    g_nScriptGroup = 0;
    nExitCode = DecodeStatus(nStatus);
    return true;
}

bool FindProgram(const char* pszName, std::string& strPath) {
    std::vector<std::string> folders = {ProgramDirectory()};
    AppendPathFolders(folders);
    for (const std::string& strFolder : folders) {
        if (strFolder.empty()) continue;
        strPath = strFolder + pszName;
        struct stat st {};
        if (::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(strPath.c_str(), X_OK) == 0)
            return true;
    }
    strPath.clear();
    errno = ENOENT;
    return Fail();
}

bool StartProgram(const std::vector<std::string>& args, const char* pszDirectory,
                  const char* pszStdoutPath, const char* pszStderrPath, Handle& hProcess) {
    if (args.empty()) {
        errno = EINVAL;
        return Fail();
    }
    std::vector<char*> argv;
    std::vector<std::string> copies(args);
    for (auto& s : copies) argv.push_back(s.data());
    argv.push_back(nullptr);
    int fdReport[2];
    if (::pipe2(fdReport, O_CLOEXEC) != 0) return Fail();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fdReport[0]);
        ::close(fdReport[1]);
        return Fail();
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        const int fdIn = ::open("/dev/null", O_RDONLY);
        const int fdOut = ::open(pszStdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int fdErr =
            pszStderrPath ? ::open(pszStderrPath, O_WRONLY | O_CREAT | O_TRUNC, 0666) : 2;
        if (fdIn < 0 || fdOut < 0 || fdErr < 0 || ::dup2(fdIn, 0) < 0 || ::dup2(fdOut, 1) < 0 ||
            ::dup2(fdErr, 2) < 0 || (pszDirectory && ::chdir(pszDirectory) != 0)) {
            const int e = errno;
            (void)!::write(fdReport[1], &e, sizeof e);
            ::_exit(127);
        }
        ::execv(argv[0], argv.data());
        const int e = errno;
        (void)!::write(fdReport[1], &e, sizeof e);
        ::_exit(127);
    }
    ::close(fdReport[1]);
    int nChildError = 0;
    // The report pipe closes on a successful exec, so this read ends either way.
    ssize_t nRead;
    while ((nRead = ::read(fdReport[0], &nChildError, sizeof nChildError)) < 0 && errno == EINTR) {
    }
    ::close(fdReport[0]);
    if (nRead == static_cast<ssize_t>(sizeof nChildError)) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = nChildError;
        return Fail();
    }
    hProcess = pid;
    return true;
}

bool WaitForProgram(Handle hProcess, int nTimeoutMs, int& nExitCode) {
    const pid_t pid = static_cast<pid_t>(hProcess);
    int nStatus = 0;
    if (nTimeoutMs < 0) {
        while (::waitpid(pid, &nStatus, 0) < 0) {
            if (errno != EINTR) return Fail();
        }
        nExitCode = DecodeStatus(nStatus);
        return true;
    }
    // The system has no waitpid with a limit: a look every 10 ms is cheap enough for the tools
    // and tests that wait this way.
    for (int nWaited = 0;; nWaited += 10) {
        const pid_t nDone = ::waitpid(pid, &nStatus, WNOHANG);
        if (nDone == pid) {
            nExitCode = DecodeStatus(nStatus);
            return true;
        }
        if (nDone < 0 && errno != EINTR) return Fail();
        if (nWaited >= nTimeoutMs) return false;
        ::usleep(10000);
    }
}

bool SignalProgram(Handle hProcess, int nSignal) {
    return ::kill(static_cast<pid_t>(hProcess), nSignal) == 0 || Fail();
}

void KillProgram(Handle hProcess) {
    const pid_t pid = static_cast<pid_t>(hProcess);
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool RunProgram(const std::vector<std::string>& args, const char* pszDirectory,
                const char* pszStdoutPath, const char* pszStderrPath, int& nExitCode) {
    Handle hProcess = INVALID_HANDLE;
    return StartProgram(args, pszDirectory, pszStdoutPath, pszStderrPath, hProcess) &&
           WaitForProgram(hProcess, /*timeoutMs=*/-1, nExitCode);
}

// ---- Locks ---------------------------------------------------------------------------------

LockResult LockExclusive(const char* pszPath, Handle& hLock) {
    for (int nTry = 0; nTry < 8; ++nTry) {
        const int fd = ::open(pszPath, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            // A link in the lock's place is removed, never written through.
            if (errno == ELOOP && ::unlink(pszPath) == 0) continue;
            Fail();
            return LockResult::FAILED;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool bHeld = errno == EWOULDBLOCK;
            Fail();
            ::close(fd);
            return bHeld ? LockResult::HELD_ELSEWHERE : LockResult::FAILED;
        }
        // The holder before us may have removed the file between our open and our lock: then
        // the lock is on a file nobody else will find, and the name must be taken anew.
        struct stat stOpen {}, stNamed {};
        if (::fstat(fd, &stOpen) == 0 && ::lstat(pszPath, &stNamed) == 0 &&
            stOpen.st_dev == stNamed.st_dev && stOpen.st_ino == stNamed.st_ino) {
            hLock = fd;
            return LockResult::LOCKED;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    Fail();
    return LockResult::FAILED;
}

void UnlockAndRemove(const char* pszPath, Handle hLock) {
    if (hLock == INVALID_HANDLE) return;
    ::unlink(pszPath);  // while still held, so that no other run locks the old file
    ::close(Fd(hLock));
}

// ---- People --------------------------------------------------------------------------------

void FormatErrorText(char* pszBuffer, const char* pszFormat, va_list args) {
    std::vsnprintf(pszBuffer, ERROR_TEXT_SIZE, pszFormat, args);
}

void ShowErrorBox(const char* /*pszText*/) {
    // The text is on standard error already. Only a person at a terminal can acknowledge: runs
    // in a batch, or whose errors go to a log, must never wait here.
    if (::isatty(0) && ::isatty(2)) {
        std::fputs("Press Enter to continue.", stderr);
        std::fflush(stderr);
        int c;
        while ((c = std::getchar()) != EOF && c != '\n') {
        }
    }
}

void DebugOutput(const char* pszText) { std::fputs(pszText, stderr); }

}  // namespace platform
