// Names for the codes the records hold, each at the value items.idb stores
// (docs/idb-format.md), so that a game never writes a bare 7 or 0x7FFFFFFF.
// C++17 and later.
#pragma once

#include <cstdint>

#include "marrow/Records.h"

namespace marrow {

// SWeapon::TypeCode.
enum class EWeaponType : std::int32_t { Sword, Axe, Dagger, Spear, Hammer, Bow, Crossbow, Unknown };
// SArmor::TypeCode.
enum class EArmorType : std::int32_t {
    Helm,
    Plate,
    Leggings,
    Shirt,
    Pants,
    Boots,
    Gloves,
    Unknown
};
// SQuickItem::QuickType.
enum class EQuickItemType : std::int32_t {
    DangerSensor,
    Persuader,
    Trap,
    Picklock,
    Crowbar,
    Wand,
    Key,
    Plug,
    Scroll,
    Unknown = INVALID_CODE
};
// SQuickItem::DamageType, and the positions in a DamageBlock.
enum class EDamageType : std::int32_t {
    Piercing,
    Slashing,
    Bludgeoning,
    Termal,
    Chemic,
    Electric,
    General
};
// SLootItem::LootType.
enum class ELootType : std::int32_t { Treasure, Material, Instruction, Unknown = INVALID_CODE };
// SLootItem::InstructionType.
enum class EInstructionType : std::int32_t {
    Weapon,
    Armor,
    QuickItem,
    Prototype,
    Rune,
    Unknown = INVALID_CODE
};
// Positions in SSkillBlock::SkillLevels and SSkillBlock::ExtraSkillLevels.
enum class ESkill : std::int32_t {
    Melee,
    Archery,
    Backstab,
    Elemental,
    Sense,
    Astral,
    Stealth,
    Awareness
};
enum class EExtraSkill : std::int32_t { Science, Stealing, Tame };

// ShopMask: shop k (1 to 5) is bit k - 1. A table may put a larger number in a
// shop column, which sets higher bits too; test the bit of the shop, not the
// whole mask.
inline constexpr int SHOP_COUNT = 5;
inline constexpr std::uint32_t ShopBit(int nShop) {
    return nShop >= 1 && nShop <= SHOP_COUNT ? std::uint32_t{1} << (nShop - 1) : 0;
}
inline constexpr bool InShop(std::uint32_t nShopMask, int nShop) {
    return (nShopMask & ShopBit(nShop)) != 0;
}

// A record's code as its type. A code the file holds outside the list (a file
// written by another tool, or a damaged one) reads as Unknown; General for a
// damage type, as the builder writes.
inline EWeaponType WeaponType(const SWeapon& weapon) {
    return weapon.TypeCode >= 0 && weapon.TypeCode < 7 ? EWeaponType(weapon.TypeCode)
                                                       : EWeaponType::Unknown;
}
inline EArmorType ArmorType(const SArmor& armor) {
    return armor.TypeCode >= 0 && armor.TypeCode < 7 ? EArmorType(armor.TypeCode)
                                                     : EArmorType::Unknown;
}
inline EQuickItemType QuickItemType(const SQuickItem& item) {
    return item.QuickType >= 0 && item.QuickType < 9 ? EQuickItemType(item.QuickType)
                                                     : EQuickItemType::Unknown;
}
inline EDamageType DamageType(const SQuickItem& item) {
    return item.DamageType >= 0 && item.DamageType < 6 ? EDamageType(item.DamageType)
                                                       : EDamageType::General;
}
inline ELootType LootType(const SLootItem& item) {
    return item.LootType >= 0 && item.LootType < 3 ? ELootType(item.LootType) : ELootType::Unknown;
}
inline EInstructionType InstructionType(const SLootItem& item) {
    return item.InstructionType >= 0 && item.InstructionType < 5
               ? EInstructionType(item.InstructionType)
               : EInstructionType::Unknown;
}

// Indexing by name instead of by number.
inline float DamageValue(const DamageBlock& block, EDamageType type) {
    return block.values[static_cast<int>(type)];
}
inline std::uint8_t SkillLevel(const SSkillBlock& skills, ESkill skill) {
    return skills.SkillLevels[static_cast<int>(skill)];
}
inline std::uint8_t SkillLevel(const SSkillBlock& skills, EExtraSkill skill) {
    return skills.ExtraSkillLevels[static_cast<int>(skill)];
}

}  // namespace marrow
