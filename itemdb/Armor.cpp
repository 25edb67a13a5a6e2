// Armors: type code, skills and the two protection blocks.
#include "itemdb/Columns.h"
#include "itemdb/ItemCommon.h"

namespace {
// columns: absorption (x 0.1), seven damage values (x 0.01), then the crippled list.
void ReadProtection(const CFileRegistry& registry, std::string_view strSection,
                    const SColumnInfo* const (&columns)[9], SArmorProtection& protection) {
    protection.Absorption = ReadFloat(registry, strSection, *columns[0]) * 0.1f;
    for (int i = 0; i < DAMAGE_TYPE_COUNT; ++i)
        protection.Damage.values[i] = ReadFloat(registry, strSection, *columns[1 + i]) * 0.01f;
    std::vector<std::string> crippled;
    ReadList(registry, strSection, *columns[8], crippled);
    protection.CrippledMask = CrippledMaskOf(crippled);
}
}  // namespace

void ReadArmor(const CFileRegistry& registry, std::string_view strSection, std::int32_t,
               SArmor& armor) {
    using namespace columns;
    armor.TypeName = ReadString(registry, strSection, ARMOR_TYPE);
    armor.MaterialName = ReadString(registry, strSection, ARMOR_MATERIAL);
    armor.TypeCode = ArmorNameToCode(armor.TypeName, !HasValue(registry, strSection, ARMOR_TYPE));
    std::vector<std::string> entries;
    ReadList(registry, strSection, SKILL_LISTS, entries);
    ApplySkillList(entries, armor.Skills);
    ReadProtection(registry, strSection, MAIN_PROTECTION, armor.MainProtection);
    ReadProtection(registry, strSection, ADDITIONAL_PROTECTION, armor.AdditionalProtection);
}
