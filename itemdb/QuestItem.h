// Quest items: a script identifier and a list of zone names, stored as nested string chunks.
// The record: marrow/Records.h.
#pragma once

#include <string_view>

#include "itemdb/ItemCommon.h"

using marrow::SQuestItem;
using marrow::TYPE_ID_QUEST_ITEM;

void ReadQuestItem(const CFileRegistry& registry, std::string_view strSection, SQuestItem& item);
