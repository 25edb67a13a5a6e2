// Each record kind's stored fields, as marrow/ItemTable.h declares them: chunk id, name, storage
// and the member they live in. The serializers, the layout table that the structural check and
// idbdump read (RecordLayout.h) and the format document's field tables (checked by a test) all
// follow these lists. Layout: docs/idb-format.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "loader/RecordLayout.h"
#include "loader/Span.h"
#include "marrow/Records.h"
#include "output/ChunkArchive.h"

namespace marrow {

// One field of a TRecord: its stored layout and how it is written and read through the archive.
template <class TRecord>
struct SRecordField {
    SFieldLayout layout;
    void (*pSerialize)(CChunkArchive& archive, TRecord& record, int nId);
};

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
    using TValue = std::remove_cv_t<
        std::remove_reference_t<decltype((std::declval<TRecord&>() .* ... .* Members))>>;
    return {record_fields::LayoutOf<TValue>(nId, pszName),
            &record_fields::StoreMember<TRecord, Members...>};
}

// ---- The field lists -----------------------------------------------------------------------

namespace record_fields {
using marrow::SItemCommon;

// Each kind's stored fields in the order of marrow/ItemTable.h, as Field entries of R.
#define MARROW_FIELD_OF(shape, ...) MARROW_FIELD_OF_##shape(__VA_ARGS__)
#define MARROW_FIELD_OF_READ(column, chunk, type, member, ...) Field<R, &R::member>(chunk, #member),
#define MARROW_FIELD_OF_BUILT(column, chunk, type, member, ...) Field<R, &R::member>(chunk, #member),
#define MARROW_FIELD_OF_FIELD(chunk, type, member, initial) Field<R, &R::member>(chunk, #member),
#define MARROW_FIELD_OF_PART(chunk, type, member, part) Field<R, &R::member, &type::part>(chunk, #part),
#define MARROW_FIELD_OF_KEPT(...)
#define MARROW_FIELD_OF_BLOCK(...)
#define MARROW_FIELD_OF_COLUMN(...)
#define MARROW_FIELD_OF_SHARED(...)

template <class TRecord>
struct SDeclaredFields;
template <>
struct SDeclaredFields<SItemCommon> {
    using R = SItemCommon;
    static constexpr SRecordField<R> LIST[] = {MARROW_ITEM_COMMON_FIELDS(MARROW_FIELD_OF)};
};
#define MARROW_DECLARED_FIELDS(record, singular, plural, LIST_NAME, ...)                \
    template <>                                                                        \
    struct SDeclaredFields<marrow::record> {                                           \
        using R = marrow::record;                                                      \
        static constexpr SRecordField<R> LIST[] = {MARROW_##LIST_NAME##_FIELDS(MARROW_FIELD_OF)}; \
    };
MARROW_ITEM_KINDS(MARROW_DECLARED_FIELDS)
#undef MARROW_DECLARED_FIELDS
#undef MARROW_FIELD_OF
#undef MARROW_FIELD_OF_READ
#undef MARROW_FIELD_OF_BUILT
#undef MARROW_FIELD_OF_FIELD
#undef MARROW_FIELD_OF_PART
#undef MARROW_FIELD_OF_KEPT
#undef MARROW_FIELD_OF_BLOCK
#undef MARROW_FIELD_OF_COLUMN
#undef MARROW_FIELD_OF_SHARED

// The fields in chunk order, which is the order they are written in; the declarations follow
// the tables' columns instead. (An insertion sort: C++17 has no constexpr std::sort.)
template <class TRecord, std::size_t N>
constexpr std::array<SRecordField<TRecord>, N> InChunkOrder(const SRecordField<TRecord> (&fields)[N]) {
    std::array<SRecordField<TRecord>, N> sorted{};
    for (std::size_t i = 0; i < N; ++i) {
        std::size_t j = i;
        for (; j > 0 && sorted[j - 1].layout.nId > fields[i].layout.nId; --j)
            sorted[j] = sorted[j - 1];
        sorted[j] = fields[i];
    }
    return sorted;
}

template <class TRecord>
inline constexpr auto FIELDS_IN_CHUNK_ORDER = InChunkOrder(SDeclaredFields<TRecord>::LIST);

template <class TRecord>
constexpr bool ChunksAreDistinct() {
    const auto& fields = FIELDS_IN_CHUNK_ORDER<TRecord>;
    for (std::size_t i = 1; i < fields.size(); ++i)
        if (fields[i].layout.nId == fields[i - 1].layout.nId) return false;
    return true;
}
}  // namespace record_fields

// The fields of each kind in the order Serialize writes them: ascending chunk ids.
// SItemCommon gives chunks 0 to 15, which every item kind writes before its own fields.
template <class TRecord>
constexpr span<const SRecordField<TRecord>> FieldsOf() {
    static_assert(record_fields::ChunksAreDistinct<TRecord>(), "two fields of one chunk id");
    constexpr const auto& FIELDS = record_fields::FIELDS_IN_CHUNK_ORDER<TRecord>;
    return {FIELDS.data(), FIELDS.size()};
}

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::SRecordField;
using marrow::Field;
using marrow::FieldsOf;
namespace record_fields = marrow::record_fields;
