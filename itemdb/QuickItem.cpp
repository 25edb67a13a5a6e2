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

void SQuickItem::Serialize(CChunkArchive& archive) {
    SItemCommon::Serialize(archive);
    DataField(archive, 21, QuickType);
    DataField(archive, 22, Skill);
    DataField(archive, 23, Damage);
    DataField(archive, 24, DamageType);
    archive.StringChunk(25, Spell);
    DataField(archive, 26, Skills.ExtraSkillLevels);
    DataField(archive, 27, Skills.SkillLevels);
}
