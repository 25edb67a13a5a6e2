#include "itemdb/Vocabulary.h"

#include <charconv>
#include <cstdlib>

#include "errors/ErrorReport.h"
#include "tableconv/TableConverter.h"

namespace {
using namespace std::string_view_literals;

// Each word's code is its position.
constexpr std::string_view WEAPON_WORDS[] = {"sword"sv,  "axe"sv, "dagger"sv,  "spear"sv,
                                             "hammer"sv, "bow"sv, "crossbow"sv};
constexpr std::string_view ARMOR_WORDS[] = {"helm"sv,  "plate"sv, "leggings"sv, "shirt"sv,
                                            "pants"sv, "boots"sv, "gloves"sv};
constexpr std::string_view QUICK_ITEM_WORDS[] = {"dangersensor"sv, "persuader"sv, "trap"sv,
                                                 "picklock"sv,     "crowbar"sv,   "wand"sv,
                                                 "key"sv,          "plug"sv,      "scroll"sv};
constexpr std::string_view LOOT_WORDS[] = {"treasure"sv, "material"sv, "instruction"sv};
constexpr std::string_view INSTRUCTION_WORDS[] = {"Instruction Weapon"sv, "Instruction Armor"sv,
                                                  "Instruction Quick Item"sv, "Prototype"sv,
                                                  "Rune"sv};
constexpr std::string_view DAMAGE_WORDS[] = {"piercing"sv, "slashing"sv, "bludgeoning"sv,
                                             "termal"sv,   "chemic"sv,   "electric"sv};
constexpr std::string_view SKILL_WORDS[] = {"melee"sv,  "archery"sv, "backstab"sv, "elemental"sv,
                                            "sense"sv,  "astral"sv,  "stealth"sv,  "awareness"sv};
constexpr std::string_view EXTRA_SKILL_WORDS[] = {"science"sv, "stealing"sv, "tame"sv};

constexpr std::int32_t UNKNOWN_WEAPON_OR_ARMOR = 7;
constexpr std::int32_t GENERAL_DAMAGE = 6;

// The position of the first word equal to the text, or nMissing.
std::int32_t Lookup(std::span<const std::string_view> words, std::string_view strText,
                    std::int32_t nMissing) {
    for (size_t i = 0; i < words.size(); ++i)
        if (strText == words[i]) return static_cast<std::int32_t>(i);
    return nMissing;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

void LowercaseAscii(std::string& strText) {
    for (char& c : strText)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

std::span<const std::string_view> VocabularyWords(EVocabulary vocabulary) {
    switch (vocabulary) {
        case EVocabulary::WeaponNames: return WEAPON_WORDS;
        case EVocabulary::ArmorNames: return ARMOR_WORDS;
        case EVocabulary::QuickItemTypes: return QUICK_ITEM_WORDS;
        case EVocabulary::LootTypes: return LOOT_WORDS;
        case EVocabulary::InstructionTypes: return INSTRUCTION_WORDS;
        case EVocabulary::DamageTypes: return DAMAGE_WORDS;
        case EVocabulary::Skills: return SKILL_WORDS;
        case EVocabulary::ExtraSkills: return EXTRA_SKILL_WORDS;
    }
    return {};
}

std::int32_t WeaponNameToCode(std::string& strName, bool bEmptyCell) {
    LowercaseAscii(strName);
    const std::int32_t nCode = Lookup(WEAPON_WORDS, strName, UNKNOWN_WEAPON_OR_ARMOR);
    if (nCode == UNKNOWN_WEAPON_OR_ARMOR && bEmptyCell) ReportError("Unknown weapon name: empty.\n");
    else if (nCode == UNKNOWN_WEAPON_OR_ARMOR)
        ReportError("Unknown weapon name: \"%s\".\n", strName.c_str());
    return nCode;
}

std::int32_t ArmorNameToCode(std::string& strName, bool bEmptyCell) {
    LowercaseAscii(strName);
    const std::int32_t nCode = Lookup(ARMOR_WORDS, strName, UNKNOWN_WEAPON_OR_ARMOR);
    if (nCode == UNKNOWN_WEAPON_OR_ARMOR && bEmptyCell) ReportError("Unknown armor name: empty.\n");
    else if (nCode == UNKNOWN_WEAPON_OR_ARMOR)
        ReportError("Unknown armor name: \"%s\".\n", strName.c_str());
    return nCode;
}

std::int32_t QuickItemTypeToCode(std::string& strName) {
    LowercaseAscii(strName);
    return Lookup(QUICK_ITEM_WORDS, strName, INVALID_CODE);
}

std::int32_t LootTypeToCode(std::string& strName) {
    LowercaseAscii(strName);
    return Lookup(LOOT_WORDS, strName, INVALID_CODE);
}

std::int32_t DamageTypeToCode(std::string& strName) {
    LowercaseAscii(strName);
    return Lookup(DAMAGE_WORDS, strName, GENERAL_DAMAGE);
}

std::int32_t InstructionTypeToCode(const std::string& strName) {
    std::string strLower = strName;
    LowercaseAscii(strLower);
    for (size_t i = 0; i < std::size(INSTRUCTION_WORDS); ++i) {
        std::string strWord(INSTRUCTION_WORDS[i]);
        LowercaseAscii(strWord);
        if (strLower == strWord) return static_cast<std::int32_t>(i);
    }
    return INVALID_CODE;
}

std::int32_t SkillNameToCode(std::string_view strName) {
    return Lookup(SKILL_WORDS, strName, INVALID_CODE);
}

std::int32_t ExtraSkillNameToCode(std::string_view strName) {
    return Lookup(EXTRA_SKILL_WORDS, strName, INVALID_CODE);
}

bool SplitListEntry(std::string_view strEntry, std::string& strName, std::string& strValue) {
    const size_t nSpace = strEntry.find(' ');
    if (nSpace == std::string_view::npos) return false;
    strName.assign(TrimWhite(strEntry.substr(0, nSpace)));
    strValue.assign(TrimWhite(strEntry.substr(nSpace)));
    return true;
}

bool ApplySkillEntry(const std::string& strLowerName, const std::string& strValue,
                     SSkillBlock& skills) {
    // Only the low 8 bits are kept: 300 becomes 44, -1 becomes 255.
    const auto nLevel = static_cast<std::uint8_t>(static_cast<std::uint32_t>(ParseAtoi(strValue)));
    std::int32_t nCode = SkillNameToCode(strLowerName);
    if (nCode != INVALID_CODE) {
        skills.SkillLevels[nCode] = nLevel;
        return true;
    }
    nCode = ExtraSkillNameToCode(strLowerName);
    if (nCode != INVALID_CODE) {
        skills.ExtraSkillLevels[nCode] = nLevel;
        return true;
    }
    return false;
}

void ApplySkillList(const std::vector<std::string>& entries, SSkillBlock& skills) {
    std::string strName, strValue;
    for (const std::string& strEntry : entries) {
        if (!SplitListEntry(strEntry, strName, strValue)) continue;
        LowercaseAscii(strName);
        ApplySkillEntry(strName, strValue, skills);
    }
}

std::int32_t ParseAtoi(std::string_view strText) {
    size_t i = 0;
    while (i < strText.size() && IsCSpace(strText[i])) ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-')) bNegative = strText[i++] == '-';
    std::int64_t nValue = 0;
    for (; i < strText.size() && IsDigit(strText[i]); ++i) {
        nValue = nValue * 10 + (strText[i] - '0');
        if (nValue > std::int64_t{INT32_MAX} + 1) nValue = std::int64_t{INT32_MAX} + 1;  // saturate
    }
    if (bNegative) nValue = -nValue;
    if (nValue > INT32_MAX) return INT32_MAX;
    return static_cast<std::int32_t>(nValue);
}

float ParseAtof(std::string_view strText) {
    size_t i = 0;
    while (i < strText.size() && IsCSpace(strText[i])) ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-')) bNegative = strText[i++] == '-';
    const size_t nStart = i;
    size_t nDigits = 0;
    for (; i < strText.size() && IsDigit(strText[i]); ++i) ++nDigits;
    if (i < strText.size() && strText[i] == '.')
        for (++i; i < strText.size() && IsDigit(strText[i]); ++i) ++nDigits;
    if (nDigits == 0) return 0.0f;
    size_t nEnd = i;
    if (i < strText.size() && (strText[i] == 'e' || strText[i] == 'E')) {
        size_t j = i + 1;
        if (j < strText.size() && (strText[j] == '+' || strText[j] == '-')) ++j;
        if (j < strText.size() && IsDigit(strText[j])) {
            while (j < strText.size() && IsDigit(strText[j])) ++j;
            nEnd = j;
        }
    }
    // from_chars rounds the same on every system. Out of a double's range only the side
    // matters: strtod gives infinity or (next to) zero, and either becomes the same single.
    double dValue = 0.0;
    const char* pBegin = strText.data() + nStart;
    if (std::from_chars(pBegin, strText.data() + nEnd, dValue).ec == std::errc::result_out_of_range)
        dValue = std::strtod(std::string(pBegin, nEnd - nStart).c_str(), nullptr);
    return static_cast<float>(bNegative ? -dValue : dValue);
}
