// Quest items: a script identifier and a list of zone names, stored as nested string chunks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/ItemCommon.h"

inline constexpr std::int32_t TYPE_ID_QUEST_ITEM = 0x3009;

struct SQuestItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_QUEST_ITEM; }
    // The common chunks, chunk 21, then chunk 22 holding one string chunk (id 1) per zone.
    void Serialize(CChunkArchive& archive);

    std::int32_t ScriptID = 0;
    std::vector<std::string> QuestZones;  // as written: no trimming, case change or dedup
};

void ReadQuestItem(const CFileRegistry& registry, std::string_view strSection, SQuestItem& item);
