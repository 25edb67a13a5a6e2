// The six kinds of record, in build order, as the file holds them: record type, list member,
// list chunk id, the name idbdump gives the list, and the fields idbdump's table view shows.
// Everything that goes over all kinds reads this one table: the save and the loader
// (SerializeItemLists), the layout table (ItemKinds() in RecordLayout.h), and through the build
// table keyed to it (itemdb/Columns.h) the driver, the builders, itemcheck and the test fixtures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "loader/RecordLayout.h"
#include "loader/Span.h"
#include "marrow/Loader.h"

namespace marrow {

template <class TRecord>
struct SKindEntry {
    using Record = TRecord;
    const char* pszName;  // the list's name in the JSON output and in messages
    std::uint8_t nListId;
    std::vector<TRecord> marrow::SItemLists::*pList;
    span<const char* const> textColumns;  // field names shown by idbdump --text, in order
};

namespace item_kinds {
inline constexpr const char* MATERIAL_COLUMNS[] = {"Name",  "MaterialType", "CodeName",
                                                   "Price", "Weight",       "Durability",
                                                   "Skill", "Damage",       "ShopMask"};
inline constexpr const char* WEAPON_COLUMNS[] = {
    "Name",  "TypeName",  "TypeCode",     "MaterialName", "Price",  "Weight",
    "Range", "DamageMin", "DamageSpread", "Attack",       "Defence"};
inline constexpr const char* ARMOR_COLUMNS[] = {"Name",         "TypeName",  "TypeCode",
                                                "MaterialName", "Price",     "Weight",
                                                "Durability",   "WearOrder", "ApplyWounds"};
inline constexpr const char* QUICK_ITEM_COLUMNS[] = {"Name",   "TypeName", "QuickType",
                                                     "Price",  "Weight",   "Skill",
                                                     "Damage", "DamageType", "Spell"};
inline constexpr const char* QUEST_ITEM_COLUMNS[] = {"Name", "TypeName", "Price", "ScriptID",
                                                     "QuestZones"};
inline constexpr const char* LOOT_ITEM_COLUMNS[] = {
    "Name", "TypeName", "Price", "Weight", "LootType", "InstructionType", "LootMaterial"};

using marrow::SArmor, marrow::SItemLists, marrow::SLootItem, marrow::SMaterial;
using marrow::SQuestItem, marrow::SQuickItem, marrow::SWeapon;
inline constexpr std::tuple KINDS{
    SKindEntry<SMaterial>{"materials", 1, &SItemLists::m_materials, MATERIAL_COLUMNS},
    SKindEntry<SWeapon>{"weapons", 2, &SItemLists::m_weapons, WEAPON_COLUMNS},
    SKindEntry<SArmor>{"armors", 3, &SItemLists::m_armors, ARMOR_COLUMNS},
    SKindEntry<SQuickItem>{"quickItems", 4, &SItemLists::m_quickItems, QUICK_ITEM_COLUMNS},
    SKindEntry<SQuestItem>{"questItems", 5, &SItemLists::m_questItems, QUEST_ITEM_COLUMNS},
    SKindEntry<SLootItem>{"lootItems", 6, &SItemLists::m_lootItems, LOOT_ITEM_COLUMNS},
};
static_assert(std::tuple_size_v<decltype(KINDS)> == ITEM_KIND_COUNT);

template <class TRecord, std::size_t I = 0>
constexpr std::size_t IndexOf() {
    static_assert(I < ITEM_KIND_COUNT, "not a kind of record");
    if constexpr (std::is_same_v<typename std::tuple_element_t<I, decltype(KINDS)>::Record,
                                 TRecord>)
        return I;
    else return IndexOf<TRecord, I + 1>();
}
}  // namespace item_kinds

// Calls f(entry) for each kind's SKindEntry, in build order.
template <class F>
void ForEachKind(F&& f) {
    std::apply([&f](const auto&... kinds) { (f(kinds), ...); }, item_kinds::KINDS);
}

// The position of a record type's kind in build order, which is also its index in ItemKinds().
template <class TRecord>
inline constexpr std::size_t KIND_INDEX = item_kinds::IndexOf<TRecord>();

template <class TRecord>
constexpr const SKindEntry<TRecord>& KindOf() {
    return std::get<KIND_INDEX<TRecord>>(item_kinds::KINDS);
}

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::SKindEntry;
using marrow::ForEachKind;
using marrow::KIND_INDEX;
using marrow::KindOf;
namespace item_kinds = marrow::item_kinds;
