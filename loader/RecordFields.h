// Each record kind's fields, declared once: chunk id, name, storage and the member they live in.
// The serializers, the layout table that the structural check and idbdump read (RecordLayout.h)
// and the format document's field tables all follow these lists. Layout: docs/idb-format.md.
#pragma once

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
using marrow::SArmor, marrow::SItemCommon, marrow::SLootItem, marrow::SMaterial;
using marrow::SQuestItem, marrow::SQuickItem, marrow::SSkillBlock, marrow::SWeapon;

inline constexpr SRecordField<SItemCommon> COMMON_FIELDS[] = {
    Field<SItemCommon, &SItemCommon::Name>(0, "Name"),
    Field<SItemCommon, &SItemCommon::TypeName>(1, "TypeName"),
    Field<SItemCommon, &SItemCommon::TypeCode>(2, "TypeCode"),
    Field<SItemCommon, &SItemCommon::MaterialName>(3, "MaterialName"),
    Field<SItemCommon, &SItemCommon::MaterialCode>(4, "MaterialCode"),
    Field<SItemCommon, &SItemCommon::TextureIndex>(5, "TextureIndex"),
    Field<SItemCommon, &SItemCommon::TextureIndex2>(6, "TextureIndex2"),
    Field<SItemCommon, &SItemCommon::Price>(7, "Price"),
    Field<SItemCommon, &SItemCommon::Weight>(8, "Weight"),
    Field<SItemCommon, &SItemCommon::Size>(9, "Size"),
    Field<SItemCommon, &SItemCommon::Mana>(10, "Mana"),
    Field<SItemCommon, &SItemCommon::Slots>(11, "Slots"),
    Field<SItemCommon, &SItemCommon::Durability>(12, "Durability"),
    Field<SItemCommon, &SItemCommon::Components>(13, "Components"),
    Field<SItemCommon, &SItemCommon::ShopMask>(14, "ShopMask"),
    Field<SItemCommon, &SItemCommon::Deconstructable>(15, "Deconstructable"),
};

inline constexpr SRecordField<SMaterial> MATERIAL_FIELDS[] = {
    Field<SMaterial, &SMaterial::Name>(0, "Name"),
    Field<SMaterial, &SMaterial::MaterialType>(1, "MaterialType"),
    Field<SMaterial, &SMaterial::CodeName>(2, "CodeName"),
    Field<SMaterial, &SMaterial::Index>(3, "Index"),
    Field<SMaterial, &SMaterial::Price>(4, "Price"),
    Field<SMaterial, &SMaterial::Weight>(5, "Weight"),
    Field<SMaterial, &SMaterial::Mana>(6, "Mana"),
    Field<SMaterial, &SMaterial::Slots>(7, "Slots"),
    Field<SMaterial, &SMaterial::Durability>(8, "Durability"),
    Field<SMaterial, &SMaterial::Skill>(9, "Skill"),
    Field<SMaterial, &SMaterial::Damage>(10, "Damage"),
    Field<SMaterial, &SMaterial::Absorption>(11, "Absorption"),
    Field<SMaterial, &SMaterial::CrippledMask>(12, "CrippledMask"),
    Field<SMaterial, &SMaterial::ShopMask>(13, "ShopMask"),
};

