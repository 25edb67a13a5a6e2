// The part shared by the five item kinds: name, general values, texture values and shop mask,
// how a row fills them and how they are stored (chunks 0 to 15 of an item's record).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/PackedStrings.h"
#include "itemdb/Vocabulary.h"
#include "output/ChunkArchive.h"

class CFileRegistry;

struct SItemCommon {
    virtual std::int32_t GetTypeID() const = 0;
    // Reads or writes chunks 0 to 15, as the archive's mode says.
    void Serialize(CChunkArchive& archive);

    std::string Name;
    std::string TypeName;
    std::int32_t TypeCode = INVALID_CODE;  // weapons and armors only; "no code" otherwise
    std::string MaterialName;
    std::int32_t MaterialCode = INVALID_CODE;  // set by no builder
    std::int32_t TextureIndex = 0;
    std::int32_t TextureIndex2 = 0;
    CPackedStrings FigureNames;  // in memory only
    float Price = 0.0f;
    float Weight = 0.0f;
    float Size = 0.0f;
    float Mana = 0.0f;
    std::int32_t Slots = 0;
    float Durability = 0.0f;
    std::int32_t Components = 0;
    CPackedStrings Zones;  // in memory only
    std::uint32_t ShopMask = 0;
    bool Deconstructable = true;

protected:
    SItemCommon() = default;
    SItemCommon(const SItemCommon&) = default;
    SItemCommon& operator=(const SItemCommon&) = default;
    // Records are held by value in lists of their own kind and destroyed as that kind.
    ~SItemCommon() = default;
};

// Fills the common fields from one row (section) of the registry; every field read is
// replaced, absent values taking their defaults.
void ReadCommonFields(const CFileRegistry& registry, std::string_view strSection,
                      SItemCommon& item);

// The OR of the five shop columns, each integer shifted left by its shop number - 1 as read.
std::uint32_t ReadShopMask(const CFileRegistry& registry, std::string_view strSection);
// Bit (n AND 31) for every number n of a crippled list, numbers read as atoi does.
std::uint32_t CrippledMaskOf(const std::vector<std::string>& entries);

// Archive helpers for plain fields: bytes as they lie in memory.
template <class T>
void DataField(CChunkArchive& archive, int nId, T& value) {
    archive.DataChunk(nId, &value, sizeof value);
}
// A one-byte boolean; any non-zero byte reads as true.
void BoolField(CChunkArchive& archive, int nId, bool& bValue);
