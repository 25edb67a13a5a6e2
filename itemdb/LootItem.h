// Loot items: loot type, an instruction type derived from the item's name, a material number.
// The record: marrow/Records.h.
#pragma once

#include <string_view>

#include "itemdb/ItemCommon.h"

using marrow::SLootItem;
using marrow::TYPE_ID_LOOT_ITEM;

void ReadLootItem(const CFileRegistry& registry, std::string_view strSection, SLootItem& item);
