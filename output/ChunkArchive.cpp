#include "output/ChunkArchive.h"

#include <cstring>

#include "output/ByteOrder.h"

namespace marrow {

// Data chunks hold fields as they lie in memory, and the file is little-endian. (Written
// without std::endian so that the loader also builds at C++17; Visual C++ targets only
// little-endian machines and does not define the macros.)
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a little-endian machine");
#endif

namespace {
constexpr std::uint32_t SHORT_LENGTH_LIMIT = 128;  // below it the length takes one byte
constexpr std::uint32_t HEADER_RESERVE = 5;        // id byte and the long length field

std::uint32_t EncodeHeader(std::uint8_t* p, std::uint8_t nId, std::uint32_t nLength) {
    p[0] = nId;
    if (nLength < SHORT_LENGTH_LIMIT) {
        p[1] = static_cast<std::uint8_t>(nLength * 2);
        return 2;
    }
    WriteU32(p + 1, nLength * 2 + 1);
    return 5;
}
}  // namespace

void CChunkArchive::ResetRoot() {
    if (m_frames.empty()) m_frames.emplace_back();
    m_frames.resize(1);
    m_frames[0] = SChunkFrame{};
    m_children.clear();
}

void CChunkArchive::OpenForMeasuring() {
    m_frames.clear();
    m_chunkBuffer.Reset();
    m_bReading = false;
    m_bFailed = false;
    m_bMeasuring = true;
    ResetRoot();
}

void CChunkArchive::ReserveRoot(std::uint32_t nLength) {
    if (!m_bReading && !m_bMeasuring && m_frames.size() == 1 && m_frames[0].length == 0)
        // Each open chunk keeps five bytes in reserve behind its parent's end: room for a few
        // levels of nesting past the final length.
        m_chunkBuffer.Reserve(nLength + 16 * HEADER_RESERVE);
}

void CChunkArchive::OpenArchive(IDataStream& stream, bool bReading, std::int32_t nVersion) {
    m_bMeasuring = false;
    m_frames.clear();
    m_chunkBuffer.Reset();
    m_bReading = bReading;
    m_bFailed = false;
    ResetRoot();
    if (!bReading) {
        m_nVersion = nVersion;
        return;
    }

    // Top-level chunk 2 holds the version after whatever objects a writer stored there; no
    // reader of items.idb creates objects, so only the version is taken.
    FindTopChunk(stream, 2, m_chunkBuffer);
    m_frames[0].length = m_chunkBuffer.GetSize();
    if (nVersion == 1) DataChunk(2, &m_nVersion, 4);
    else m_nVersion = nVersion;

    ResetRoot();
    FindTopChunk(stream, 1, m_chunkBuffer);
    m_frames[0].length = m_chunkBuffer.GetSize();
}

bool CChunkArchive::CloseArchive(IDataStream& stream) {
    if (m_bMeasuring) {
        m_frames.clear();
        m_bMeasuring = false;
        return !m_bFailed;
    }
    if (!m_bReading && !m_frames.empty()) {
        m_frames.resize(1);
        m_chunkBuffer.SetSize(m_frames[0].length);
        WriteTopChunk(stream, 1, m_chunkBuffer);

        // The file keeps the layout of its format: an object table, empty, then chunk 2 with
        // the version alone.
        CMemoryStream noObjects;
        WriteTopChunk(stream, 0, noObjects);
        m_chunkBuffer.Reset();
        ResetRoot();
        DataChunk(2, &m_nVersion, 4);
        m_chunkBuffer.SetSize(m_frames[0].length);
        WriteTopChunk(stream, 2, m_chunkBuffer);
    }
    const bool bSucceeded = !m_bFailed && m_chunkBuffer.m_bOk;
    m_chunkBuffer.Reset();
    m_frames.clear();
    m_children.clear();
    m_bFailed = false;
    return bSucceeded;
}

// ---- Writing -------------------------------------------------------------------------------

bool CChunkArchive::AppendChild(size_t nParent, std::uint8_t nId, const void* pSource,
                                std::uint32_t nSourceOffset, std::uint32_t nLength) {
    SChunkFrame& parent = m_frames[nParent];
    const std::uint64_t nAt = std::uint64_t{parent.start} + parent.length;
    if (nLength >= MAX_PAYLOAD || nAt + nLength + HEADER_RESERVE > 0xFFFFFFFFu) {
        m_bFailed = true;
        return false;
    }
    if (m_bMeasuring) {
        parent.length += (nLength < SHORT_LENGTH_LIMIT ? 2 : 5) + nLength;
        return true;
    }
    m_chunkBuffer.SetSize(static_cast<std::uint32_t>(nAt + nLength + HEADER_RESERVE));
    std::uint8_t* pBuffer = m_chunkBuffer.GetData();
    parent.length += EncodeHeader(pBuffer + nAt, nId, nLength);
    const std::uint32_t nDestination = parent.start + parent.length;
    if (nLength) {
        if (pSource) std::memcpy(pBuffer + nDestination, pSource, nLength);
        else if (nSourceOffset != nDestination)
            std::memmove(pBuffer + nDestination, pBuffer + nSourceOffset, nLength);
    }
    parent.length += nLength;
    return true;
}

bool CChunkArchive::StartChunk(int nId) {
    if (m_frames.empty()) return false;
    if (m_bReading) {
        const SChild* pChild = FindChild(nId);
        if (!pChild) return false;
        SChunkFrame frame;
        frame.id = pChild->id;
        frame.start = pChild->start;
        frame.length = pChild->length;
        m_frames.push_back(frame);
        return true;
    }
    const SChunkFrame& parent = m_frames.back();
    const std::uint64_t nStart = std::uint64_t{parent.start} + parent.length + HEADER_RESERVE;
    SChunkFrame frame;
    frame.id = static_cast<std::uint8_t>(nId);
    frame.start = nStart > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(nStart);
    m_frames.push_back(frame);
    return true;
}

void CChunkArchive::FinishChunk() {
    if (m_frames.size() < 2) return;  // the root is never finished by callers
    const SChunkFrame frame = m_frames.back();
    m_frames.pop_back();
    if (m_bReading) {
        if (frame.bIndexed) m_children.resize(frame.childBegin);
        return;
    }
    AppendChild(m_frames.size() - 1, frame.id, nullptr, frame.start, frame.length);
    const SChunkFrame& parent = m_frames.back();
    if (!m_bMeasuring) m_chunkBuffer.SetSize(parent.start + parent.length);
}

void CChunkArchive::DataChunk(int nId, void* pData, std::uint32_t nSize) {
    if (m_frames.empty()) return;
    if (!m_bReading) {
        AppendChild(m_frames.size() - 1, static_cast<std::uint8_t>(nId), pData, 0, nSize);
        return;
    }
    const SChild* pChild = FindChild(nId);
    const std::uint32_t nCopy = pChild ? (pChild->length < nSize ? pChild->length : nSize) : 0;
    if (nCopy) std::memcpy(pData, m_chunkBuffer.GetData() + pChild->start, nCopy);
    if (nSize > nCopy) std::memset(static_cast<std::uint8_t*>(pData) + nCopy, 0, nSize - nCopy);
}

void CChunkArchive::StringChunk(int nId, std::string& strText) {
    if (m_frames.empty()) return;
    if (!m_bReading) {
        if (strText.size() >= MAX_PAYLOAD) {
            m_bFailed = true;
            return;
        }
        // The terminator is part of the payload; c_str() provides it.
        AppendChild(m_frames.size() - 1, static_cast<std::uint8_t>(nId), strText.c_str(), 0,
                    static_cast<std::uint32_t>(strText.size() + 1));
        return;
    }
    const SChild* pChild = FindChild(nId);
    if (!pChild) {
        strText.clear();
        return;
    }
    const char* pText = reinterpret_cast<const char*>(m_chunkBuffer.GetData() + pChild->start);
    const void* pZero = std::memchr(pText, 0, pChild->length);
    strText.assign(pText, pZero ? static_cast<size_t>(static_cast<const char*>(pZero) - pText)
                                : pChild->length);
}

int CChunkArchive::CountChunks(int nId) {
    if (m_frames.empty()) return 0;
    const auto nWanted = static_cast<std::uint8_t>(nId);
    int nCount = 0;
    if (m_bReading) {
        SChunkFrame& frame = m_frames.back();
        if (!frame.bIndexed) IndexChildren(frame);
        for (std::uint32_t i = frame.childBegin; i < frame.childEnd; ++i)
            nCount += m_children[i].id == nWanted;
        return nCount;
    }
    // Writing: the children appended so far are complete chunks in the frame's payload.
    const SChunkFrame& frame = m_frames.back();
    if (m_bMeasuring) return 0;  // nothing is kept to count
    // A chunk opened in a still empty buffer has no block to offset into.
    if (frame.length == 0) return 0;
    const std::uint8_t* p = m_chunkBuffer.GetData() + frame.start;
    std::uint32_t nCursor = 0;
    SChunkHeader header;
    while (DecodeChunkHeader(p + nCursor, frame.length - nCursor, header)) {
        nCount += header.nId == nWanted;
        nCursor += header.nSize + header.nLength;
    }
    return nCount;
}

void CChunkArchive::SetChunkIndex(int nIndex) {
    if (!m_frames.empty()) m_frames.back().index = nIndex;
}

// ---- Reading -------------------------------------------------------------------------------

void CChunkArchive::IndexChildren(SChunkFrame& frame) {
    // Decoding stops at the first header or payload that does not fit in the frame; nothing
    // outside the frame, and so outside the loaded chunk, is ever read.
    frame.bIndexed = true;
    frame.bAscending = true;
    frame.childBegin = static_cast<std::uint32_t>(m_children.size());
    const std::uint8_t* p = m_chunkBuffer.GetData() + frame.start;
    std::uint32_t nCursor = 0;
    std::int32_t nPreviousId = -1;
    SChunkHeader header;
    while (DecodeChunkHeader(p + nCursor, frame.length - nCursor, header)) {
        if (header.nLength > frame.length - nCursor - header.nSize) break;
        if (header.nId <= nPreviousId) frame.bAscending = false;
        nPreviousId = header.nId;
        m_children.push_back(SChild{header.nId, frame.start + nCursor + header.nSize,
                                    header.nLength});
        nCursor += header.nSize + header.nLength;
    }
    frame.childEnd = static_cast<std::uint32_t>(m_children.size());
}

const CChunkArchive::SChild* CChunkArchive::FindChild(int nId) {
    SChunkFrame& frame = m_frames.back();
    const std::int32_t nWanted = static_cast<std::uint8_t>(nId);
    if (frame.index < 1) return nullptr;
    if (!frame.bIndexed) IndexChildren(frame);
    if (frame.bAscending) {
        // Each id at most once: a record's fields are found without scanning all before them.
        if (frame.index != 1) return nullptr;
        std::uint32_t nLow = frame.childBegin, nHigh = frame.childEnd;
        while (nLow < nHigh) {
            const std::uint32_t nMiddle = nLow + (nHigh - nLow) / 2;
            if (m_children[nMiddle].id < nWanted) nLow = nMiddle + 1;
            else nHigh = nMiddle;
        }
        return nLow < frame.childEnd && m_children[nLow].id == nWanted ? &m_children[nLow] : nullptr;
    }
    // The list pattern asks for occurrence i + 1 right after occurrence i: go on from there.
    std::int32_t nSeen = 0;
    std::uint32_t i = frame.childBegin;
    if (frame.lastId == nWanted && frame.lastOccurrence <= frame.index) {
        if (frame.lastOccurrence == frame.index) return &m_children[frame.lastChild];
        nSeen = frame.lastOccurrence;
        i = frame.lastChild + 1;
    }
    for (; i < frame.childEnd; ++i) {
        if (m_children[i].id != nWanted || ++nSeen != frame.index) continue;
        frame.lastId = nWanted;
        frame.lastOccurrence = nSeen;
        frame.lastChild = i;
        return &m_children[i];
    }
    return nullptr;
}

// ---- Top-level chunks ----------------------------------------------------------------------

void CChunkArchive::WriteTopChunk(IDataStream& stream, std::uint8_t nId, CMemoryStream& source) {
    std::uint8_t header[HEADER_RESERVE];
    const std::uint32_t nLength = source.GetSize();
    EncodeHeader(header, nId, nLength);
    stream.Write(header, 1);
    stream.Write(header + 1, nLength < SHORT_LENGTH_LIMIT ? 1 : 4);
    stream.Write(source.GetData(), nLength);
}

bool CChunkArchive::FindTopChunk(IDataStream& stream, std::uint8_t nId,
                                 CMemoryStream& destination) {
    stream.m_bOk = true;
    stream.Seek(0);
    for (;;) {
        std::uint8_t header[HEADER_RESERVE] = {};
        stream.Read(header, 2);
        if ((header[1] & 1) && stream.m_bOk) stream.Read(header + 2, 3);
        if (!stream.m_bOk) break;  // the end of the data
        SChunkHeader chunk;
        DecodeChunkHeader(header, HEADER_RESERVE, chunk);  // every byte it looks at was read
        const std::uint32_t nLength = chunk.nLength;
        // A chunk longer than what the stream still holds is damage: stop before allocating it.
        const std::uint32_t nPosition = stream.GetPosition();
        const std::uint32_t nSize = stream.GetSize();
        if (nPosition > nSize || nLength > nSize - nPosition) break;
        if (header[0] != nId) {
            stream.Seek(nPosition + nLength);
            continue;
        }
        destination.Allocate(nLength);
        if (stream.Read(destination.GetData(), nLength) != nLength) break;
        return true;
    }
    destination.Reset();
    return false;
}

}  // namespace marrow
