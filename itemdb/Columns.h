// Every column that a builder reads: its full name, getter, default and what becomes of the
// value. The builders read through these entries, and the table checker and the column
// reference list them, so the three cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tableconv/FileRegistry.h"

enum class EColumnType : std::uint8_t { Int, Float, String, StringList };

// What a value must look like beyond its type, for the table checker.
enum class EValueRule : std::uint8_t {
    Any,
    Flag,          // 0 or 1
    WeaponName,    // a word of the weapon names
    ArmorName,     // a word of the armor names
    QuickType,     // a word of the quick item types
    LootType,      // a word of the loot types
    DamageType,    // a word of the damage types
    SkillList,     // entries "skill level", level 0 to 255
    WeaponList,    // the same, plus "attack x" and "defence x"
    CrippledList,  // numbers 0 to 31
    Material,      // a row name of the materials table
};

struct SColumnInfo {
    const char* pszName;   // the full column name: group, one space, sub-column
    const char* pszGroup;  // the group line's cell
    const char* pszSub;    // the sub-column line's cell; empty for a one-column group
    EColumnType type;
    float fDefault;           // Int and Float columns
    const char* pszDefault;   // String columns
    const char* pszField;     // the record field it fills
    const char* pszMeaning;   // what becomes of the value, for people
    EValueRule rule;
    std::uint32_t nByteSum = 0;  // of pszName, for the registry's hash
};

class CItemDatabase;

// What building a kind of record takes: its table, its builder and the columns the builder
// reads, common item columns included. The stored side of each kind (record type, list, chunk
// id, fields) is the loader's entry at the same position (loader/ItemKinds.h).
struct SKindColumns {
    const char* pszKind;   // "quick items", as in the heading "Building quick items list:"
    const char* pszTable;  // "QuickItems.txt"
    bool (CItemDatabase::*pBuild)(const char* pszFileName);
    std::span<const SColumnInfo* const> columns;
};

// The six kinds in build order, the order of the loader's kinds.
std::span<const SKindColumns> AllKinds();

// The kind's columns as a table lays them out: each group's columns together, groups in the
// order of their first column. A group of a single named sub-column is followed by a spare
// column (null), since a one-column group's name alone would be its full name.
std::vector<const SColumnInfo*> ColumnsInTableOrder(const SKindColumns& kind);
// The group line and the sub-column line, each ended by LF, of ColumnsInTableOrder.
std::string HeaderLinesOf(const SKindColumns& kind);

// Typed reads of one column of a row, with the column's own default.
std::int32_t ReadInt(const CFileRegistry& registry, std::string_view strSection,
                     const SColumnInfo& column);
float ReadFloat(const CFileRegistry& registry, std::string_view strSection,
                const SColumnInfo& column);
std::string ReadString(const CFileRegistry& registry, std::string_view strSection,
                       const SColumnInfo& column);
// Whether the row has a value in the column (the cell was not empty).
bool HasValue(const CFileRegistry& registry, std::string_view strSection, const SColumnInfo& column);
// An absent value gives an empty list.
void ReadList(const CFileRegistry& registry, std::string_view strSection,
              const SColumnInfo& column, std::vector<std::string>& list);

