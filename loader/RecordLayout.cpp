#include "loader/RecordLayout.h"

#include <iterator>

namespace {
using T = EFieldType;

// Chunks 0 to 15, written first by every item kind but materials.
constexpr SFieldLayout COMMON_FIELDS[] = {
    {0, "Name", T::Text},         {1, "TypeName", T::Text},
    {2, "TypeCode", T::Int},      {3, "MaterialName", T::Text},
    {4, "MaterialCode", T::Int},  {5, "TextureIndex", T::Int},
    {6, "TextureIndex2", T::Int}, {7, "Price", T::Float},
    {8, "Weight", T::Float},      {9, "Size", T::Float},
    {10, "Mana", T::Float},       {11, "Slots", T::Int},
    {12, "Durability", T::Float}, {13, "Components", T::Int},
    {14, "ShopMask", T::Mask},    {15, "Deconstructable", T::Bool},
};
constexpr std::size_t COMMON_COUNT = std::size(COMMON_FIELDS);

// An item kind's fields: the common chunks, then the kind's own.
template <std::size_t N>
constexpr std::array<SFieldLayout, COMMON_COUNT + N> WithCommon(const SFieldLayout (&own)[N]) {
    std::array<SFieldLayout, COMMON_COUNT + N> all{};
    for (std::size_t i = 0; i < COMMON_COUNT; ++i) all[i] = COMMON_FIELDS[i];
    for (std::size_t i = 0; i < N; ++i) all[COMMON_COUNT + i] = own[i];
    return all;
}

constexpr SFieldLayout MATERIAL_FIELDS[] = {
    {0, "Name", T::Text},          {1, "MaterialType", T::Text}, {2, "CodeName", T::Text},
    {3, "Index", T::Int},          {4, "Price", T::Float},       {5, "Weight", T::Float},
    {6, "Mana", T::Float},         {7, "Slots", T::Int},         {8, "Durability", T::Float},
    {9, "Skill", T::Int},          {10, "Damage", T::Float},     {11, "Absorption", T::Floats, 7},
    {12, "CrippledMask", T::Mask}, {13, "ShopMask", T::Mask},
};
constexpr SFieldLayout WEAPON_OWN[] = {
    {21, "Actions", T::Int},
    {22, "Reserved", T::Bytes, 8},
    {23, "Range", T::Float},
    {24, "DamageMin", T::Float},
    {25, "DamageSpread", T::Float},
    {26, "DamageProportions", T::Floats, 7},
    {27, "ExtraSkillLevels", T::Bytes, 3},
    {28, "SkillLevels", T::Bytes, 8},
    {29, "Attack", T::Float},
    {30, "Defence", T::Float},
};
constexpr auto WEAPON_FIELDS = WithCommon(WEAPON_OWN);
constexpr SFieldLayout ARMOR_OWN[] = {
    {21, "MainProtection", T::Protection}, {22, "AdditionalProtection", T::Protection},
    {23, "ApplyWounds", T::Bool},          {24, "WearOrder", T::Int},
    {25, "ExtraSkillLevels", T::Bytes, 3}, {26, "SkillLevels", T::Bytes, 8},
};
constexpr auto ARMOR_FIELDS = WithCommon(ARMOR_OWN);
constexpr SFieldLayout QUICK_ITEM_OWN[] = {
    {21, "QuickType", T::Int},        {22, "Skill", T::Int},  {23, "Damage", T::Float},
    {24, "DamageType", T::Int},       {25, "Spell", T::Text}, {26, "ExtraSkillLevels", T::Bytes, 3},
    {27, "SkillLevels", T::Bytes, 8},
};
constexpr auto QUICK_ITEM_FIELDS = WithCommon(QUICK_ITEM_OWN);
constexpr SFieldLayout QUEST_ITEM_OWN[] = {
    {21, "ScriptID", T::Int},
    {22, "QuestZones", T::TextList},
};
constexpr auto QUEST_ITEM_FIELDS = WithCommon(QUEST_ITEM_OWN);
constexpr SFieldLayout LOOT_ITEM_OWN[] = {
    {21, "LootType", T::Int},
    {22, "InstructionType", T::Int},
    {23, "LootMaterial", T::Int},
};
constexpr auto LOOT_ITEM_FIELDS = WithCommon(LOOT_ITEM_OWN);

constexpr const char* MATERIAL_COLUMNS[] = {"Name",  "MaterialType", "CodeName",
                                            "Price", "Weight",       "Durability",
                                            "Skill", "Damage",       "ShopMask"};
constexpr const char* WEAPON_COLUMNS[] = {"Name",         "TypeName", "TypeCode", "MaterialName",
                                          "Price",        "Weight",   "Range",    "DamageMin",
                                          "DamageSpread", "Attack",   "Defence"};
constexpr const char* ARMOR_COLUMNS[] = {"Name",         "TypeName",  "TypeCode",
                                         "MaterialName", "Price",     "Weight",
                                         "Durability",   "WearOrder", "ApplyWounds"};
constexpr const char* QUICK_ITEM_COLUMNS[] = {"Name",  "TypeName", "QuickType",  "Price", "Weight",
                                              "Skill", "Damage",   "DamageType", "Spell"};
constexpr const char* QUEST_ITEM_COLUMNS[] = {"Name", "TypeName", "Price", "ScriptID",
                                              "QuestZones"};
constexpr const char* LOOT_ITEM_COLUMNS[] = {"Name",     "TypeName",        "Price",       "Weight",
                                             "LootType", "InstructionType", "LootMaterial"};

const std::array<SKindLayout, ITEM_KIND_COUNT> KINDS = {{
    {"materials", 1, MATERIAL_FIELDS, MATERIAL_COLUMNS},
    {"weapons", 2, WEAPON_FIELDS, WEAPON_COLUMNS},
    {"armors", 3, ARMOR_FIELDS, ARMOR_COLUMNS},
    {"quickItems", 4, QUICK_ITEM_FIELDS, QUICK_ITEM_COLUMNS},
    {"questItems", 5, QUEST_ITEM_FIELDS, QUEST_ITEM_COLUMNS},
    {"lootItems", 6, LOOT_ITEM_FIELDS, LOOT_ITEM_COLUMNS},
}};
}  // namespace

const std::array<SKindLayout, ITEM_KIND_COUNT>& ItemKinds() { return KINDS; }

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
