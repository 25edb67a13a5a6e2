// Byte streams under the chunk archive: the interface and a growable memory buffer. The file
// stream is the save's (itemdb/FileStream.h): the loader reads from memory and links no platform
// layer.
#pragma once

#include <cstdint>
#include <memory>

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
