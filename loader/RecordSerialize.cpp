#include "loader/RecordSerialize.h"

#include <cstddef>

#include "output/DataStream.h"

using namespace marrow;

void BoolField(CChunkArchive& archive, int nId, bool& bValue) {
    std::uint8_t nByte = bValue ? 1 : 0;
    archive.DataChunk(nId, &nByte, 1);
    bValue = nByte != 0;
}

void SerializeCommon(CChunkArchive& archive, SItemCommon& item) {
    archive.StringChunk(0, item.Name);
    archive.StringChunk(1, item.TypeName);
    DataField(archive, 2, item.TypeCode);
    archive.StringChunk(3, item.MaterialName);
    DataField(archive, 4, item.MaterialCode);
    DataField(archive, 5, item.TextureIndex);
    DataField(archive, 6, item.TextureIndex2);
    DataField(archive, 7, item.Price);
    DataField(archive, 8, item.Weight);
    DataField(archive, 9, item.Size);
    DataField(archive, 10, item.Mana);
    DataField(archive, 11, item.Slots);
    DataField(archive, 12, item.Durability);
    DataField(archive, 13, item.Components);
    DataField(archive, 14, item.ShopMask);
    BoolField(archive, 15, item.Deconstructable);
}

void Serialize(CChunkArchive& archive, SMaterial& material) {
    archive.StringChunk(0, material.Name);
    archive.StringChunk(1, material.MaterialType);
    archive.StringChunk(2, material.CodeName);
    DataField(archive, 3, material.Index);
    DataField(archive, 4, material.Price);
    DataField(archive, 5, material.Weight);
    DataField(archive, 6, material.Mana);
    DataField(archive, 7, material.Slots);
    DataField(archive, 8, material.Durability);
    DataField(archive, 9, material.Skill);
    DataField(archive, 10, material.Damage);
    DataField(archive, 11, material.Absorption);
    DataField(archive, 12, material.CrippledMask);
    DataField(archive, 13, material.ShopMask);
}

void Serialize(CChunkArchive& archive, SWeapon& weapon) {
    SerializeCommon(archive, weapon);
    DataField(archive, 21, weapon.Actions);
    DataField(archive, 22, weapon.Reserved);
    DataField(archive, 23, weapon.Range);
    DataField(archive, 24, weapon.DamageMin);
    DataField(archive, 25, weapon.DamageSpread);
    DataField(archive, 26, weapon.DamageProportions);
    DataField(archive, 27, weapon.Skills.ExtraSkillLevels);
    DataField(archive, 28, weapon.Skills.SkillLevels);
    DataField(archive, 29, weapon.Attack);
    DataField(archive, 30, weapon.Defence);
}

void Serialize(CChunkArchive& archive, SArmor& armor) {
    SerializeCommon(archive, armor);
    DataField(archive, 21, armor.MainProtection);
    DataField(archive, 22, armor.AdditionalProtection);
    BoolField(archive, 23, armor.ApplyWounds);
    DataField(archive, 24, armor.WearOrder);
    DataField(archive, 25, armor.Skills.ExtraSkillLevels);
    DataField(archive, 26, armor.Skills.SkillLevels);
}

void Serialize(CChunkArchive& archive, SQuickItem& item) {
    SerializeCommon(archive, item);
    DataField(archive, 21, item.QuickType);
    DataField(archive, 22, item.Skill);
    DataField(archive, 23, item.Damage);
    DataField(archive, 24, item.DamageType);
    archive.StringChunk(25, item.Spell);
    DataField(archive, 26, item.Skills.ExtraSkillLevels);
    DataField(archive, 27, item.Skills.SkillLevels);
}

void Serialize(CChunkArchive& archive, SQuestItem& item) {
    SerializeCommon(archive, item);
    DataField(archive, 21, item.ScriptID);
    if (!archive.StartChunk(22)) return;  // reading a record without zones: keep them
    if (archive.IsReading()) {
        item.QuestZones.clear();
        item.QuestZones.resize(static_cast<std::size_t>(archive.CountChunks(1)));
    }
    for (std::size_t n = 1; n <= item.QuestZones.size(); ++n) {
        archive.SetChunkIndex(static_cast<int>(n));
        archive.StringChunk(1, item.QuestZones[n - 1]);
    }
    archive.FinishChunk();
}

void Serialize(CChunkArchive& archive, SLootItem& item) {
    SerializeCommon(archive, item);
    DataField(archive, 21, item.LootType);
    DataField(archive, 22, item.InstructionType);
    DataField(archive, 23, item.LootMaterial);
}

void SerializeItemLists(CChunkArchive& archive, SItemLists& lists) {
    archive.SerializeList(1, lists.m_materials);
    archive.SerializeList(2, lists.m_weapons);
    archive.SerializeList(3, lists.m_armors);
    archive.SerializeList(4, lists.m_quickItems);
    archive.SerializeList(5, lists.m_questItems);
    archive.SerializeList(6, lists.m_lootItems);
}

void ReadItemDatabase(IDataStream& stream, SItemLists& lists) {
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/true, /*nVersion=*/1);
    SerializeItemLists(archive, lists);
    archive.CloseArchive(stream);
}
