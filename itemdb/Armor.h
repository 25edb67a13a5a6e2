// Armors: two protection blocks, wear order, wound flag and the skill levels.
#pragma once

#include <cstdint>
#include <string_view>

#include "itemdb/ItemCommon.h"

inline constexpr std::int32_t TYPE_ID_ARMOR = 0x3005;

// Nine 32-bit values, stored as one 36-byte unit.
struct SArmorProtection {
    float Absorption = 0.0f;  // x 0.1
    DamageBlock Damage;       // piercing ... general, x 0.01 each
    std::uint32_t CrippledMask = 0;
};
static_assert(sizeof(SArmorProtection) == 36);

struct SArmor final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_ARMOR; }
    // The common chunks, then chunks 21 to 26.
    void Serialize(CChunkArchive& archive);

    SArmorProtection MainProtection;
    SArmorProtection AdditionalProtection;
    bool ApplyWounds = false;
    std::int32_t WearOrder = 0;
    SSkillBlock Skills;
};

// Fills an armor from one row; an unknown armor type is reported.
void ReadArmor(const CFileRegistry& registry, std::string_view strSection, SArmor& armor);
