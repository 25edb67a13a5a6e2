#include "loader/RecordLayout.h"

#include <type_traits>
#include <vector>

#include "loader/ItemKinds.h"
#include "loader/RecordFields.h"

namespace {
using namespace marrow;
using T = EFieldType;

constexpr SRecordField<SItemCommon> COMMON_FIELDS[] = {
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

constexpr SRecordField<SMaterial> MATERIAL_FIELDS[] = {
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
constexpr SRecordField<SWeapon> WEAPON_FIELDS[] = {
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
constexpr SRecordField<SArmor> ARMOR_FIELDS[] = {
    Field<SArmor, &SArmor::MainProtection>(21, "MainProtection"),
    Field<SArmor, &SArmor::AdditionalProtection>(22, "AdditionalProtection"),
    Field<SArmor, &SArmor::ApplyWounds>(23, "ApplyWounds"),
    Field<SArmor, &SArmor::WearOrder>(24, "WearOrder"),
    Field<SArmor, &SArmor::Skills, &SSkillBlock::ExtraSkillLevels>(25, "ExtraSkillLevels"),
    Field<SArmor, &SArmor::Skills, &SSkillBlock::SkillLevels>(26, "SkillLevels"),
};
constexpr SRecordField<SQuickItem> QUICK_ITEM_FIELDS[] = {
    Field<SQuickItem, &SQuickItem::QuickType>(21, "QuickType"),
    Field<SQuickItem, &SQuickItem::Skill>(22, "Skill"),
    Field<SQuickItem, &SQuickItem::Damage>(23, "Damage"),
    Field<SQuickItem, &SQuickItem::DamageType>(24, "DamageType"),
    Field<SQuickItem, &SQuickItem::Spell>(25, "Spell"),
    Field<SQuickItem, &SQuickItem::Skills, &SSkillBlock::ExtraSkillLevels>(26, "ExtraSkillLevels"),
    Field<SQuickItem, &SQuickItem::Skills, &SSkillBlock::SkillLevels>(27, "SkillLevels"),
};
constexpr SRecordField<SQuestItem> QUEST_ITEM_FIELDS[] = {
    Field<SQuestItem, &SQuestItem::ScriptID>(21, "ScriptID"),
    Field<SQuestItem, &SQuestItem::QuestZones>(22, "QuestZones"),
};
constexpr SRecordField<SLootItem> LOOT_ITEM_FIELDS[] = {
    Field<SLootItem, &SLootItem::LootType>(21, "LootType"),
    Field<SLootItem, &SLootItem::InstructionType>(22, "InstructionType"),
    Field<SLootItem, &SLootItem::LootMaterial>(23, "LootMaterial"),
};

// The stored layout of a kind: for items the common chunks, then the kind's own.
template <class TRecord>
std::vector<SFieldLayout> LayoutOf() {
    std::vector<SFieldLayout> layout;
    if constexpr (std::is_base_of_v<SItemCommon, TRecord>)
        for (const auto& field : FieldsOf<SItemCommon>()) layout.push_back(field.layout);
    for (const auto& field : FieldsOf<TRecord>()) layout.push_back(field.layout);
    return layout;
}

struct SKindTable {
    std::array<std::vector<SFieldLayout>, ITEM_KIND_COUNT> layouts;
    std::array<SKindLayout, ITEM_KIND_COUNT> kinds;

    SKindTable() {
        std::size_t k = 0;
        ForEachKind([this, &k](const auto& entry) {
            using TRecord = typename std::remove_cvref_t<decltype(entry)>::Record;
            layouts[k] = LayoutOf<TRecord>();
            kinds[k] = {entry.pszName, entry.nListId, layouts[k], entry.textColumns};
            ++k;
        });
    }
};
}  // namespace

template <>
std::span<const SRecordField<SItemCommon>> FieldsOf<SItemCommon>() { return COMMON_FIELDS; }
template <>
std::span<const SRecordField<SMaterial>> FieldsOf<SMaterial>() { return MATERIAL_FIELDS; }
template <>
std::span<const SRecordField<SWeapon>> FieldsOf<SWeapon>() { return WEAPON_FIELDS; }
template <>
std::span<const SRecordField<SArmor>> FieldsOf<SArmor>() { return ARMOR_FIELDS; }
template <>
std::span<const SRecordField<SQuickItem>> FieldsOf<SQuickItem>() { return QUICK_ITEM_FIELDS; }
template <>
std::span<const SRecordField<SQuestItem>> FieldsOf<SQuestItem>() { return QUEST_ITEM_FIELDS; }
template <>
std::span<const SRecordField<SLootItem>> FieldsOf<SLootItem>() { return LOOT_ITEM_FIELDS; }

const std::array<SKindLayout, ITEM_KIND_COUNT>& ItemKinds() {
    static const SKindTable table;
    return table.kinds;
}

std::uint32_t FixedSizeOf(const SFieldLayout& field) {
    switch (field.type) {
        case T::Int:
        case T::Mask:
        case T::Float: return 4;
        case T::Bool: return 1;
        case T::Bytes: return field.nCount;
        case T::Floats: return 4u * field.nCount;
        case T::Protection: return 36;
        case T::Text:
        case T::TextList: break;
    }
    return 0;
}

int FieldIndexOf(const SKindLayout& kind, std::uint8_t nId) {
    for (std::size_t i = 0; i < kind.fields.size(); ++i)
        if (kind.fields[i].nId == nId) return static_cast<int>(i);
    return NO_FIELD;
}

int FieldIndexOf(const SKindLayout& kind, std::string_view strName) {
    for (std::size_t i = 0; i < kind.fields.size(); ++i)
        if (strName == kind.fields[i].pszName) return static_cast<int>(i);
    return NO_FIELD;
}

std::string_view TextOfPayload(std::string_view strPayload) {
    return strPayload.substr(0, strPayload.find('\0'));
}
