#include "itemdb/Vocabulary.h"

#include <charconv>
#include <cstdlib>

#include "driver/ErrorReport.h"

namespace {
struct SWord {
    const char* pszText;
    std::int32_t nCode;
};

constexpr SWord WEAPON_NAMES[] = {{"sword", 0}, {"axe", 1},    {"dagger", 2},  {"spear", 3},
                                  {"hammer", 4}, {"bow", 5},   {"crossbow", 6}};
constexpr SWord ARMOR_NAMES[] = {{"helm", 0},  {"plate", 1},  {"leggings", 2}, {"shirt", 3},
                                 {"pants", 4}, {"boots", 5},  {"gloves", 6}};
constexpr SWord QUICK_ITEM_TYPES[] = {{"dangersensor", 0}, {"persuader", 1}, {"trap", 2},
                                      {"picklock", 3},     {"crowbar", 4},   {"wand", 5},
                                      {"key", 6},          {"plug", 7},      {"scroll", 8}};
constexpr SWord LOOT_TYPES[] = {{"treasure", 0}, {"material", 1}, {"instruction", 2}};
constexpr SWord INSTRUCTION_TYPES[] = {{"Instruction Weapon", 0},
                                       {"Instruction Armor", 1},
                                       {"Instruction Quick Item", 2},
                                       {"Prototype", 3},
                                       {"Rune", 4}};
constexpr SWord DAMAGE_TYPES[] = {{"piercing", 0}, {"slashing", 1}, {"bludgeoning", 2},
                                  {"termal", 3},   {"chemic", 4},   {"electric", 5}};
constexpr SWord SKILLS[] = {{"melee", 0},     {"archery", 1}, {"backstab", 2}, {"elemental", 3},
                            {"sense", 4},     {"astral", 5},  {"stealth", 6},  {"awareness", 7}};
// Tested in this order; the code is the position in the record's array.
constexpr SWord EXTRA_SKILLS[] = {{"stealing", 1}, {"science", 0}, {"tame", 2}};

constexpr std::int32_t UNKNOWN_WEAPON_OR_ARMOR = 7;
constexpr std::int32_t GENERAL_DAMAGE = 6;

template <size_t N>
bool Lookup(const SWord (&words)[N], std::string_view strText, std::int32_t& nCode) {
    for (const SWord& word : words) {
        if (strText == word.pszText) {
            nCode = word.nCode;
            return true;
        }
    }
    return false;
}

template <size_t N>
std::int32_t LowerAndLookup(const SWord (&words)[N], std::string& strText, std::int32_t nMissing) {
    LowercaseAscii(strText);
    std::int32_t nCode = nMissing;
    Lookup(words, strText, nCode);
    return nCode;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

void LowercaseAscii(std::string& strText) {
    for (char& c : strText)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

std::int32_t WeaponNameToCode(std::string& strName) {
    std::int32_t nCode = UNKNOWN_WEAPON_OR_ARMOR;
    LowercaseAscii(strName);
    if (!Lookup(WEAPON_NAMES, strName, nCode))
        ReportError("Unknown weapon name: \"%s\".\n", strName.c_str());
    return nCode;
}

std::int32_t ArmorNameToCode(std::string& strName) {
    std::int32_t nCode = UNKNOWN_WEAPON_OR_ARMOR;
    LowercaseAscii(strName);
    if (!Lookup(ARMOR_NAMES, strName, nCode))
        ReportError("Unknown armor name: \"%s\".\n", strName.c_str());
    return nCode;
}

std::int32_t QuickItemTypeToCode(std::string& strName) {
    return LowerAndLookup(QUICK_ITEM_TYPES, strName, INVALID_CODE);
}

std::int32_t LootTypeToCode(std::string& strName) {
    return LowerAndLookup(LOOT_TYPES, strName, INVALID_CODE);
}

std::int32_t DamageTypeToCode(std::string& strName) {
    return LowerAndLookup(DAMAGE_TYPES, strName, GENERAL_DAMAGE);
}

std::int32_t InstructionTypeToCode(const std::string& strName) {
    std::string strLower = strName;
    LowercaseAscii(strLower);
    for (const SWord& word : INSTRUCTION_TYPES) {
        std::string strWord = word.pszText;
        LowercaseAscii(strWord);
        if (strLower == strWord) return word.nCode;
    }
    return INVALID_CODE;
}

std::int32_t SkillNameToCode(std::string_view strName) {
    std::int32_t nCode = INVALID_CODE;
    Lookup(SKILLS, strName, nCode);
    return nCode;
}

std::int32_t ExtraSkillNameToCode(std::string_view strName) {
    std::int32_t nCode = INVALID_CODE;
    Lookup(EXTRA_SKILLS, strName, nCode);
    return nCode;
}

bool SplitListEntry(std::string_view strEntry, std::string& strName, std::string& strValue) {
    const size_t nSpace = strEntry.find(' ');
    if (nSpace == std::string_view::npos) return false;
    auto trim = [](std::string_view s) {
        while (!s.empty() && IsCSpace(s.front())) s.remove_prefix(1);
        while (!s.empty() && IsCSpace(s.back())) s.remove_suffix(1);
        return s;
    };
    strName.assign(trim(strEntry.substr(0, nSpace)));
    strValue.assign(trim(strEntry.substr(nSpace)));
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
