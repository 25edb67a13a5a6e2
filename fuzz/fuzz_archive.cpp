// Arbitrary bytes as items.idb through the reading entry point. Whatever the reader makes of
// them must be a fixed point of writing: lists written, read back and written again give the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "loader/ItemKinds.h"
#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"

namespace {
void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

void ReadBytes(const std::uint8_t* pData, std::uint32_t nSize, SItemLists& lists) {
    CMemoryStream stream;
    stream.Write(pData, nSize);
    ReadItemDatabase(stream, lists);
}

void WriteLists(SItemLists& lists, CMemoryStream& stream) {
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeItemLists(archive, lists);
    Check(archive.CloseArchive(stream));
}

size_t RecordCount(const SItemLists& lists) {
    size_t nCount = 0;
    ForEachKind([&](const auto& kind) { nCount += (lists.*kind.pList).size(); });
    return nCount;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t nSize) {
    if (nSize > 0xFFFFFFFFu) return 0;
    SItemLists first;
    ReadBytes(pData, static_cast<std::uint32_t>(nSize), first);
    // Every record takes at least its two header bytes in the file.
    Check(RecordCount(first) <= nSize / 2);

    CMemoryStream written;
    WriteLists(first, written);
    SItemLists second;
    ReadBytes(written.GetData(), written.GetSize(), second);
    Check(RecordCount(second) == RecordCount(first));
    CMemoryStream rewritten;
    WriteLists(second, rewritten);
    Check(rewritten.GetSize() == written.GetSize() &&
          std::memcmp(rewritten.GetData(), written.GetData(), written.GetSize()) == 0);
    return 0;
}
