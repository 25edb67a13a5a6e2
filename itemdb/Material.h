// Materials: not items; their own general columns with defaults of -1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "itemdb/Vocabulary.h"

class CChunkArchive;
class CFileRegistry;

struct SMaterial {
    std::string Name;
    std::string MaterialType;
    std::string CodeName;
    std::int32_t Index = 0;  // position in the materials list
    float Price = 0.0f;
    float Weight = 0.0f;
    float Mana = 0.0f;
    std::int32_t Slots = 0;
    float Durability = 0.0f;
    std::int32_t Skill = 0;
    float Damage = 0.0f;
    DamageBlock Absorption;
    std::uint32_t CrippledMask = 0;
    std::uint32_t ShopMask = 0;

    // Chunks 0 to 13, read or written as the archive's mode says.
    void Serialize(CChunkArchive& archive);
};

// Fills a material from one row; nIndex is its position in the list.
void ReadMaterial(const CFileRegistry& registry, std::string_view strSection, std::int32_t nIndex,
                  SMaterial& material);