namespace columns {
// clang-format off
#define MARROW_INT(id, group, sub, def, field, meaning, rule) \
    inline constexpr SColumnInfo id{group " " sub, group, sub, EColumnType::Int, def, nullptr, field, meaning, EValueRule::rule, NameByteSum(group " " sub)};
#define MARROW_FLOAT(id, group, sub, def, field, meaning) \
    inline constexpr SColumnInfo id{group " " sub, group, sub, EColumnType::Float, def, nullptr, field, meaning, EValueRule::Any, NameByteSum(group " " sub)};
#define MARROW_STRING(id, group, sub, def, field, meaning, rule) \
    inline constexpr SColumnInfo id{group " " sub, group, sub, EColumnType::String, 0.0f, def, field, meaning, EValueRule::rule, NameByteSum(group " " sub)};
#define MARROW_LIST(id, group, sub, field, meaning, rule) \
    inline constexpr SColumnInfo id{group " " sub, group, sub, EColumnType::StringList, 0.0f, nullptr, field, meaning, EValueRule::rule, NameByteSum(group " " sub)};

// Common to the five item kinds.
inline constexpr SColumnInfo NAME{"Name", "Name", "", EColumnType::String, 0.0f, "none", "Name", "lowercased", EValueRule::Any, NameByteSum("Name")};
MARROW_FLOAT(PRICE, "General", "Price", 1.0f, "Price", "as read")
MARROW_FLOAT(WEIGHT, "General", "Weight", 1.0f, "Weight", "as read")
MARROW_FLOAT(SIZE, "General", "Size", 1.0f, "Size", "as read")
MARROW_FLOAT(MANA, "General", "Mana", 0.0f, "Mana", "as read")
MARROW_INT(SLOTS, "General", "Slots", 0.0f, "Slots", "as read", Any)
MARROW_FLOAT(DURABILITY, "General", "Durability", 1.0f, "Durability", "as read")
MARROW_INT(COMPONENTS, "General", "Components", 1.0f, "Components", "as read", Any)
MARROW_LIST(ZONES, "General", "Zones", "Zones", "kept in memory, not stored", Any)
MARROW_INT(DECONSTRUCTABLE, "General", "Deconstructable", 0.0f, "Deconstructable", "true when not 0", Any)
MARROW_INT(TEXTURE_INDEX, "Graphics Data", "Texture Type Index", -1.0f, "TextureIndex", "as read", Any)
MARROW_INT(TEXTURE_INDEX_2, "Graphics Data", "Texture Type Index 2", -1.0f, "TextureIndex2", "as read", Any)
MARROW_LIST(FIGURE_NAMES, "Graphics Data", "Figure Names", "FigureNames", "kept in memory, not stored", Any)
MARROW_INT(SHOP_1, "Available In Shop", "1", 0.0f, "ShopMask", "OR-ed into bit 0, shifted as read", Flag)
MARROW_INT(SHOP_2, "Available In Shop", "2", 0.0f, "ShopMask", "OR-ed in shifted left by 1", Flag)
MARROW_INT(SHOP_3, "Available In Shop", "3", 0.0f, "ShopMask", "OR-ed in shifted left by 2", Flag)
MARROW_INT(SHOP_4, "Available In Shop", "4", 0.0f, "ShopMask", "OR-ed in shifted left by 3", Flag)
MARROW_INT(SHOP_5, "Available In Shop", "5", 0.0f, "ShopMask", "OR-ed in shifted left by 4", Flag)
inline constexpr const SColumnInfo* SHOPS[] = {&SHOP_1, &SHOP_2, &SHOP_3, &SHOP_4, &SHOP_5};

// Materials: their own general columns, with defaults of -1.
MARROW_STRING(MATERIAL_TYPE, "Material", "Type", "none", "MaterialType", "as written", Any)
MARROW_STRING(MATERIAL_CODE_NAME, "Material", "Code Name", "none", "CodeName", "as written", Any)
MARROW_FLOAT(MATERIAL_PRICE, "General", "Price", -1.0f, "Price", "as read")
MARROW_FLOAT(MATERIAL_WEIGHT, "General", "Weight", -1.0f, "Weight", "as read")
MARROW_FLOAT(MATERIAL_MANA, "General", "Mana", -1.0f, "Mana", "as read")
MARROW_INT(MATERIAL_SLOTS, "General", "Slots", 0.0f, "Slots", "as read", Any)
MARROW_FLOAT(MATERIAL_DURABILITY, "General", "Durability", -1.0f, "Durability", "as read")
MARROW_INT(MATERIAL_SKILL, "Material", "Skill", 0.0f, "Skill", "as read", Any)
MARROW_FLOAT(MATERIAL_DAMAGE, "Material", "Damage", -1.0f, "Damage", "as read")
MARROW_FLOAT(ABSORPTION_PIERCING, "Absorption", "Piercing", -1.0f, "Absorption[0]", "as read")
MARROW_FLOAT(ABSORPTION_SLASHING, "Absorption", "Slashing", -1.0f, "Absorption[1]", "as read")
MARROW_FLOAT(ABSORPTION_BLUDGEONING, "Absorption", "Bludgeoning", -1.0f, "Absorption[2]", "as read")
MARROW_FLOAT(ABSORPTION_TERMAL, "Absorption", "Termal", -1.0f, "Absorption[3]", "as read")
MARROW_FLOAT(ABSORPTION_CHEMIC, "Absorption", "Chemic", -1.0f, "Absorption[4]", "as read")
MARROW_FLOAT(ABSORPTION_ELECTRIC, "Absorption", "Electric", -1.0f, "Absorption[5]", "as read")
MARROW_FLOAT(ABSORPTION_GENERAL, "Absorption", "General", -1.0f, "Absorption[6]", "as read")
inline constexpr const SColumnInfo* ABSORPTION[] = {
    &ABSORPTION_PIERCING, &ABSORPTION_SLASHING, &ABSORPTION_BLUDGEONING, &ABSORPTION_TERMAL,
    &ABSORPTION_CHEMIC, &ABSORPTION_ELECTRIC, &ABSORPTION_GENERAL};
MARROW_LIST(ABSORPTION_CRIPPLED, "Absorption", "Crippled", "CrippledMask", "bit (n AND 31) per number", CrippledList)

// Weapons.
MARROW_STRING(WEAPON_TYPE, "Weapon", "Type", "none", "TypeName, TypeCode", "lowercased, weapon code", WeaponName)
MARROW_STRING(WEAPON_MATERIAL, "Weapon", "Material Type", "none", "MaterialName", "as written", Material)
MARROW_FLOAT(WEAPON_RANGE, "Weapon", "Range", -1.0f, "Range", "as read")
MARROW_FLOAT(WEAPON_DAMAGE_MIN, "Weapon", "Damage Min", -1.0f, "DamageMin", "x 0.1")
MARROW_FLOAT(WEAPON_DAMAGE_MAX, "Weapon", "Damage Max", -1.0f, "DamageSpread", "x 0.1, minus DamageMin")
MARROW_INT(WEAPON_ACTIONS, "Weapon", "Actions", 0.0f, "Actions", "as read", Any)
inline constexpr SColumnInfo WEAPON_LISTS{"Lists", "Lists", "", EColumnType::StringList, 0.0f, nullptr, "SkillLevels, Attack, Defence", "\"skill n\", \"attack x\", \"defence x\"", EValueRule::WeaponList, NameByteSum("Lists")};
MARROW_FLOAT(PROPORTION_PIERCING, "Damage proportions", "Piercing", -1.0f, "DamageProportions[0]", "x 0.01")
MARROW_FLOAT(PROPORTION_SLASHING, "Damage proportions", "Slashing", -1.0f, "DamageProportions[1]", "x 0.01")
MARROW_FLOAT(PROPORTION_BLUDGEONING, "Damage proportions", "Bludgeoning", -1.0f, "DamageProportions[2]", "x 0.01")
MARROW_FLOAT(PROPORTION_TERMAL, "Damage proportions", "Termal", -1.0f, "DamageProportions[3]", "x 0.01")
MARROW_FLOAT(PROPORTION_CHEMIC, "Damage proportions", "Chemic", -1.0f, "DamageProportions[4]", "x 0.01")
MARROW_FLOAT(PROPORTION_ELECTRIC, "Damage proportions", "Electric", -1.0f, "DamageProportions[5]", "x 0.01")
MARROW_FLOAT(PROPORTION_GENERAL, "Damage proportions", "General", -1.0f, "DamageProportions[6]", "x 0.01")
inline constexpr const SColumnInfo* PROPORTIONS[] = {
    &PROPORTION_PIERCING, &PROPORTION_SLASHING, &PROPORTION_BLUDGEONING, &PROPORTION_TERMAL,
    &PROPORTION_CHEMIC, &PROPORTION_ELECTRIC, &PROPORTION_GENERAL};

// Armors: two protection blocks of eight values and a crippled list each.
MARROW_STRING(ARMOR_TYPE, "Armor", "Type", "none", "TypeName, TypeCode", "lowercased, armor code", ArmorName)
MARROW_STRING(ARMOR_MATERIAL, "Armor", "Material Type", "none", "MaterialName", "as written", Material)
MARROW_INT(WEAR_ORDER, "Graphics Data", "Wear Order", 0.0f, "WearOrder", "as read", Any)
inline constexpr SColumnInfo SKILL_LISTS{"Lists", "Lists", "", EColumnType::StringList, 0.0f, nullptr, "SkillLevels", "\"skill n\" entries", EValueRule::SkillList, NameByteSum("Lists")};
MARROW_FLOAT(MAIN_ABSORPTION, "Main", "Absorption", -1.0f, "MainProtection.Absorption", "x 0.1")
MARROW_FLOAT(MAIN_PIERCING, "Main", "Piercing", -1.0f, "MainProtection.Piercing", "x 0.01")
MARROW_FLOAT(MAIN_SLASHING, "Main", "Slashing", -1.0f, "MainProtection.Slashing", "x 0.01")
MARROW_FLOAT(MAIN_BLUDGEONING, "Main", "Bludgeoning", -1.0f, "MainProtection.Bludgeoning", "x 0.01")
MARROW_FLOAT(MAIN_TERMAL, "Main", "Termal", -1.0f, "MainProtection.Termal", "x 0.01")
MARROW_FLOAT(MAIN_CHEMIC, "Main", "Chemic", -1.0f, "MainProtection.Chemic", "x 0.01")
MARROW_FLOAT(MAIN_ELECTRIC, "Main", "Electric", -1.0f, "MainProtection.Electric", "x 0.01")
MARROW_FLOAT(MAIN_GENERAL, "Main", "General", -1.0f, "MainProtection.General", "x 0.01")
MARROW_LIST(MAIN_CRIPPLED, "Main", "Crippled", "MainProtection.CrippledMask", "bit (n AND 31) per number", CrippledList)
MARROW_FLOAT(ADDITIONAL_ABSORPTION, "Additional", "Absorption", -1.0f, "AdditionalProtection.Absorption", "x 0.1")
MARROW_FLOAT(ADDITIONAL_PIERCING, "Additional", "Piercing", -1.0f, "AdditionalProtection.Piercing", "x 0.01")
MARROW_FLOAT(ADDITIONAL_SLASHING, "Additional", "Slashing", -1.0f, "AdditionalProtection.Slashing", "x 0.01")
MARROW_FLOAT(ADDITIONAL_BLUDGEONING, "Additional", "Bludgeoning", -1.0f, "AdditionalProtection.Bludgeoning", "x 0.01")
MARROW_FLOAT(ADDITIONAL_TERMAL, "Additional", "Termal", -1.0f, "AdditionalProtection.Termal", "x 0.01")
MARROW_FLOAT(ADDITIONAL_CHEMIC, "Additional", "Chemic", -1.0f, "AdditionalProtection.Chemic", "x 0.01")
MARROW_FLOAT(ADDITIONAL_ELECTRIC, "Additional", "Electric", -1.0f, "AdditionalProtection.Electric", "x 0.01")
MARROW_FLOAT(ADDITIONAL_GENERAL, "Additional", "General", -1.0f, "AdditionalProtection.General", "x 0.01")
MARROW_LIST(ADDITIONAL_CRIPPLED, "Additional", "Crippled", "AdditionalProtection.CrippledMask", "bit (n AND 31) per number", CrippledList)
// Absorption first (x 0.1), then the seven damage-type values (x 0.01), then the crippled list.
inline constexpr const SColumnInfo* MAIN_PROTECTION[] = {
    &MAIN_ABSORPTION, &MAIN_PIERCING, &MAIN_SLASHING, &MAIN_BLUDGEONING, &MAIN_TERMAL,
    &MAIN_CHEMIC, &MAIN_ELECTRIC, &MAIN_GENERAL, &MAIN_CRIPPLED};
inline constexpr const SColumnInfo* ADDITIONAL_PROTECTION[] = {
    &ADDITIONAL_ABSORPTION, &ADDITIONAL_PIERCING, &ADDITIONAL_SLASHING, &ADDITIONAL_BLUDGEONING,
    &ADDITIONAL_TERMAL, &ADDITIONAL_CHEMIC, &ADDITIONAL_ELECTRIC, &ADDITIONAL_GENERAL,
    &ADDITIONAL_CRIPPLED};
MARROW_INT(APPLY_WOUNDS, "Graphics Data", "Apply Wounds", 1.0f, "ApplyWounds", "true when not 0", Any)

// Quick items.
MARROW_STRING(QUICK_TYPE, "Quick Items", "Type", "none", "TypeName, QuickType", "lowercased, quick item code", QuickType)
MARROW_STRING(QUICK_MATERIAL, "Quick Items", "Material Type", "none", "MaterialName", "as written", Material)
MARROW_INT(QUICK_SKILL, "Quick Items", "Skill", 0.0f, "Skill", "as read", Any)
MARROW_FLOAT(QUICK_DAMAGE, "Quick Items", "Damage", 0.0f, "Damage", "as read")
MARROW_STRING(QUICK_DAMAGE_TYPE, "Quick Items", "Damage Type", "piercing", "DamageType", "damage type code", DamageType)
MARROW_STRING(QUICK_SPELL, "Quick Items", "Spell", "", "Spell", "as written", Any)

// Quest items.
MARROW_INT(QUEST_SCRIPT_ID, "Quest Items", "ScriptID", 0.0f, "ScriptID", "as read", Any)
MARROW_LIST(QUEST_ZONES, "Quest Items", "Zones", "QuestZones", "stored entry by entry", Any)

// Loot items.
MARROW_STRING(LOOT_SCRAP_MATERIAL, "Loot", "Scrap Material", "", "MaterialName", "as written", Material)
MARROW_STRING(LOOT_TYPE, "Loot", "Type", "none", "TypeName, LootType", "lowercased, loot code", LootType)
MARROW_INT(LOOT_MATERIAL, "Loot", "Material", 0.0f, "LootMaterial", "minus 3", Any)

#undef MARROW_INT
#undef MARROW_FLOAT
#undef MARROW_STRING
#undef MARROW_LIST
// clang-format on
}  // namespace columns
