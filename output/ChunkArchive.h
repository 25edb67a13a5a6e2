// The container format of items.idb: a tree of numbered chunks, written and read by the same
// serializer code. Layout: docs/idb-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/ByteOrder.h"
#include "output/DataStream.h"

namespace marrow {

// A chunk's header: the id byte, then the length field, one byte holding twice the payload
// length (bit 0 clear) or four little-endian bytes holding twice the length plus one (bit 0 set).
struct SChunkHeader {
    std::uint8_t nId = 0;
    std::uint32_t nSize = 0;    // of the header: 2 or 5 bytes
    std::uint32_t nLength = 0;  // of the payload
};
// Decodes the header at p, of which nAvailable bytes may be read. False when the header does not
// fit in them; whether the payload fits is the caller's to check.
inline bool DecodeChunkHeader(const std::uint8_t* p, std::uint32_t nAvailable,
                              SChunkHeader& header) {
    if (nAvailable < 2) return false;
    const bool bLong = (p[1] & 1) != 0;
    if (bLong && nAvailable < 5) return false;
    header.nId = p[0];
    header.nSize = bLong ? 5 : 2;
    header.nLength = (bLong ? ReadU32(p + 1) : p[1]) >> 1;
    return true;
}

// One open chunk. While writing, length counts the payload bytes appended so far; while reading,
// it is the stored payload length and the frame remembers its decoded children.
struct SChunkFrame {
    std::uint8_t id = 0xFF;
    std::uint32_t start = 0;   // offset of the payload in the chunk buffer
    std::uint32_t length = 0;  // payload bytes
    std::int32_t index = 1;    // which of several children with one id the next lookup selects
    // Reading only: the frame's children in the archive's child index [childBegin, childEnd),
    // and where the last lookup stopped, so that reading a list goes on from there.
    bool bIndexed = false;
    // Every child's id is larger than the one before, as a record's fields are written: then
    // each id occurs once and is found by halving.
    bool bAscending = false;
    std::uint32_t childBegin = 0;
    std::uint32_t childEnd = 0;
    std::int32_t lastId = -1;
    std::int32_t lastOccurrence = 0;
    std::uint32_t lastChild = 0;
};

class CChunkArchive {
public:
    // A payload this long or longer cannot be encoded.
    static constexpr std::uint32_t MAX_PAYLOAD = 0x80000000u;
    // Readers built to the format's first rules find a larger top-level chunk empty.
    static constexpr std::uint32_t CLASSIC_TOP_CHUNK_LIMIT = 10000000;

    CChunkArchive() = default;
    CChunkArchive(const CChunkArchive&) = delete;
    CChunkArchive& operator=(const CChunkArchive&) = delete;

    // Writing: remembers the version; nothing reaches the stream before CloseArchive. Reading:
    // loads the whole archive (a missing or damaged top-level chunk reads as empty) and leaves
    // the root content current; the object table, top-level chunk 0, is passed over whatever
    // it holds.
    void OpenArchive(IDataStream& stream, bool bReading, std::int32_t nVersion);
    // Opens a writing archive that keeps nothing and only counts: after the serializers have run,
    // GetRootLength() is the length the root content will have. Closed with CloseArchive.
    void OpenForMeasuring();
    // Writing, before the first chunk: makes room for root content of this length at once, so
    // that the buffer never grows by copying itself.
    void ReserveRoot(std::uint32_t nLength);
    // Writing: writes the three top-level chunks, the object table always empty; false when a
    // chunk had to be refused (too large) or the tree could not be held in memory. Both:
    // empties all state.
    bool CloseArchive(IDataStream& stream);
    bool IsReading() const { return m_bReading; }

    // Writing: opens a child chunk, true. Reading: enters the index-th child with this id; false
    // (nothing entered) when there is none. FinishChunk follows only a true StartChunk.
    bool StartChunk(int nId);
    void FinishChunk();
    // Writing: a child holding the bytes. Reading: the child's first nSize bytes; what the
    // child lacks reads as zero bytes.
    void DataChunk(int nId, void* pData, std::uint32_t nSize);
    // Writing: the text and one zero byte. Reading: the payload up to its first zero byte or
    // its end; empty when absent.
    void StringChunk(int nId, std::string& strText);
    // Children with this id in the current chunk, whatever the index.
    int CountChunks(int nId);
    // 1 selects the first child of an id; 0 or below selects none.
    void SetChunkIndex(int nIndex);

    // Bytes of root content so far (top-level chunk 1 when the archive is closed).
    std::uint32_t GetRootLength() const { return m_frames.empty() ? 0 : m_frames[0].length; }

    std::int32_t m_nVersion = 1;

private:
    struct SChild {
        std::uint8_t id;
        std::uint32_t start;  // of the payload in the chunk buffer
        std::uint32_t length;
    };

    void ResetRoot();
    const SChild* FindChild(int nId);
    void IndexChildren(SChunkFrame& frame);
    bool AppendChild(size_t nParent, std::uint8_t nId, const void* pSource,
                     std::uint32_t nSourceOffset, std::uint32_t nLength);
    static void WriteTopChunk(IDataStream& stream, std::uint8_t nId, CMemoryStream& source);
    static bool FindTopChunk(IDataStream& stream, std::uint8_t nId, CMemoryStream& destination);

    CMemoryStream m_chunkBuffer;
    std::vector<SChunkFrame> m_frames;
    bool m_bReading = false;
    bool m_bFailed = false;
    bool m_bMeasuring = false;
    std::vector<SChild> m_children;
};

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::SChunkHeader;
using marrow::DecodeChunkHeader;
using marrow::SChunkFrame;
using marrow::CChunkArchive;
