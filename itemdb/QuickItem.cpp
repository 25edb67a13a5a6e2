#include "itemdb/QuickItem.h"

#include "itemdb/Columns.h"

void ReadQuickItem(const CFileRegistry& registry, std::string_view strSection, SQuickItem& item) {
    using namespace columns;
    ReadCommonFields(registry, strSection, item);
    item.TypeName = ReadString(registry, strSection, QUICK_TYPE);
    item.MaterialName = ReadString(registry, strSection, QUICK_MATERIAL);
    item.QuickType = QuickItemTypeToCode(item.TypeName);
    item.Skill = ReadInt(registry, strSection, QUICK_SKILL);
    item.Damage = ReadFloat(registry, strSection, QUICK_DAMAGE);
    std::string strDamageType = ReadString(registry, strSection, QUICK_DAMAGE_TYPE);
    item.DamageType = DamageTypeToCode(strDamageType);
    item.Spell = ReadString(registry, strSection, QUICK_SPELL);
    std::vector<std::string> entries;
    ReadList(registry, strSection, SKILL_LISTS, entries);
    ApplySkillList(entries, item.Skills);
}
