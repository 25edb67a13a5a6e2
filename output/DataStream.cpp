#include "output/DataStream.h"
#include "platform/Memory.h"

#include <cstring>

namespace marrow {

namespace {
constexpr std::uint64_t MAX_STREAM_SIZE = 0xFFFFFFFFu;
}  // namespace

void IDataStream::CopyFrom(IDataStream& source) {
    source.Seek(0);
    std::uint8_t block[1024];
    for (;;) {
        const std::uint32_t nRead = source.Read(block, sizeof block);
        if (nRead == 0) break;
        Write(block, nRead);
    }
}

// ---- Memory stream -------------------------------------------------------------------------

void CMemoryStream::Reallocate(std::uint32_t nCapacity, std::uint32_t nKeep) {
    // Left uninitialised, as make_unique_for_overwrite would (C++17 has no such call): the
    // caller writes before it reads.
    std::unique_ptr<std::uint8_t[]> pNew(new std::uint8_t[nCapacity]);
    // The archive's buffers are tens of megabytes at full size and are filled completely.
    platform::AdviseLargePages(pNew.get(), nCapacity);
    if (nKeep) std::memcpy(pNew.get(), m_pData.get(), nKeep);
    m_pData = std::move(pNew);
    m_nCapacity = nCapacity;
}

std::uint32_t CMemoryStream::Read(void* pBuffer, std::uint32_t nCount) {
    if (std::uint64_t{m_nPosition} + nCount <= m_nSize) {
        if (nCount) std::memcpy(pBuffer, m_pData.get() + m_nPosition, nCount);
        m_nPosition += nCount;
        return nCount;
    }
    m_bOk = false;
    if (nCount) std::memset(pBuffer, 0, nCount);
    if (m_nPosition > m_nSize) return 0;
    const std::uint32_t nRemaining = m_nSize - m_nPosition;
    if (nRemaining) std::memcpy(pBuffer, m_pData.get() + m_nPosition, nRemaining);
    m_nPosition = m_nSize;
    return nRemaining;
}

void CMemoryStream::Write(const void* pBuffer, std::uint32_t nCount) {
    const std::uint64_t nEnd = std::uint64_t{m_nPosition} + nCount;
    if (nEnd > MAX_STREAM_SIZE) {
        m_bOk = false;
        return;
    }
    if (nEnd > m_nCapacity) {
        // After a Seek far beyond the capacity, doubling alone would not reach the write's end.
        std::uint64_t nGrown = (std::uint64_t{m_nCapacity} + nCount) * 2;
        if (nGrown < nEnd) nGrown = nEnd;
        // Keep every byte up to the capacity: the position may lie beyond the size.
        Reallocate(static_cast<std::uint32_t>(nGrown < MAX_STREAM_SIZE ? nGrown : MAX_STREAM_SIZE),
                   m_nCapacity);
    }
    if (nCount) std::memcpy(m_pData.get() + m_nPosition, pBuffer, nCount);
    m_nPosition = static_cast<std::uint32_t>(nEnd);
    if (m_nPosition > m_nSize) m_nSize = m_nPosition;
}

void CMemoryStream::Reset() {
    m_pData.reset();
    m_nCapacity = m_nPosition = m_nSize = 0;
    m_bOk = true;
}

void CMemoryStream::SetSize(std::uint32_t nSize) {
    if (nSize > m_nCapacity) {
        const std::uint64_t nGrown = std::uint64_t{nSize} + nSize / 2 + 16;
        Reallocate(static_cast<std::uint32_t>(nGrown < MAX_STREAM_SIZE ? nGrown : MAX_STREAM_SIZE),
                   m_nSize);
    }
    m_nSize = nSize;
    m_nPosition = 0;
}

void CMemoryStream::Allocate(std::uint32_t nSize) {
    if (nSize > m_nCapacity) {
        m_pData.reset();
        m_nCapacity = 0;
        Reallocate(nSize, 0);
    }
    m_nSize = nSize;
    m_nPosition = 0;
}

void CMemoryStream::Reserve(std::uint32_t nCapacity) {
    if (nCapacity > m_nCapacity) Reallocate(nCapacity, m_nSize);
}

void CMemoryStream::CopyFrom(IDataStream& source) {
    source.Seek(0);
    const std::uint32_t nSize = source.GetSize();
    SetSize(nSize);
    source.Read(m_pData.get(), nSize);
    Seek(0);
}

}  // namespace marrow
