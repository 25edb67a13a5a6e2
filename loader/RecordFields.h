// Each record kind's fields, declared once: chunk id, name, storage and the member they live in.
// The serializers, the layout table that the structural check and idbdump read (RecordLayout.h)
// and the format document's field tables all follow these lists. Layout: docs/idb-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "loader/RecordLayout.h"
#include "marrow/Records.h"
#include "output/ChunkArchive.h"

// One field of a TRecord: its stored layout and how it is written and read through the archive.
template <class TRecord>
struct SRecordField {
    SFieldLayout layout;
    void (*pSerialize)(CChunkArchive& archive, TRecord& record, int nId);
};

// The fields of each kind in the order Serialize writes them. SItemCommon gives chunks 0 to 15,
// which every item kind writes before its own fields.
template <class TRecord>
std::span<const SRecordField<TRecord>> FieldsOf();
template <>
std::span<const SRecordField<marrow::SItemCommon>> FieldsOf<marrow::SItemCommon>();
template <>
std::span<const SRecordField<marrow::SMaterial>> FieldsOf<marrow::SMaterial>();
template <>
std::span<const SRecordField<marrow::SWeapon>> FieldsOf<marrow::SWeapon>();
template <>
std::span<const SRecordField<marrow::SArmor>> FieldsOf<marrow::SArmor>();
template <>
std::span<const SRecordField<marrow::SQuickItem>> FieldsOf<marrow::SQuickItem>();
template <>
std::span<const SRecordField<marrow::SQuestItem>> FieldsOf<marrow::SQuestItem>();
template <>
std::span<const SRecordField<marrow::SLootItem>> FieldsOf<marrow::SLootItem>();

namespace record_fields {
// How a member's type is stored.
template <class T>
constexpr SFieldLayout LayoutOf(std::uint8_t nId, const char* pszName) {
    using marrow::DamageBlock;
    using marrow::SArmorProtection;
    if constexpr (std::is_same_v<T, std::string>) return {nId, pszName, EFieldType::Text};
    else if constexpr (std::is_same_v<T, std::int32_t>) return {nId, pszName, EFieldType::Int};
    else if constexpr (std::is_same_v<T, std::uint32_t>) return {nId, pszName, EFieldType::Mask};
    else if constexpr (std::is_same_v<T, float>) return {nId, pszName, EFieldType::Float};
    else if constexpr (std::is_same_v<T, bool>) return {nId, pszName, EFieldType::Bool};
    else if constexpr (std::is_same_v<T, DamageBlock>)
        return {nId, pszName, EFieldType::Floats, marrow::DAMAGE_TYPE_COUNT};
    else if constexpr (std::is_same_v<T, SArmorProtection>)
        return {nId, pszName, EFieldType::Protection};
    else if constexpr (std::is_same_v<T, std::vector<std::string>>)
        return {nId, pszName, EFieldType::TextList};
    else if constexpr (std::is_array_v<T> &&
                       std::is_same_v<std::remove_extent_t<T>, std::uint8_t>)
        return {nId, pszName, EFieldType::Bytes, static_cast<std::uint8_t>(std::extent_v<T>)};
    else static_assert(sizeof(T) == 0, "a member type the archive does not store");
}

// Plain fields: bytes as they lie in memory.
template <class T>
void Store(CChunkArchive& archive, int nId, T& value) {
    archive.DataChunk(nId, &value, sizeof value);
}
inline void Store(CChunkArchive& archive, int nId, std::string& strValue) {
    archive.StringChunk(nId, strValue);
}
// A one-byte boolean; any non-zero byte reads as true.
void Store(CChunkArchive& archive, int nId, bool& bValue);
// A structure chunk of texts with id 1, in order. Reading a record without it keeps the list.
void Store(CChunkArchive& archive, int nId, std::vector<std::string>& list);

template <class TRecord, auto... Members>
void StoreMember(CChunkArchive& archive, TRecord& record, int nId) {
    Store(archive, nId, (record .* ... .* Members));
}
}  // namespace record_fields

// Field<SWeapon, &SWeapon::Range>(23, "Range"); members of members name the whole path, as in
// Field<SWeapon, &SWeapon::Skills, &SSkillBlock::SkillLevels>(28, "SkillLevels").
template <class TRecord, auto... Members>
constexpr SRecordField<TRecord> Field(std::uint8_t nId, const char* pszName) {
    using TValue = std::remove_cvref_t<decltype((std::declval<TRecord&>() .* ... .* Members))>;
    return {record_fields::LayoutOf<TValue>(nId, pszName),
            &record_fields::StoreMember<TRecord, Members...>};
}
