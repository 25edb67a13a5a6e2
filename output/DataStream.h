// Byte streams under the chunk archive: a growable memory buffer and a file.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Platform.h"

namespace marrow {

class IDataStream {
public:
    virtual ~IDataStream() = default;
    // Copies up to nCount bytes and returns how many were delivered; a short read clears m_bOk.
    virtual std::uint32_t Read(void* pBuffer, std::uint32_t nCount) = 0;
    virtual void Write(const void* pBuffer, std::uint32_t nCount) = 0;
    virtual void Seek(std::uint32_t nPosition) = 0;
    virtual std::uint32_t GetSize() = 0;
    virtual std::uint32_t GetPosition() = 0;
    // Back to the starting state, m_bOk true.
    virtual void Reset() = 0;
    // Appends the whole content of the source at this stream's position, in 1 KiB blocks.
    virtual void CopyFrom(IDataStream& source);

    // Cleared by a read that delivers fewer bytes than asked; readers of the archive use it to
    // detect the end of the data.
    bool m_bOk = true;
};

class CMemoryStream : public IDataStream {
public:
    CMemoryStream() = default;
    ~CMemoryStream() override = default;
    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;

    // Past the end: delivers what is there, zero-fills the rest of the buffer, clears m_bOk.
    std::uint32_t Read(void* pBuffer, std::uint32_t nCount) override;
    // Grows the block to (capacity + count) x 2 when needed. A write that would take the stream
    // beyond 4 GiB is dropped and clears m_bOk.
    void Write(const void* pBuffer, std::uint32_t nCount) override;
    void Seek(std::uint32_t nPosition) override { m_nPosition = nPosition; }
    std::uint32_t GetSize() override { return m_nSize; }
    std::uint32_t GetPosition() override { return m_nPosition; }
    void Reset() override;
    // Takes over the source's whole content; the position ends at 0.
    void CopyFrom(IDataStream& source) override;

    std::uint8_t* GetData() { return m_pData.get(); }
    const std::uint8_t* GetData() const { return m_pData.get(); }
    std::uint32_t GetCapacity() const { return m_nCapacity; }
    // Size n, position 0, the first min(old size, n) bytes kept; grows to n + n/2 + 16.
    void SetSize(std::uint32_t nSize);
    // Size n, position 0, content dropped; grows to exactly n.
    void Allocate(std::uint32_t nSize);
    // Capacity of at least n; size, position and content stay.
    void Reserve(std::uint32_t nCapacity);

private:
    void Reallocate(std::uint32_t nCapacity, std::uint32_t nKeep);

    std::unique_ptr<std::uint8_t[]> m_pData;
    std::uint32_t m_nCapacity = 0;
    std::uint32_t m_nPosition = 0;
    std::uint32_t m_nSize = 0;
};

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::CMemoryStream;
using marrow::IDataStream;

// The file stream belongs to the builders alone, so it stays outside the loader's namespace.
// Flags of CFileStream::OpenFile, combinable as the platform's file modes are.
inline constexpr unsigned FILE_MODE_READ = 0x0000;
inline constexpr unsigned FILE_MODE_WRITE = 0x0001;
inline constexpr unsigned FILE_MODE_CREATE = 0x1000;
// With FILE_MODE_CREATE: only a file that is not there yet, on the disk once closed (a
// temporary that nothing else may be written through).
inline constexpr unsigned FILE_MODE_NEW = 0x2000;

// Its code is in FileStream.cpp, outside the loader library, which reads from memory and so
// links no platform layer.
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
