#include "loader/RecordSerialize.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "loader/ItemKinds.h"
#include "loader/RecordFields.h"
#include "loader/Span.h"
#include "output/DataStream.h"
#include "platform/Memory.h"

namespace marrow {

namespace {
// Every field of the record's own list, in its order.
// The list is a constant, so each call is to a known function and is inlined.
template <class TRecord, std::size_t... I>
void SerializeEachField(CChunkArchive& archive, TRecord& record, std::index_sequence<I...>) {
    static constexpr span<const SRecordField<TRecord>> FIELDS = FieldsOf<TRecord>();
    (FIELDS[I].pSerialize(archive, record, FIELDS[I].layout.nId), ...);
}

template <class TRecord>
void SerializeFields(CChunkArchive& archive, TRecord& record) {
    SerializeEachField(archive, record, std::make_index_sequence<FieldsOf<TRecord>().size()>());
}

// An item's record: the common chunks, then the kind's own. Materials are no items.
template <class TRecord>
void SerializeRecord(CChunkArchive& archive, TRecord& record) {
    if constexpr (std::is_base_of_v<SItemCommon, TRecord>) SerializeCommon(archive, record);
    SerializeFields(archive, record);
}

}  // namespace

void SerializeCommon(CChunkArchive& archive, SItemCommon& item) { SerializeFields(archive, item); }

namespace record_fields {
void Store(CChunkArchive& archive, int nId, bool& bValue) {
    std::uint8_t nByte = bValue ? 1 : 0;
    archive.DataChunk(nId, &nByte, 1);
    bValue = nByte != 0;
}

void Store(CChunkArchive& archive, int nId, std::vector<std::string>& list) {
    if (!archive.StartChunk(nId)) return;  // reading a record without the list: keep it
    if (archive.IsReading()) {
        list.clear();
        list.resize(static_cast<std::size_t>(archive.CountChunks(1)));
    }
    for (std::size_t n = 1; n <= list.size(); ++n) {
        archive.SetChunkIndex(static_cast<int>(n));
        archive.StringChunk(1, list[n - 1]);
    }
    archive.FinishChunk();
}
}  // namespace record_fields

#define MARROW_DEFINE_SERIALIZE(record, ...) \
    void Serialize(CChunkArchive& archive, record& value) { SerializeRecord(archive, value); }
MARROW_ITEM_KINDS(MARROW_DEFINE_SERIALIZE)
#undef MARROW_DEFINE_SERIALIZE

void SerializeItemLists(CChunkArchive& archive, SItemLists& lists) {
    ForEachKind([&](const auto& kind) { SerializeList(archive, kind.nListId, lists.*kind.pList); });
}

void ReadItemDatabase(IDataStream& stream, SItemLists& lists, bool bResetStream) {
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/true, /*nVersion=*/1);
    // A reading archive holds what it needs once open; the stream is only closed with it.
    if (bResetStream) stream.Reset();
    // Read into fresh lists and moved over once all are read, so that an allocation that fails
    // half-way leaves the caller's lists as they were.
    SItemLists loaded;
    bool found[ITEM_KIND_COUNT] = {};
    std::size_t nKind = 0;
    ForEachKind([&](const auto& kind) {
        // A list Marrow never writes must not cost gigabytes.
        found[nKind++] =
            SerializeList(archive, kind.nListId, loaded.*kind.pList, MAX_LIST_RECORDS);
    });
    archive.CloseArchive(stream);
    nKind = 0;
    ForEachKind([&](const auto& kind) {
        if (found[nKind++]) lists.*kind.pList = std::move(loaded.*kind.pList);
    });
}

}  // namespace marrow
