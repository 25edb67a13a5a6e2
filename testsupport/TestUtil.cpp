#include "testsupport/TestUtil.h"

#include <fstream>
#include <random>
#include <sstream>

#include "driver/ErrorReport.h"

namespace testutil {

CTempDir::CTempDir() {
    std::random_device random;
    for (;;) {
        m_path = fs::temp_directory_path() / ("marrow-test-" + std::to_string(random()));
        if (fs::create_directory(m_path)) break;
    }
}

CTempDir::~CTempDir() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

CCurrentDirectory::CCurrentDirectory(const fs::path& path) : m_previous(fs::current_path()) {
    fs::current_path(path);
}

CCurrentDirectory::~CCurrentDirectory() { fs::current_path(m_previous); }

void WriteFile(const fs::path& path, std::string_view strBytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string Hex(std::string_view strBytes) {
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string strHex;
    for (char ch : strBytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (!strHex.empty()) strHex += ' ';
        strHex += DIGITS[c >> 4];
        strHex += DIGITS[c & 15];
    }
    return strHex;
}

std::string Unhex(std::string_view strHex) {
    std::string strBytes;
    int nHigh = -1;
    for (char c : strHex) {
        int n = -1;
        if (c >= '0' && c <= '9') n = c - '0';
        else if (c >= 'A' && c <= 'F') n = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') n = c - 'a' + 10;
        if (n < 0) continue;
        if (nHigh < 0) {
            nHigh = n;
        } else {
            strBytes += static_cast<char>(nHigh * 16 + n);
            nHigh = -1;
        }
    }
    return strBytes;
}

CReportCatcher::CReportCatcher() {
    ResetErrorCount();
    SetErrorObserver(&CReportCatcher::Observe, this);
}

CReportCatcher::~CReportCatcher() {
    SetErrorObserver(nullptr, nullptr);
    ResetErrorCount();
}

void CReportCatcher::Observe(const char* pszText, void* pContext) {
    static_cast<CReportCatcher*>(pContext)->m_reports.emplace_back(pszText);
}

std::string Ini2RegPath() { return MARROW_INI2REG_PATH; }
std::string MarrowPath() { return MARROW_MARROW_PATH; }
fs::path ExamplesDir() { return fs::path(MARROW_SOURCE_DIR) / "examples"; }

void InstallConverter(const fs::path& directory) {
    fs::copy_file(ExamplesDir() / "Ini2Reg.bat", directory / "Ini2Reg.bat",
                  fs::copy_options::overwrite_existing);
    const fs::path converter = Ini2RegPath();
    fs::copy_file(converter, directory / converter.filename(),
                  fs::copy_options::overwrite_existing);
}

std::string Table(const std::vector<std::vector<std::string>>& rows) {
    std::string strTable;
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i) strTable += '\t';
            strTable += row[i];
        }
        strTable += '\n';
    }
    return strTable;
}

}  // namespace testutil
