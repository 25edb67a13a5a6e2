#include "itemdb/ItemCommon.h"

#include "itemdb/Columns.h"
#include "tableconv/FileRegistry.h"

std::uint32_t ReadShopMask(const CFileRegistry& registry, std::string_view strSection) {
    std::uint32_t nMask = 0;
    for (unsigned k = 0; k < 5; ++k)  // unsigned: any integer shifts without overflow
        nMask |= static_cast<std::uint32_t>(ReadInt(registry, strSection, *columns::SHOPS[k])) << k;
    return nMask;
}

std::uint32_t CrippledMaskOf(const std::vector<std::string>& entries) {
    std::uint32_t nMask = 0;
    for (const std::string& strEntry : entries)
        nMask |= 1u << (static_cast<std::uint32_t>(ParseAtoi(strEntry)) & 31u);
    return nMask;
}

void ReadCommonFields(const CFileRegistry& registry, std::string_view strSection,
                      SItemCommon& item) {
    using namespace columns;
    item.Name = ReadString(registry, strSection, NAME);
    LowercaseAscii(item.Name);
    item.Price = ReadFloat(registry, strSection, PRICE);
    item.Weight = ReadFloat(registry, strSection, WEIGHT);
    item.Size = ReadFloat(registry, strSection, SIZE);
    item.Mana = ReadFloat(registry, strSection, MANA);
    item.Slots = ReadInt(registry, strSection, SLOTS);
    item.Durability = ReadFloat(registry, strSection, DURABILITY);
    item.Components = ReadInt(registry, strSection, COMPONENTS);
    std::vector<std::string> list;
    ReadList(registry, strSection, ZONES, list);
    item.Zones.Assign(list);
    item.Deconstructable = ReadInt(registry, strSection, DECONSTRUCTABLE) != 0;
    item.TextureIndex = ReadInt(registry, strSection, TEXTURE_INDEX);
    item.TextureIndex2 = ReadInt(registry, strSection, TEXTURE_INDEX_2);
    ReadList(registry, strSection, FIGURE_NAMES, list);
    item.FigureNames.Assign(list);
    item.ShopMask = ReadShopMask(registry, strSection);
}
