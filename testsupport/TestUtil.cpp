#include "testsupport/TestUtil.h"

#include <fstream>
#include <random>
#include <sstream>

#include "errors/ErrorReport.h"

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

std::string ReadOutput(const fs::path& path) {
    std::string strText = ReadFile(path);
    std::string strOutput;
    strOutput.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i)
        if (strText[i] != '\r' || i + 1 == strText.size() || strText[i + 1] != '\n')
            strOutput += strText[i];
    return strOutput;
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

namespace {
// Splits a chunk at the front of the bytes: header length and payload length.
bool DecodeHeader(std::string_view strBytes, size_t& nHeader, size_t& nPayload) {
    if (strBytes.size() < 2) return false;
    const auto b = [&](size_t i) { return static_cast<size_t>(static_cast<unsigned char>(strBytes[i])); };
    if ((b(1) & 1) == 0) {
        nHeader = 2;
        nPayload = b(1) / 2;
    } else {
        if (strBytes.size() < 5) return false;
        nHeader = 5;
        nPayload = (b(1) | (b(2) << 8) | (b(3) << 16) | (b(4) << 24)) / 2;
    }
    return nHeader + nPayload <= strBytes.size();
}
}  // namespace

std::string FindChunk(std::string_view strArchive, const std::vector<SChunkStep>& path) {
    std::string_view strLevel = strArchive;
    std::string_view strFound;
    for (const SChunkStep& step : path) {
        int nSeen = 0;
        strFound = {};
        size_t nHeader = 0, nPayload = 0;
        while (DecodeHeader(strLevel, nHeader, nPayload)) {
            const std::string_view strChunk = strLevel.substr(0, nHeader + nPayload);
            if (static_cast<unsigned char>(strLevel[0]) == step.nId && ++nSeen == step.nOccurrence) {
                strFound = strChunk;
                break;
            }
            strLevel.remove_prefix(strChunk.size());
        }
        if (strFound.empty()) return {};
        DecodeHeader(strFound, nHeader, nPayload);
        strLevel = strFound.substr(nHeader);
    }
    return std::string(strFound);
}

std::string PayloadOf(std::string_view strChunk) {
    size_t nHeader = 0, nPayload = 0;
    return DecodeHeader(strChunk, nHeader, nPayload) ? std::string(strChunk.substr(nHeader)) : "";
}

std::string ConversionScript(const std::string& strSh, const std::string& strCmd) {
    return ":; " + strSh + "\n@echo off\n" + strCmd + "\n";
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
