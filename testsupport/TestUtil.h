// Helpers shared by the test programs: temporary directories, files, hex, captured reports.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace testutil {

namespace fs = std::filesystem;

// The exit status of exit(-1) as a parent process sees it.
#ifdef _WIN32
inline constexpr int EXIT_MINUS_ONE = -1;
#else
inline constexpr int EXIT_MINUS_ONE = 255;
#endif

// The system's words for a missing file, a missing folder and a full disk, as messages give
// them. Windows' own texts differ between its versions (and wine), so they are asked of it.
#ifdef _WIN32
inline const std::string NOT_FOUND_TEXT = platform::ErrorText(2);       // ERROR_FILE_NOT_FOUND
inline const std::string PATH_NOT_FOUND_TEXT = platform::ErrorText(3);  // ERROR_PATH_NOT_FOUND
inline const std::string DISK_FULL_TEXT = platform::ErrorText(112);     // ERROR_DISK_FULL
#else
inline const std::string NOT_FOUND_TEXT = "No such file or directory";
inline const std::string PATH_NOT_FOUND_TEXT = NOT_FOUND_TEXT;
inline const std::string DISK_FULL_TEXT = "No space left on device";
#endif

// A fresh empty directory, removed with everything in it at the end of the test.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const fs::path& Path() const { return m_path; }
    std::string operator/(const std::string& strName) const { return (m_path / strName).string(); }

private:
    fs::path m_path;
};

// Makes a directory current for the lifetime of the object.
class CCurrentDirectory {
public:
    explicit CCurrentDirectory(const fs::path& path);
    ~CCurrentDirectory();

private:
    fs::path m_previous;
};

void WriteFile(const fs::path& path, std::string_view strBytes);
std::string ReadFile(const fs::path& path);
// A program's captured output, with the CR LF line ends of Windows' text mode read as LF.
std::string ReadOutput(const fs::path& path);
// "01 18 01 00" for the bytes; spaces between bytes.
std::string Hex(std::string_view strBytes);
// The bytes of a hex text such as "01 18 01 00"; spaces are ignored.
std::string Unhex(std::string_view strHex);

// Reports of ReportError while the object lives, instead of message boxes; the error count is
// reset on entry and exit.
class CReportCatcher {
public:
    CReportCatcher();
    ~CReportCatcher();
    const std::vector<std::string>& Reports() const { return m_reports; }

private:
    static void Observe(const char* pszText, void* pContext);
    std::vector<std::string> m_reports;
};

// The built converter, and the directory of the example tables and Ini2Reg.bat.
std::string Ini2RegPath();
std::string MarrowPath();
fs::path ExamplesDir();
// Copies Ini2Reg.bat and the converter into a directory, so that builders can run there.
void InstallConverter(const fs::path& directory);

// One step of a chunk path: the id and which occurrence among its siblings (1 = first).
struct SChunkStep {
    int nId;
    int nOccurrence = 1;
};
// The whole chunk (header and payload) at the path, the first step among the top-level chunks
// of an archive; empty when absent. A decoder of its own, so that tests do not trust the
// archive's reader to check the archive's writer.
std::string FindChunk(std::string_view strArchive, const std::vector<SChunkStep>& path);
// The payload of a chunk as FindChunk returns it.
std::string PayloadOf(std::string_view strChunk);

// An Ini2Reg.bat for both shells: sh runs the first line, which ends the script; cmd skips it as
// a label and runs the second.
std::string ConversionScript(const std::string& strSh, const std::string& strCmd);

// A table from rows of cells: cells joined by TAB, rows ended by LF.
std::string Table(const std::vector<std::vector<std::string>>& rows);

}  // namespace testutil
