// The few operating-system services the tool uses, defined once per system
// (PlatformPosix.cpp, PlatformWindows.cpp). Nothing else includes system headers.
// Functions return bool and leave the system's error code for LastError();
// user-facing texts stay with the callers, so both builds print the same words.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char PATH_SEPARATOR = '\\';
#else
inline constexpr char PATH_SEPARATOR = '/';
#endif

using Handle = std::intptr_t;  // a HANDLE on Windows, a descriptor on POSIX
inline constexpr Handle INVALID_HANDLE = -1;

// errno or GetLastError() of the last failed call.
unsigned long LastError();
// The system's own words for an error code ("No such file or directory"), without a final
// full stop or line end, so that callers can end the sentence themselves.
std::string ErrorText(unsigned long nError);
// Whether the code says that a file or folder does not exist.
bool IsNotFoundError(unsigned long nError);

// ---- Files -------------------------------------------------------------------------------

enum class FileMode { Read, CreateWrite, CreateNew };

// A plain unbuffered file. CreateWrite creates a missing file and truncates an existing one.
// CreateNew creates a file that is not there yet and fails when anything has the name (a file,
// a link, a pipe, a folder), so nothing else is ever written through it; what was written to
// such a file is on the disk before Close returns. Every operation on a closed file fails. The
// destructor closes.
class CFile {
public:
    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const char* pszPath, FileMode mode);
    // Returns the bytes delivered: fewer than asked at the end of the file or on an error.
    std::uint32_t Read(void* pBuffer, std::uint32_t nCount);
    // True only when every byte was written.
    bool Write(const void* pBuffer, std::uint32_t nCount);
    bool Seek(std::uint64_t nPosition);
    std::uint64_t Length() const;
    std::uint64_t Position() const;
    // False when the system reports that buffered data could not be stored.
    bool Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE; }

private:
    Handle m_hFile = INVALID_HANDLE;
    bool m_bSyncOnClose = false;  // a CreateNew file
};

// Test seam: after nBytes more bytes, every CFile::Write fails (the bytes up to the limit are
// written). A negative value turns the fault off, which is the state at start-up.
void FailWritesAfter(std::int64_t nBytes);

// Whether the path names a regular file (after links).
bool FileExists(const char* pszPath);
// Whether anything at all has the name, after links (a file, a folder, a device, a pipe).
bool PathExists(const char* pszPath);
// Whether the path names a folder.
bool IsFolder(const char* pszPath);
// Removes a file or a link (not what it points to); never a folder. False when nothing was
// removed.
bool RemoveFile(const char* pszPath);
// Replaces the target, also when it exists; the target is never left half written.
bool RenameOver(const char* pszTemp, const char* pszTarget);
// Stores the folder's list of names on the disk, so that a rename in it survives a crash (a
// no-op where the system does that itself).
bool SyncFolderOf(const std::string& strPath);

std::uint32_t ProcessId();
// The temporary beside strPath that this process writes it through: "<strPath>.<process id>.tmp".
// Its own per process, so two runs saving into one folder never write into one file.
inline std::string TemporaryNameFor(const std::string& strPath) {
    return strPath + "." + std::to_string(ProcessId()) + ".tmp";
}

// Writes the file at strPath whole or not at all, on RenameOver: write(pszTemp) creates the
// temporary (TemporaryNameFor) with FileMode::CreateNew, fills and closes it, and says whether
// every byte reached it; only then is it renamed over strPath. When either step fails,
// failed(bRenaming) runs at once, while LastError() still tells the cause, and the temporary is
// removed; strPath stays as it was. A temporary of that name left by a killed run is removed
// first (a link as a link; a folder of that name stays, and the write fails).
template <class FWrite, class FFailed>
bool WriteThroughTemporary(const std::string& strPath, FWrite write, FFailed failed) {
    const std::string strTemp = TemporaryNameFor(strPath);
    RemoveFile(strTemp.c_str());
    const bool bWritten = write(strTemp.c_str());
    if (bWritten && RenameOver(strTemp.c_str(), strPath.c_str())) {
        SyncFolderOf(strPath);
        return true;
    }
    failed(bWritten);
    if (bWritten || !IsFolder(strTemp.c_str())) RemoveFile(strTemp.c_str());
    return false;
}

// What became of reading a whole file; LastError() tells the cause of CANNOT_OPEN and
// CANNOT_READ.
enum class WholeFile { READ, CANNOT_OPEN, TOO_LARGE, CANNOT_READ };
// Reads the whole file at pszPath into strBytes, when it holds at most nLimit bytes (at most
// 0xFFFFFFF0, what one read can take).
WholeFile ReadWholeFile(const char* pszPath, std::uint64_t nLimit, std::string& strBytes);
// Writes data as the whole file at strPath through WriteThroughTemporary: all of it or nothing.
bool WriteWholeFile(const std::string& strPath, std::string_view data);

