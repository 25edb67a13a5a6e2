// Every column that a builder reads: its full name, getter, default and what becomes of the
// value. The builders read through these entries, and the table checker and the column
// reference list them, so the three cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "marrow/ItemTable.h"
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
// "Group Sub", or "Group" alone when the sub-column is empty, as a constant.
template <std::size_t G, std::size_t S>
constexpr std::array<char, G + S> JoinColumnName(const char (&group)[G], const char (&sub)[S]) {
    std::array<char, G + S> name{};
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < G; ++i) name[n++] = group[i];
    if (S > 1) name[n++] = ' ';
    for (std::size_t i = 0; i + 1 < S; ++i) name[n++] = sub[i];
    return name;
}

constexpr SColumnInfo MakeColumn(const char* pszName, const char* pszGroup, const char* pszSub,
                                 EColumnType type, float fDefault, const char* pszField,
                                 const char* pszMeaning, EValueRule rule) {
    return {pszName, pszGroup, pszSub, type, fDefault, nullptr, pszField, pszMeaning, rule,
            NameByteSum(pszName)};
}
constexpr SColumnInfo MakeColumn(const char* pszName, const char* pszGroup, const char* pszSub,
                                 EColumnType type, const char* pszDefault, const char* pszField,
                                 const char* pszMeaning, EValueRule rule) {
    return {pszName, pszGroup, pszSub, type, 0.0f, pszDefault, pszField, pszMeaning, rule,
            NameByteSum(pszName)};
}

// Every column of marrow/ItemTable.h as a constant of its own name: columns::WEAPON_RANGE.
#define MARROW_COLUMN_OF(shape, ...) MARROW_COLUMN_OF_##shape(__VA_ARGS__)
#define MARROW_COLUMN_OF_READ(column, chunk, type, member, initial, ...) \
    MARROW_DECLARE_COLUMN(column, #member, __VA_ARGS__)
#define MARROW_COLUMN_OF_BUILT(column, chunk, type, member, initial, ...) \
    MARROW_DECLARE_COLUMN(column, #member, __VA_ARGS__)
#define MARROW_COLUMN_OF_KEPT(column, type, member, initial, ...) \
    MARROW_DECLARE_COLUMN(column, #member, __VA_ARGS__)
#define MARROW_COLUMN_OF_COLUMN(column, ctype, group, sub, def, field, meaning, rule) \
    MARROW_DECLARE_COLUMN(column, field, ctype, group, sub, def, meaning, rule)
#define MARROW_COLUMN_OF_FIELD(...)
#define MARROW_COLUMN_OF_BLOCK(...)
#define MARROW_COLUMN_OF_PART(...)
#define MARROW_COLUMN_OF_SHARED(...)
#define MARROW_DECLARE_COLUMN(column, field, ctype, group, sub, def, meaning, rule)            \
    inline constexpr auto column##_FULL_NAME = JoinColumnName(group, sub);                     \
    inline constexpr SColumnInfo column = MakeColumn(column##_FULL_NAME.data(), group, sub,    \
        EColumnType::ctype, def, field, meaning, EValueRule::rule);
#define MARROW_KIND_COLUMNS(record, singular, plural, LIST_NAME, ...) \
    MARROW_##LIST_NAME##_FIELDS(MARROW_COLUMN_OF)
MARROW_ITEM_COMMON_FIELDS(MARROW_COLUMN_OF)
MARROW_ITEM_KINDS(MARROW_KIND_COLUMNS)
#undef MARROW_KIND_COLUMNS
#undef MARROW_DECLARE_COLUMN
#undef MARROW_COLUMN_OF
#undef MARROW_COLUMN_OF_READ
#undef MARROW_COLUMN_OF_BUILT
#undef MARROW_COLUMN_OF_KEPT
#undef MARROW_COLUMN_OF_COLUMN
#undef MARROW_COLUMN_OF_FIELD
#undef MARROW_COLUMN_OF_BLOCK
#undef MARROW_COLUMN_OF_PART
#undef MARROW_COLUMN_OF_SHARED

// The columns that builders read in groups.
inline constexpr const SColumnInfo* SHOPS[] = {&SHOP_1, &SHOP_2, &SHOP_3, &SHOP_4, &SHOP_5};
inline constexpr const SColumnInfo* ABSORPTION[] = {
    &ABSORPTION_PIERCING, &ABSORPTION_SLASHING, &ABSORPTION_BLUDGEONING, &ABSORPTION_TERMAL,
    &ABSORPTION_CHEMIC, &ABSORPTION_ELECTRIC, &ABSORPTION_GENERAL};
inline constexpr const SColumnInfo* PROPORTIONS[] = {
    &PROPORTION_PIERCING, &PROPORTION_SLASHING, &PROPORTION_BLUDGEONING, &PROPORTION_TERMAL,
    &PROPORTION_CHEMIC, &PROPORTION_ELECTRIC, &PROPORTION_GENERAL};
// Absorption first (x 0.1), then the seven damage-type values (x 0.01), then the crippled list.
inline constexpr const SColumnInfo* MAIN_PROTECTION[] = {
    &MAIN_ABSORPTION, &MAIN_PIERCING, &MAIN_SLASHING, &MAIN_BLUDGEONING, &MAIN_TERMAL,
    &MAIN_CHEMIC, &MAIN_ELECTRIC, &MAIN_GENERAL, &MAIN_CRIPPLED};
inline constexpr const SColumnInfo* ADDITIONAL_PROTECTION[] = {
    &ADDITIONAL_ABSORPTION, &ADDITIONAL_PIERCING, &ADDITIONAL_SLASHING, &ADDITIONAL_BLUDGEONING,
    &ADDITIONAL_TERMAL, &ADDITIONAL_CHEMIC, &ADDITIONAL_ELECTRIC, &ADDITIONAL_GENERAL,
    &ADDITIONAL_CRIPPLED};
}  // namespace columns
