// The fixed word lists that turn the tables' words into the records' codes, the skill list
// rule, and the conversions of list entries to numbers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "marrow/Records.h"

using marrow::DAMAGE_TYPE_COUNT;
using marrow::DamageBlock;
using marrow::EXTRA_SKILL_COUNT;
using marrow::INVALID_CODE;
using marrow::SKILL_COUNT;
using marrow::SSkillBlock;

// The word lists, each word at the position of its code; all lowercase but the instruction
// types, which are compared without regard to case.
enum class EVocabulary {
    WeaponNames, ArmorNames, QuickItemTypes, LootTypes, InstructionTypes, DamageTypes, Skills,
    ExtraSkills
};
std::span<const std::string_view> VocabularyWords(EVocabulary vocabulary);

// These lowercase the text in place (A to Z), then compare it whole with their table. Weapon
// and armor names outside the table are reported through ReportError and give 7; damage types
// give 6 (general); quick item and loot types give INVALID_CODE.
// bEmptyCell: the name is the column's default, the cell being empty; the report says "empty"
// rather than the default that nobody typed.
std::int32_t WeaponNameToCode(std::string& strName, bool bEmptyCell);
std::int32_t ArmorNameToCode(std::string& strName, bool bEmptyCell);
inline std::int32_t WeaponNameToCode(std::string& strName) { return WeaponNameToCode(strName, false); }
inline std::int32_t ArmorNameToCode(std::string& strName) { return ArmorNameToCode(strName, false); }
std::int32_t QuickItemTypeToCode(std::string& strName);
std::int32_t LootTypeToCode(std::string& strName);
std::int32_t DamageTypeToCode(std::string& strName);
// Compares without regard to ASCII case and leaves the text as it is; INVALID_CODE otherwise.
std::int32_t InstructionTypeToCode(const std::string& strName);
// Take a trimmed, lowercased name; the index into the skill arrays, or INVALID_CODE.
std::int32_t SkillNameToCode(std::string_view strName);
std::int32_t ExtraSkillNameToCode(std::string_view strName);

// Cuts a "Lists" entry at its first space into the trimmed name and value texts; false when
// the entry holds no space.
bool SplitListEntry(std::string_view strEntry, std::string& strName, std::string& strValue);
// Applies one "Lists" entry whose name is already lowercased: a skill or extra skill gets the
// value's low 8 bits; other names are left to the caller. True when a skill was set.
bool ApplySkillEntry(const std::string& strLowerName, const std::string& strValue,
                     SSkillBlock& skills);
// Applies every entry of a "Lists" value by the skill rule; names that are no skill are
// ignored.
void ApplySkillList(const std::vector<std::string>& entries, SSkillBlock& skills);

// Leading white space, an optional sign, decimal digits up to the first other character;
// 0 without digits; values beyond 32 bits saturate.
std::int32_t ParseAtoi(std::string_view strText);
// Leading white space, an optional sign, digits with an optional point and exponent, decimal
// only; 0 without digits. Read as a double, then rounded to single precision.
float ParseAtof(std::string_view strText);

void LowercaseAscii(std::string& strText);
