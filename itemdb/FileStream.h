// The stream the save writes items.idb through: a file, over the platform layer. It belongs to
// the builders alone, so it stays outside the loader's namespace and library.
#pragma once

#include <cstdint>

#include "output/DataStream.h"
#include "platform/Platform.h"

// Flags of CFileStream::OpenFile, combinable as the platform's file modes are.
inline constexpr unsigned FILE_MODE_READ = 0x0000;
inline constexpr unsigned FILE_MODE_WRITE = 0x0001;
inline constexpr unsigned FILE_MODE_CREATE = 0x1000;
// With FILE_MODE_CREATE: only a file that is not there yet, on the disk once closed (a
// temporary that nothing else may be written through).
inline constexpr unsigned FILE_MODE_NEW = 0x2000;

class CFileStream : public IDataStream {
public:
    CFileStream() = default;
    ~CFileStream() override = default;

    // Opens the file (FILE_MODE_CREATE | FILE_MODE_WRITE truncates or creates it, and with
    // FILE_MODE_NEW only creates it); m_bOk says whether it opened.
    bool OpenFile(const char* pszPath, unsigned nFlags);
    // False when the system could not store everything written.
    bool CloseFile();

    std::uint32_t Read(void* pBuffer, std::uint32_t nCount) override;
    // Failures are remembered in HasWriteFailed(); m_bOk keeps its meaning for reads.
    void Write(const void* pBuffer, std::uint32_t nCount) override;
    void Seek(std::uint32_t nPosition) override;
    std::uint32_t GetSize() override;
    std::uint32_t GetPosition() override;
    void Reset() override;

    bool HasWriteFailed() const { return m_bWriteFailed; }

private:
    platform::CFile m_file;
    bool m_bWriteFailed = false;
};
