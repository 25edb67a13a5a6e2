// Weapons: type code, damage, damage proportions, skills, attack and defence.
#include <cstring>

#include "itemdb/Columns.h"
#include "itemdb/ItemCommon.h"

void ReadWeapon(const CFileRegistry& registry, std::string_view strSection, std::int32_t,
                SWeapon& weapon) {
    using namespace columns;
    weapon.TypeName = ReadString(registry, strSection, WEAPON_TYPE);
    weapon.MaterialName = ReadString(registry, strSection, WEAPON_MATERIAL);
    weapon.TypeCode =
        WeaponNameToCode(weapon.TypeName, !HasValue(registry, strSection, WEAPON_TYPE));
    // Single-precision products, rounded once, as the game expects to the last bit.
    weapon.DamageMin = ReadFloat(registry, strSection, WEAPON_DAMAGE_MIN) * 0.1f;
    weapon.DamageSpread = ReadFloat(registry, strSection, WEAPON_DAMAGE_MAX) * 0.1f;
    weapon.DamageSpread = weapon.DamageSpread - weapon.DamageMin;

    std::vector<std::string> entries;
    ReadList(registry, strSection, WEAPON_LISTS, entries);
    std::memset(weapon.Reserved, 0, sizeof weapon.Reserved);
    weapon.Attack = 0.0f;
    weapon.Defence = 0.0f;
    std::string strName, strValue;
    for (const std::string& strEntry : entries) {
        if (!SplitListEntry(strEntry, strName, strValue)) continue;
        LowercaseAscii(strName);
        ApplySkillEntry(strName, strValue, weapon.Skills);
        if (strName == "attack") weapon.Attack = ParseAtof(strValue);
        else if (strName == "defence") weapon.Defence = ParseAtof(strValue);
    }
    for (int i = 0; i < DAMAGE_TYPE_COUNT; ++i)
        weapon.DamageProportions.values[i] =
            ReadFloat(registry, strSection, *PROPORTIONS[i]) * 0.01f;
}
