// Loot items: type and instruction codes, the loot material.
#include "itemdb/Columns.h"
#include "itemdb/ItemCommon.h"

void ReadLootItem(const CFileRegistry& registry, std::string_view strSection, std::int32_t,
                  SLootItem& item) {
    using namespace columns;
    item.MaterialName = ReadString(registry, strSection, LOOT_SCRAP_MATERIAL);
    item.TypeName = ReadString(registry, strSection, LOOT_TYPE);
    // Wraps around in 32 bits, as the game's own arithmetic does.
    item.LootMaterial = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(ReadInt(registry, strSection, LOOT_MATERIAL)) - 3u);
    item.LootType = LootTypeToCode(item.TypeName);
    item.InstructionType = InstructionTypeToCode(item.Name);
}
