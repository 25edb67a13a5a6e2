// Helpers shared by the test programs: temporary directories, files, hex, captured reports.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testutil {

namespace fs = std::filesystem;

// The exit status of exit(-1) as a parent process sees it.
#ifdef _WIN32
inline constexpr int EXIT_MINUS_ONE = -1;
#else
inline constexpr int EXIT_MINUS_ONE = 255;
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
