// Quick items: own type code, skill number, damage with its type, spell and skill levels. The
// record: marrow/Records.h.
#pragma once

#include <string_view>

#include "itemdb/ItemCommon.h"

using marrow::SQuickItem;
using marrow::TYPE_ID_QUICK_ITEM;

void ReadQuickItem(const CFileRegistry& registry, std::string_view strSection, SQuickItem& item);