// ---- Read-only mapping of a whole file, in four steps so that the caller can tell which ----
// ---- one failed. On a false result the outputs stay invalid.                             ----

// Opens an existing file for reading; others may read it but not write it.
bool OpenForMapping(const char* pszPath, Handle& hFile);
bool FileSize(Handle hFile, std::uint64_t& nSize);
// Fails for an empty file, as the system cannot map zero bytes.
bool CreateReadOnlyMapping(Handle hFile, std::uint64_t nSize, Handle& hMapping);
bool MapView(Handle hMapping, Handle hFile, std::uint64_t nSize, const std::uint8_t*& pData);
void UnmapView(const std::uint8_t* pData, std::uint64_t nSize);
void CloseMapping(Handle hMapping);
void CloseFileHandle(Handle hFile);

// ---- Memory --------------------------------------------------------------------------------

// Gives the memory that the heap holds free back to the system, so that what a finished step
// freed does not count toward the next step's peak.
void ReleaseFreeMemory();

// ---- Processes -----------------------------------------------------------------------------

// Remembers how the program was started (argv[0]): where the running program's file cannot be
// asked of the system, its folder is taken from this.
void SetProgramPath(const char* pszArgv0);

// Runs a script with one argument in the current directory, hidden (no console, standard input
// empty, standard output discarded), and waits for it to end. A bare name is looked for as
// Windows looks for a program: in the running program's folder, then the current folder, then
// (Windows) the system folders, then each folder of PATH. False when it could not be started
// (IsNotFoundError(LastError()) when it is nowhere); otherwise nExitCode holds its exit status.
bool RunScriptAndWait(const char* pszScript, const char* pszArgument, int& nExitCode);

// Makes an interrupt (Ctrl+C) or a termination request end the run cleanly: the script that
// RunScriptAndWait runs is ended with everything it started, the files named here are removed
// (as links, never followed), and the process ends as the signal ends it (Windows: status
// 0xC000013A). Called once, before the first script runs; the names are copied.
void CleanUpOnInterrupt(const std::vector<std::string>& paths);

// Runs a program with arguments in a directory and waits for it. Standard output, and standard
// error when pszStderrPath is given, go to files; standard input is empty. False when it could
// not be started. Used by tests and tools.
bool RunProgram(const std::vector<std::string>& args, const char* pszDirectory,
                const char* pszStdoutPath, const char* pszStderrPath, int& nExitCode);

// Where a program named without a folder is started from: the running program's folder first,
// then each folder of PATH; "name.exe" on Windows. False when it is in none of them.
bool FindProgram(const char* pszName, std::string& strPath);

// RunProgram without the wait: on true, hProcess stands for the running program until
// WaitForProgram reports its end or KillProgram ends it; each of those releases it.
bool StartProgram(const std::vector<std::string>& args, const char* pszDirectory,
                  const char* pszStdoutPath, const char* pszStderrPath, Handle& hProcess);
// Waits at most nTimeoutMs milliseconds (a negative count: without limit). True, with its exit
// status, once the program has ended; false while it still runs (the handle stays valid).
bool WaitForProgram(Handle hProcess, int nTimeoutMs, int& nExitCode);
// Sends a signal (SIGINT, SIGTERM of <csignal>) to a started program. POSIX only: elsewhere
// false, with the system's "not supported" code.
bool SignalProgram(Handle hProcess, int nSignal);
// Ends a started program at once and waits for it; the handle is released.
void KillProgram(Handle hProcess);

// ---- Locks ---------------------------------------------------------------------------------

enum class LockResult { LOCKED, HELD_ELSEWHERE, FAILED };
// Takes an exclusive lock on a lock file, creating it (a symbolic link in its place is removed,
// not followed). HELD_ELSEWHERE at once, without waiting, when another process holds it; FAILED
// (see LastError) when the file cannot be made. On LOCKED, hLock is valid until UnlockAndRemove.
LockResult LockExclusive(const char* pszPath, Handle& hLock);
// Removes the lock file and gives the lock up.
void UnlockAndRemove(const char* pszPath, Handle hLock);

// ---- People --------------------------------------------------------------------------------

inline constexpr int ERROR_TEXT_SIZE = 1024;
// Formats an error box text into a buffer of ERROR_TEXT_SIZE bytes with the system's own
// formatter (integer, character and string conversions); longer texts are cut.
void FormatErrorText(char* pszBuffer, const char* pszFormat, va_list args);

// Asks a person to acknowledge an error whose text the caller has written to standard error: a
// box on Windows when the process's desktop is visible, elsewhere a prompt when both standard
// input and standard error are a terminal. Returns once acknowledged, or at once where nobody
// can answer (a build service, a pipe, a log file).
void ShowErrorBox(const char* pszText);
// Diagnostic channel for developers: the debugger on Windows, standard error elsewhere.
void DebugOutput(const char* pszText);

}  // namespace platform
