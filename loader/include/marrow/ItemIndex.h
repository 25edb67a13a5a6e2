// Lookup by name in the six lists, in constant time on average. C++17 and
// later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "marrow/Loader.h"

namespace marrow {

// The builder's name rule: names are the same when they are equal with A to Z
// taken as a to z (records store their names lowercased; a MaterialName keeps
// the case it was typed in).
bool SameName(std::string_view strA, std::string_view strB) noexcept;

// A hash table of record positions per list, built once after a load. It refers
// to the lists it was built from, which must outlive it and stay where they
// are. Every hit is checked against the record it names, so a list changed
// after Build never yields a wrong record or a position outside it; a renamed
// or added record is found again after the next Build. When a record name
// occurs twice, the first in the list is found.
class CItemIndex {
public:
    CItemIndex() = default;
    // Builds at once; on lack of memory the index stays empty (see Build).
    explicit CItemIndex(const SItemLists& lists) noexcept { Build(lists); }

    // Indexes the lists' names. False only when memory ran out: lookups then
    // still answer, by walking the list. Nothing is thrown.
    bool Build(const SItemLists& lists) noexcept;

    // The record with that name, or nullptr (also before any Build). Find<SWeapon>(strName)
    // is FindWeapon(strName), for any kind of record.
    template <class TRecord>
    const TRecord* Find(std::string_view strName) const noexcept;
    const SMaterial* FindMaterial(std::string_view strName) const noexcept {
        return Find<SMaterial>(strName);
    }
    const SWeapon* FindWeapon(std::string_view strName) const noexcept {
        return Find<SWeapon>(strName);
    }
    const SArmor* FindArmor(std::string_view strName) const noexcept {
        return Find<SArmor>(strName);
    }
    const SQuickItem* FindQuickItem(std::string_view strName) const noexcept {
        return Find<SQuickItem>(strName);
    }
    const SQuestItem* FindQuestItem(std::string_view strName) const noexcept {
        return Find<SQuestItem>(strName);
    }
    const SLootItem* FindLootItem(std::string_view strName) const noexcept {
        return Find<SLootItem>(strName);
    }

    // The position in m_materials of the material an item is made of, found by
    // its MaterialName; none when no material has that name ("none", empty, a
    // typing error).
    std::optional<std::size_t> MaterialIndexOf(const SItemCommon& item) const noexcept;

private:
    // Per list, in list chunk order: 0 for an empty slot, else the record's
    // position + 1. The size is a power of two, at least twice the list's.
    std::vector<std::uint32_t> m_slots[ITEM_KIND_COUNT];
    const SItemLists* m_pLists = nullptr;
};

}  // namespace marrow
