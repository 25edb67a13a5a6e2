#include "itemdb/Material.h"

#include "itemdb/Columns.h"
#include "itemdb/ItemCommon.h"

void ReadMaterial(const CFileRegistry& registry, std::string_view strSection, std::int32_t nIndex,
                  SMaterial& material) {
    using namespace columns;
    material.Name = ReadString(registry, strSection, NAME);
    LowercaseAscii(material.Name);
    material.MaterialType = ReadString(registry, strSection, MATERIAL_TYPE);
    material.CodeName = ReadString(registry, strSection, MATERIAL_CODE_NAME);
    material.Index = nIndex;
    material.Price = ReadFloat(registry, strSection, MATERIAL_PRICE);
    material.Weight = ReadFloat(registry, strSection, MATERIAL_WEIGHT);
    material.Mana = ReadFloat(registry, strSection, MATERIAL_MANA);
    material.Slots = ReadInt(registry, strSection, MATERIAL_SLOTS);
    material.Durability = ReadFloat(registry, strSection, MATERIAL_DURABILITY);
    material.Skill = ReadInt(registry, strSection, MATERIAL_SKILL);
    material.Damage = ReadFloat(registry, strSection, MATERIAL_DAMAGE);
    for (int i = 0; i < DAMAGE_TYPE_COUNT; ++i)
        material.Absorption.values[i] = ReadFloat(registry, strSection, *ABSORPTION[i]);
    std::vector<std::string> crippled;
    ReadList(registry, strSection, ABSORPTION_CRIPPLED, crippled);
    material.CrippledMask = CrippledMaskOf(crippled);
    material.ShopMask = ReadShopMask(registry, strSection);
}
