#include "tableconv/MappedFile.h"

#include "errors/ErrorReport.h"

namespace {
// Larger files are refused; exactly 2 GiB is still mapped.
constexpr std::uint64_t MAX_MAPPED_SIZE = 0x80000000u;
}  // namespace

bool CMappedFile::Open(const char* pszPath, EAccess /*access*/) {
    Close();
    if (!platform::OpenForMapping(pszPath, m_hFile)) {
        DebugTrace("CMappedFile::Open().\nUnable to open file \"%s\".\n", pszPath);
        return false;
    }
    std::uint64_t nSize = 0;
    if (!platform::FileSize(m_hFile, nSize)) {
        ReportError("CMappedFile::Open().\nUnable to determine file size.\n");
        Close();
        return false;
    }
    if (nSize > MAX_MAPPED_SIZE) {
        ReportError("CMappedFile::Open().\nToo large file to map.\n");
        Close();
        return false;
    }
    m_nSize = static_cast<std::uint32_t>(nSize);
    if (!platform::CreateReadOnlyMapping(m_hFile, nSize, m_hMapping)) {
        ReportError("CMappedFile::Open().\nUnable to create file mapping.\n");
        Close();
        return false;
    }
    if (!platform::MapView(m_hMapping, m_hFile, nSize, m_pData)) {
        ReportError("CMappedFile::Open( \"%s\" ).\nUnable to create view of file (%s).\n",
                    pszPath, platform::ErrorText(platform::LastError()).c_str());
        Close();
        return false;
    }
    return true;
}

void CMappedFile::Close() {
    platform::UnmapView(m_pData, m_nSize);
    m_pData = nullptr;
    if (m_hMapping != platform::INVALID_HANDLE) platform::CloseMapping(m_hMapping);
    m_hMapping = platform::INVALID_HANDLE;
    platform::CloseFileHandle(m_hFile);
    m_hFile = platform::INVALID_HANDLE;
    m_nSize = 0;
}
