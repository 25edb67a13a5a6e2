// Weapons: type code, range, damage, damage proportions, skills, attack and defence.
#pragma once

#include <cstdint>
#include <string_view>

#include "itemdb/ItemCommon.h"

inline constexpr std::int32_t TYPE_ID_WEAPON = 0x3004;

struct SWeapon final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_WEAPON; }
    // The common chunks, then chunks 21 to 30.
    void Serialize(CChunkArchive& archive);

    std::int32_t Actions = 0;
    std::uint8_t Reserved[8] = {};
    SSkillBlock Skills;
    float Attack = 0.0f;
    float Defence = 0.0f;
    float Range = 0.0f;
    float DamageMin = 0.0f;     // "Weapon Damage Min" x 0.1
    float DamageSpread = 0.0f;  // "Weapon Damage Max" x 0.1 - DamageMin
    DamageBlock DamageProportions;  // x 0.01 each
};

// Fills a weapon from one row; an unknown weapon type is reported.
void ReadWeapon(const CFileRegistry& registry, std::string_view strSection, SWeapon& weapon);
