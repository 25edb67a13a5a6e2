// The records of an items database, one struct per kind, as the loader fills them from items.idb.
// Plain data: every record owns its texts and copies like a value. C++17 and later.
// Stored form of every field: docs/idb-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace marrow {

// "No code": the largest positive 32-bit value.
inline constexpr std::int32_t INVALID_CODE = 0x7FFFFFFF;

inline constexpr int DAMAGE_TYPE_COUNT = 7;  // six damage types, then the general value
inline constexpr int SKILL_COUNT = 8;
inline constexpr int EXTRA_SKILL_COUNT = 3;

// Seven values in the order piercing, slashing, bludgeoning, termal, chemic, electric, general.
struct DamageBlock {
    float values[DAMAGE_TYPE_COUNT] = {};
};
static_assert(sizeof(DamageBlock) == 28, "stored as 28 bytes");

// The 11-byte skill block of weapons, armors and quick items: the extra skills lie directly
// before the eight skills.
struct SSkillBlock {
    std::uint8_t ExtraSkillLevels[EXTRA_SKILL_COUNT] = {};  // science, stealing, tame
    std::uint8_t SkillLevels[SKILL_COUNT] = {};             // melee ... awareness
};
static_assert(sizeof(SSkillBlock) == 11, "stored as 11 bytes");

// A list of strings kept in one block: the builder holds some lists for the whole run without
// ever storing them, and a vector of strings costs an allocation per element.
class CPackedStrings {
public:
    CPackedStrings() = default;
    CPackedStrings(const std::vector<std::string>& list) { Assign(list); }

    void Assign(const std::vector<std::string>& list);
    std::size_t size() const { return m_nCount; }
    bool empty() const { return m_nCount == 0; }
    std::vector<std::string> ToVector() const;

    bool operator==(const CPackedStrings& other) const {
        return m_nCount == other.m_nCount && m_strData == other.m_strData;
    }
    bool operator!=(const CPackedStrings& other) const { return !(*this == other); }
    bool operator==(const std::vector<std::string>& list) const { return ToVector() == list; }

private:
    // Each element as its length (7 bits a byte, low bits first, high bit: more follow), then
    // its bytes.
    std::string m_strData;
    std::uint32_t m_nCount = 0;
};

inline constexpr std::int32_t TYPE_ID_WEAPON = 0x3004;
inline constexpr std::int32_t TYPE_ID_ARMOR = 0x3005;
inline constexpr std::int32_t TYPE_ID_QUICK_ITEM = 0x3006;
inline constexpr std::int32_t TYPE_ID_LOOT_ITEM = 0x3007;
inline constexpr std::int32_t TYPE_ID_QUEST_ITEM = 0x3009;

// The part shared by the five item kinds (chunks 0 to 15 of an item's record).
struct SItemCommon {
    virtual std::int32_t GetTypeID() const = 0;

    std::string Name;  // lowercased
    std::string TypeName;
    std::int32_t TypeCode = INVALID_CODE;  // weapons and armors only; "no code" otherwise
    std::string MaterialName;
    std::int32_t MaterialCode = INVALID_CODE;
    std::int32_t TextureIndex = 0;
    std::int32_t TextureIndex2 = 0;
    CPackedStrings FigureNames;  // kept by the builder, never stored: empty when loaded
    float Price = 0.0f;
    float Weight = 0.0f;
    float Size = 0.0f;
    float Mana = 0.0f;
    std::int32_t Slots = 0;
    float Durability = 0.0f;
    std::int32_t Components = 0;
    CPackedStrings Zones;  // kept by the builder, never stored: empty when loaded
    std::uint32_t ShopMask = 0;
    bool Deconstructable = true;

protected:
    SItemCommon() = default;
    SItemCommon(const SItemCommon&) = default;
    SItemCommon& operator=(const SItemCommon&) = default;
    // Records are held by value in lists of their own kind and destroyed as that kind.
    ~SItemCommon() = default;
};

// Materials are not items: their own general fields (list chunk 1).
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
};

// List chunk 2.
struct SWeapon final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_WEAPON; }

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

// Nine 32-bit values, stored as one 36-byte unit.
struct SArmorProtection {
    float Absorption = 0.0f;  // x 0.1
    DamageBlock Damage;       // piercing ... general, x 0.01 each
    std::uint32_t CrippledMask = 0;
};
static_assert(sizeof(SArmorProtection) == 36, "stored as 36 bytes");

// List chunk 3.
struct SArmor final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_ARMOR; }

    SArmorProtection MainProtection;
    SArmorProtection AdditionalProtection;
    bool ApplyWounds = false;
    std::int32_t WearOrder = 0;
    SSkillBlock Skills;
};

// List chunk 4.
struct SQuickItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_QUICK_ITEM; }

    std::int32_t QuickType = 0;  // 0 to 8, or INVALID_CODE
    std::int32_t Skill = 0;
    float Damage = 0.0f;
    std::int32_t DamageType = 0;  // 0 to 5, or 6 (general)
    std::string Spell;
    SSkillBlock Skills;
};

// List chunk 5.
struct SQuestItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_QUEST_ITEM; }

    std::int32_t ScriptID = 0;
    std::vector<std::string> QuestZones;  // as written: no trimming, case change or dedup
};

// List chunk 6.
struct SLootItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_LOOT_ITEM; }

    std::int32_t LootType = 0;         // 0 to 2, or INVALID_CODE
    std::int32_t InstructionType = 0;  // 0 to 4, or INVALID_CODE
    std::int32_t LootMaterial = 0;     // "Loot Material" - 3
};

}  // namespace marrow
