#include "itemdb/FileStream.h"

namespace {
constexpr std::uint64_t MAX_STREAM_SIZE = 0xFFFFFFFFu;
}  // namespace

bool CFileStream::OpenFile(const char* pszPath, unsigned nFlags) {
    const bool bWrite = (nFlags & FILE_MODE_WRITE) != 0;
    m_bWriteFailed = false;
    platform::FileMode mode = platform::FileMode::Read;
    if (bWrite && (nFlags & FILE_MODE_CREATE))
        mode = (nFlags & FILE_MODE_NEW) ? platform::FileMode::CreateNew
                                        : platform::FileMode::CreateWrite;
    m_bOk = m_file.Open(pszPath, mode);
    return m_bOk;
}

bool CFileStream::CloseFile() {
    if (!m_file.Close()) m_bWriteFailed = true;
    return !m_bWriteFailed;
}

std::uint32_t CFileStream::Read(void* pBuffer, std::uint32_t nCount) {
    const std::uint32_t nRead = m_file.Read(pBuffer, nCount);
    if (nRead != nCount) m_bOk = false;
    return nRead;
}

void CFileStream::Write(const void* pBuffer, std::uint32_t nCount) {
    if (!m_file.Write(pBuffer, nCount)) m_bWriteFailed = true;
}

void CFileStream::Seek(std::uint32_t nPosition) { m_file.Seek(nPosition); }

std::uint32_t CFileStream::GetSize() {
    const std::uint64_t nLength = m_file.Length();
    return nLength > MAX_STREAM_SIZE ? static_cast<std::uint32_t>(MAX_STREAM_SIZE)
                                     : static_cast<std::uint32_t>(nLength);
}

std::uint32_t CFileStream::GetPosition() {
    const std::uint64_t nPosition = m_file.Position();
    return nPosition > MAX_STREAM_SIZE ? static_cast<std::uint32_t>(MAX_STREAM_SIZE)
                                       : static_cast<std::uint32_t>(nPosition);
}

void CFileStream::Reset() {
    m_bOk = true;
    m_file.Seek(0);
}