// Each item kind's own fields, from chunk 21.
inline constexpr SRecordField<SWeapon> WEAPON_FIELDS[] = {
    Field<SWeapon, &SWeapon::Actions>(21, "Actions"),
    Field<SWeapon, &SWeapon::Reserved>(22, "Reserved"),
    Field<SWeapon, &SWeapon::Range>(23, "Range"),
    Field<SWeapon, &SWeapon::DamageMin>(24, "DamageMin"),
    Field<SWeapon, &SWeapon::DamageSpread>(25, "DamageSpread"),
    Field<SWeapon, &SWeapon::DamageProportions>(26, "DamageProportions"),
    Field<SWeapon, &SWeapon::Skills, &SSkillBlock::ExtraSkillLevels>(27, "ExtraSkillLevels"),
    Field<SWeapon, &SWeapon::Skills, &SSkillBlock::SkillLevels>(28, "SkillLevels"),
    Field<SWeapon, &SWeapon::Attack>(29, "Attack"),
    Field<SWeapon, &SWeapon::Defence>(30, "Defence"),
};
inline constexpr SRecordField<SArmor> ARMOR_FIELDS[] = {
    Field<SArmor, &SArmor::MainProtection>(21, "MainProtection"),
    Field<SArmor, &SArmor::AdditionalProtection>(22, "AdditionalProtection"),
    Field<SArmor, &SArmor::ApplyWounds>(23, "ApplyWounds"),
    Field<SArmor, &SArmor::WearOrder>(24, "WearOrder"),
    Field<SArmor, &SArmor::Skills, &SSkillBlock::ExtraSkillLevels>(25, "ExtraSkillLevels"),
    Field<SArmor, &SArmor::Skills, &SSkillBlock::SkillLevels>(26, "SkillLevels"),
};
inline constexpr SRecordField<SQuickItem> QUICK_ITEM_FIELDS[] = {
    Field<SQuickItem, &SQuickItem::QuickType>(21, "QuickType"),
    Field<SQuickItem, &SQuickItem::Skill>(22, "Skill"),
    Field<SQuickItem, &SQuickItem::Damage>(23, "Damage"),
    Field<SQuickItem, &SQuickItem::DamageType>(24, "DamageType"),
    Field<SQuickItem, &SQuickItem::Spell>(25, "Spell"),
    Field<SQuickItem, &SQuickItem::Skills, &SSkillBlock::ExtraSkillLevels>(26, "ExtraSkillLevels"),
    Field<SQuickItem, &SQuickItem::Skills, &SSkillBlock::SkillLevels>(27, "SkillLevels"),
};
inline constexpr SRecordField<SQuestItem> QUEST_ITEM_FIELDS[] = {
    Field<SQuestItem, &SQuestItem::ScriptID>(21, "ScriptID"),
    Field<SQuestItem, &SQuestItem::QuestZones>(22, "QuestZones"),
};
inline constexpr SRecordField<SLootItem> LOOT_ITEM_FIELDS[] = {
    Field<SLootItem, &SLootItem::LootType>(21, "LootType"),
    Field<SLootItem, &SLootItem::InstructionType>(22, "InstructionType"),
    Field<SLootItem, &SLootItem::LootMaterial>(23, "LootMaterial"),
};
}  // namespace record_fields

// The fields of each kind in the order Serialize writes them. SItemCommon gives chunks 0 to 15,
// which every item kind writes before its own fields.
template <class TRecord>
constexpr span<const SRecordField<TRecord>> FieldsOf() {
    using namespace record_fields;
    if constexpr (std::is_same_v<TRecord, SItemCommon>) return COMMON_FIELDS;
    else if constexpr (std::is_same_v<TRecord, SMaterial>) return MATERIAL_FIELDS;
    else if constexpr (std::is_same_v<TRecord, SWeapon>) return WEAPON_FIELDS;
    else if constexpr (std::is_same_v<TRecord, SArmor>) return ARMOR_FIELDS;
    else if constexpr (std::is_same_v<TRecord, SQuickItem>) return QUICK_ITEM_FIELDS;
    else if constexpr (std::is_same_v<TRecord, SQuestItem>) return QUEST_ITEM_FIELDS;
    else if constexpr (std::is_same_v<TRecord, SLootItem>) return LOOT_ITEM_FIELDS;
    else static_assert(sizeof(TRecord) == 0, "not a record with a field list");
}

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::SRecordField;
using marrow::Field;
using marrow::FieldsOf;
namespace record_fields = marrow::record_fields;
