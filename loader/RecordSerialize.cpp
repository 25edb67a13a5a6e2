#include "loader/RecordSerialize.h"

#include <cstddef>
#include <span>
#include <utility>

#include "loader/ItemKinds.h"
#include "loader/RecordFields.h"
#include "output/DataStream.h"

using namespace marrow;

namespace {
// Every field of the record's own list, in its order.
// The list is a constant, so each call is to a known function and is inlined.
template <class TRecord>
void SerializeFields(CChunkArchive& archive, TRecord& record) {
    static constexpr std::span<const SRecordField<TRecord>> FIELDS = FieldsOf<TRecord>();
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (FIELDS[I].pSerialize(archive, record, FIELDS[I].layout.nId), ...);
    }(std::make_index_sequence<FIELDS.size()>());
}

// An item's record: the common chunks, then the kind's own.
template <class TItem>
void SerializeItem(CChunkArchive& archive, TItem& item) {
    SerializeCommon(archive, item);
    SerializeFields(archive, item);
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

void Serialize(CChunkArchive& archive, SMaterial& material) { SerializeFields(archive, material); }

void Serialize(CChunkArchive& archive, SWeapon& weapon) { SerializeItem(archive, weapon); }
void Serialize(CChunkArchive& archive, SArmor& armor) { SerializeItem(archive, armor); }
void Serialize(CChunkArchive& archive, SQuickItem& item) { SerializeItem(archive, item); }
void Serialize(CChunkArchive& archive, SQuestItem& item) { SerializeItem(archive, item); }
void Serialize(CChunkArchive& archive, SLootItem& item) { SerializeItem(archive, item); }

void SerializeItemLists(CChunkArchive& archive, SItemLists& lists) {
    ForEachKind([&](const auto& kind) { archive.SerializeList(kind.nListId, lists.*kind.pList); });
}

void ReadItemDatabase(IDataStream& stream, SItemLists& lists, bool bResetStream) {
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/true, /*nVersion=*/1);
    // A reading archive holds what it needs once open; the stream is only closed with it.
    if (bResetStream) stream.Reset();
    SerializeItemLists(archive, lists);
    archive.CloseArchive(stream);
}
