// The records of an items database, one struct per kind, as the loader fills them from items.idb.
// Plain data: every record owns its texts and copies like a value. C++17 and later.
// Their fields are declared in marrow/ItemTable.h; stored form: docs/idb-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "marrow/ItemTable.h"

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

// Each record's fields are those of its list in marrow/ItemTable.h, where every field's type,
// chunk and the table column it comes from are declared.
#define MARROW_MEMBER(shape, ...) MARROW_MEMBER_##shape(__VA_ARGS__)
#define MARROW_MEMBER_READ(column, chunk, type, member, initial, ...) type member = initial;
#define MARROW_MEMBER_BUILT(column, chunk, type, member, initial, ...) type member = initial;
#define MARROW_MEMBER_KEPT(column, type, member, initial, ...) type member = initial;
#define MARROW_MEMBER_FIELD(chunk, type, member, initial) type member = initial;
#define MARROW_MEMBER_BLOCK(type, member) type member;
#define MARROW_MEMBER_PART(...)
#define MARROW_MEMBER_COLUMN(...)
#define MARROW_MEMBER_SHARED(...)

// The weapon's eight reserved bytes, stored as they are.
using ReservedBytes = std::uint8_t[8];

// The part shared by the five item kinds (chunks 0 to 15 of an item's record). FigureNames and
// Zones are kept by the builder but never stored: they are empty when loaded.
struct SItemCommon {
    virtual std::int32_t GetTypeID() const = 0;

    MARROW_ITEM_COMMON_FIELDS(MARROW_MEMBER)

protected:
    SItemCommon() = default;
    SItemCommon(const SItemCommon&) = default;
    SItemCommon& operator=(const SItemCommon&) = default;
    // Records are held by value in lists of their own kind and destroyed as that kind.
    ~SItemCommon() = default;
};

// Materials are not items: their own general fields (list chunk 1).
struct SMaterial {
    MARROW_MATERIAL_FIELDS(MARROW_MEMBER)
};

// Nine 32-bit values, stored as one 36-byte unit.
struct SArmorProtection {
    float Absorption = 0.0f;  // x 0.1
    DamageBlock Damage;       // piercing ... general, x 0.01 each
    std::uint32_t CrippledMask = 0;
};
static_assert(sizeof(SArmorProtection) == 36, "stored as 36 bytes");

struct SWeapon final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_WEAPON; }
    MARROW_WEAPON_FIELDS(MARROW_MEMBER)
};

struct SArmor final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_ARMOR; }
    MARROW_ARMOR_FIELDS(MARROW_MEMBER)
};

struct SQuickItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_QUICK_ITEM; }
    MARROW_QUICK_ITEM_FIELDS(MARROW_MEMBER)
};

struct SQuestItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_QUEST_ITEM; }
    MARROW_QUEST_ITEM_FIELDS(MARROW_MEMBER)
};

struct SLootItem final : SItemCommon {
    std::int32_t GetTypeID() const override { return TYPE_ID_LOOT_ITEM; }
    MARROW_LOOT_ITEM_FIELDS(MARROW_MEMBER)
};

#undef MARROW_MEMBER
#undef MARROW_MEMBER_READ
#undef MARROW_MEMBER_BUILT
#undef MARROW_MEMBER_KEPT
#undef MARROW_MEMBER_FIELD
#undef MARROW_MEMBER_BLOCK
#undef MARROW_MEMBER_PART
#undef MARROW_MEMBER_COLUMN
#undef MARROW_MEMBER_SHARED

}  // namespace marrow
