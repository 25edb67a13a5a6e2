// How each record is written to and read from the chunk archive: one symmetric serializer per
// kind, which the save and the loader share, walking the kind's field list (RecordFields.h).
// Layout: docs/idb-format.md.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "marrow/Loader.h"
#include "marrow/Records.h"
#include "output/ChunkArchive.h"
#include "platform/Memory.h"

namespace marrow {

// Chunks 0 to 15 of every item kind, read or written as the archive's mode says.
void SerializeCommon(CChunkArchive& archive, SItemCommon& item);
// Each kind's whole record: materials chunks 0 to 13; items the common chunks, then their own
// from 21. Found by SerializeList.
#define MARROW_DECLARE_SERIALIZE(record, ...) void Serialize(CChunkArchive& archive, record& value);
MARROW_ITEM_KINDS(MARROW_DECLARE_SERIALIZE)
#undef MARROW_DECLARE_SERIALIZE

// A list of records, each in a chunk with id 1, in both directions; each record through the
// free function Serialize(CChunkArchive&, T&), found by its argument types. The archive only
// knows chunks: what a list is belongs to the records' side.
// nMaxRead bounds the records a reading archive takes: the rest of a longer list is skipped.
// False when the archive has no such list.
template <class T>
bool SerializeList(CChunkArchive& archive, int nListId, std::vector<T>& list,
                   std::size_t nMaxRead = static_cast<std::size_t>(-1)) {
    if (!archive.StartChunk(nListId)) return false;
    std::size_t nCount = list.size();
    if (archive.IsReading()) {
        list.clear();
        nCount = std::min(static_cast<std::size_t>(archive.CountChunks(1)), nMaxRead);
        list.reserve(nCount);
        platform::AdviseLargePages(list.data(), nCount * sizeof(T));
        list.resize(nCount);
    }
    for (std::size_t i = 0; i < nCount; ++i) {
        archive.SetChunkIndex(static_cast<int>(i + 1));
        if (archive.StartChunk(1)) {
            Serialize(archive, list[i]);
            archive.FinishChunk();
        }
    }
    archive.FinishChunk();
    return true;
}

// Writes or reads the six lists as list chunks 1 to 6 of the archive's root.
void SerializeItemLists(CChunkArchive& archive, SItemLists& lists);

// Reads a whole items.idb from a stream into the lists: the lenient reading (marrow/Loader.h),
// at most MAX_LIST_RECORDS records a list. The lists change only when every list was read: an
// allocation failure (std::bad_alloc) leaves them as they were. bResetStream resets the stream
// as soon as the archive has loaded it, before the records are built, which frees a memory
// stream's block early.
void ReadItemDatabase(IDataStream& stream, SItemLists& lists, bool bResetStream = false);

}  // namespace marrow

// Inside Marrow the records go by their own names, as they did before the loader had a namespace.
using marrow::SArmor;
using marrow::SArmorProtection;
using marrow::SItemCommon;
using marrow::SItemLists;
using marrow::SLootItem;
using marrow::SMaterial;
using marrow::SQuestItem;
using marrow::SQuickItem;
using marrow::SWeapon;
using marrow::SerializeCommon;
using marrow::Serialize;
using marrow::SerializeList;
using marrow::SerializeItemLists;
using marrow::ReadItemDatabase;
