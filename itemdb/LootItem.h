// Loot items: loot type, an instruction type derived from the item's name, a material number.
#pragma once

#include <cstdint>
#include <string_view>

#include "itemdb/ItemCommon.h"

inline constexpr std::int32_t TYPE_ID_LOOT_ITEM = 0x3007;

struct SLootItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_LOOT_ITEM; }
    // The common chunks, then chunks 21 to 23.
    void Serialize(CChunkArchive& archive);

    std::int32_t LootType = 0;         // 0 to 2, or INVALID_CODE
    std::int32_t InstructionType = 0;  // 0 to 4, or INVALID_CODE
    std::int32_t LootMaterial = 0;     // "Loot Material" - 3
};

void ReadLootItem(const CFileRegistry& registry, std::string_view strSection, SLootItem& item);
