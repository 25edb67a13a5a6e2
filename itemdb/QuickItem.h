// Quick items: own type code, skill number, damage with its type, spell and skill levels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "itemdb/ItemCommon.h"

inline constexpr std::int32_t TYPE_ID_QUICK_ITEM = 0x3006;

struct SQuickItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_QUICK_ITEM; }
    // The common chunks, then chunks 21 to 27.
    void Serialize(CChunkArchive& archive);

    std::int32_t QuickType = 0;  // 0 to 8, or INVALID_CODE
    std::int32_t Skill = 0;
    float Damage = 0.0f;
    std::int32_t DamageType = 0;  // 0 to 5, or 6 (general)
    std::string Spell;
    SSkillBlock Skills;
};

void ReadQuickItem(const CFileRegistry& registry, std::string_view strSection, SQuickItem& item);
