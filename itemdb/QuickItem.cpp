// Quick items: type and damage type codes, skills.
#include "itemdb/Columns.h"
#include "itemdb/ItemCommon.h"

void ReadQuickItem(const CFileRegistry& registry, std::string_view strSection, std::int32_t,
                   SQuickItem& item) {
    using namespace columns;
    item.TypeName = ReadString(registry, strSection, QUICK_TYPE);
    item.MaterialName = ReadString(registry, strSection, QUICK_MATERIAL);
    item.QuickType = QuickItemTypeToCode(item.TypeName);
    std::string strDamageType = ReadString(registry, strSection, QUICK_DAMAGE_TYPE);
    item.DamageType = DamageTypeToCode(strDamageType);
    std::vector<std::string> entries;
    ReadList(registry, strSection, SKILL_LISTS, entries);
    ApplySkillList(entries, item.Skills);
}
