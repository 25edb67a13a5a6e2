// The table checker's second job: one value of a row, judged by what the converter makes of its
// text (ClassifyValue) and what the builder's getter and word lists then do with it.
#include "tools/itemcheck/TableCheck.h"

#include <charconv>

#include "itemdb/Vocabulary.h"
#include "tableconv/FileRegistry.h"
#include "tools/ini2reg/IniConverter.h"
#include "tools/itemcheck/Words.h"

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string In(const SColumnInfo& column) { return " in " + Quoted(column.pszName); }

// The value that ini2reg reads back from "name=value": one trailing CR goes with the line end, then
// blanks and tabs around it.
std::string_view StoredText(std::string_view strCell) {
    if (!strCell.empty() && strCell.back() == '\r') strCell.remove_suffix(1);
    return TrimBlanks(strCell);
}

bool IsNumber(const SIniValue& value) {
    return value.nType == RTYPE_INT || value.nType == RTYPE_FLOAT;
}

std::string NumberTextOfValue(const SIniValue& value) {
    return value.nType == RTYPE_INT ? NumberTextOf(value.nInt) : NumberTextOf(value.fFloat);
}

// "1,5" or "-2,25": a number with a decimal comma, which the converter takes for a list.
bool HasDecimalComma(std::string_view str) {
    const size_t nComma = str.find(',');
    if (nComma == std::string_view::npos || nComma == 0 || nComma + 1 == str.size()) return false;
    for (size_t i = 0; i < str.size(); ++i) {
        const bool bSign = i == 0 && (str[i] == '-' || str[i] == '+') && nComma > 1;
        if (i != nComma && !bSign && !IsDigit(str[i])) return false;
    }
    return true;
}

// An optional sign and digits, all that ParseAtoi reads.
bool IsWholeNumber(std::string_view str) {
    size_t i = (!str.empty() && (str[0] == '+' || str[0] == '-')) ? 1 : 0;
    if (i == str.size()) return false;
    for (; i < str.size(); ++i)
        if (!IsDigit(str[i])) return false;
    return true;
}

// Text that ParseAtof reads to its end: sign, digits with an optional point, optional exponent.
bool IsDecimalNumber(std::string_view str) {
    size_t i = (!str.empty() && (str[0] == '+' || str[0] == '-')) ? 1 : 0;
    size_t nDigits = 0;
    for (; i < str.size() && IsDigit(str[i]); ++i) ++nDigits;
    if (i < str.size() && str[i] == '.')
        for (++i; i < str.size() && IsDigit(str[i]); ++i) ++nDigits;
    if (nDigits == 0) return false;
    if (i < str.size() && (str[i] == 'e' || str[i] == 'E')) {
        ++i;
        if (i < str.size() && (str[i] == '+' || str[i] == '-')) ++i;
        if (i == str.size() || !IsDigit(str[i])) return false;
        while (i < str.size() && IsDigit(str[i])) ++i;
    }
    return i == str.size();
}

const char* WordKindOf(EValueRule rule) {
    switch (rule) {
        case EValueRule::WeaponName: return "weapon type";
        case EValueRule::ArmorName: return "armor type";
        case EValueRule::QuickType: return "quick item type";
        case EValueRule::LootType: return "loot type";
        case EValueRule::DamageType: return "damage type";
        default: return "word";
    }
}

bool IsWordOf(EValueRule rule, std::string_view strText) {
    for (std::string_view strWord : WordsOf(rule))
        if (EqualNoCase(strWord, strText)) return true;
    return false;
}

// The letters an entry such as "melee2" starts with, to look for the word that was meant.
std::string_view LeadingLetters(std::string_view str) {
    size_t n = 0;
    while (n < str.size() && ((str[n] >= 'a' && str[n] <= 'z') || (str[n] >= 'A' && str[n] <= 'Z')))
        ++n;
    return str.substr(0, n);
}

// What to say of a "Lists" entry without a space, which the builders ignore: "melee2" was meant as
// "melee 2", the closest word, a space and whatever followed the letters.
std::string EntryWithoutSpaceText(std::string_view strEntry,
                                  std::span<const std::string_view> words) {
    const std::string_view strLetters = LeadingLetters(strEntry);
    const std::string_view strRest = strEntry.substr(strLetters.size());
    const std::string strStart = "entry " + Quoted(strEntry);
    if (strLetters.empty())
        return strStart + " has no space and is ignored; an entry is a name, a space and a value";
    std::string strMeant(ClosestWord(strLetters, words));
    if (strMeant.empty()) return strStart + " has no space and is ignored";
    if (strRest.empty() && EqualNoCase(strMeant, strEntry))
        return strStart + " has no value after a space and is ignored";
    if (!strRest.empty()) strMeant += " " + std::string(strRest);
    return strStart + " has no space and is ignored" + DidYouMean(strMeant);
}

// True, with what to say, when ApplySkillEntry would not store the level as written: it keeps
// the low 8 bits of ParseAtoi, which reads a sign and digits up to the first other character.
bool IsSkillLevelMisread(const std::string& strSkill, std::string_view strLevel,
                         std::string& strProblem) {
    const std::int32_t nLevel = ParseAtoi(strLevel);
    const auto nStored = static_cast<std::uint8_t>(static_cast<std::uint32_t>(nLevel));
    if (!IsWholeNumber(strLevel))
        strProblem = "skill level " + Quoted(strLevel) + " of " + strSkill +
                     " is no whole number; it is read as " + std::to_string(nStored);
    else if (nLevel < 0 || nLevel > 255)
        strProblem = "skill level " + NumberTextOf(nLevel) + " of " + strSkill +
                     " is outside 0 to 255; it is stored as " + std::to_string(nStored);
    else
        return false;
    return true;
}
}  // namespace

std::string Quoted(std::string_view str) {
    constexpr size_t MAX_QUOTED = 200;
    if (str.size() <= MAX_QUOTED) return "\"" + std::string(str) + "\"";
    return "\"" + std::string(str.substr(0, MAX_QUOTED)) + "...\" (" + std::to_string(str.size()) +
           " bytes)";
}

std::string DidYouMean(std::string_view strClosest) {
    return strClosest.empty() ? std::string() : "; did you mean " + Quoted(strClosest) + "?";
}

std::string DefaultTextOf(const SColumnInfo& column) {
    switch (column.type) {
        case EColumnType::Int: return NumberTextOf(static_cast<std::int32_t>(column.fDefault));
        case EColumnType::Float: return NumberTextOf(column.fDefault);
        case EColumnType::String: return Quoted(column.pszDefault);
        case EColumnType::StringList: break;
    }
    return "empty";
}

std::string NumberTextOf(float fValue) {
    char szText[32];
    const auto result = std::to_chars(szText, szText + sizeof szText, fValue);
    return std::string(szText, result.ptr);
}

std::string NumberTextOf(std::int32_t nValue) {
    char szText[16];
    const auto result = std::to_chars(szText, szText + sizeof szText, nValue);
    return std::string(szText, result.ptr);
}

void CTableCheck::CheckValue(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                             std::string_view strCell) {
    const std::string_view strStored = StoredText(strCell);
    const SIniValue value = ClassifyValue(strStored);
    if (value.nType == RTYPE_STRING && strStored.size() >= 2 && strStored.front() == '"') {
        CheckQuoted(nLine, nColumn, column, value);
        return;
    }
    if (column.type == EColumnType::Int || column.type == EColumnType::Float) {
        CheckNumber(nLine, nColumn, column, strStored, value);
        return;
    }
    if (column.type == EColumnType::String && value.nType == (RTYPE_LIST | RTYPE_STRING)) {
        Report(nLine, nColumn,
               Quoted(strStored) + In(column) +
                   " is a list where one value is read; the builder uses the default " +
                   DefaultTextOf(column));
        return;
    }
    std::vector<std::string_view>& entries = m_entries;
    entries.clear();
    std::string strNumber;  // lives as long as the entry that views it
    if (IsNumber(value)) {
        strNumber = NumberTextOfValue(value);
        // Text that only looks like a number comes back in the number's own form.
        if (strNumber != strStored &&
            (column.rule == EValueRule::Any || column.type == EColumnType::String))
            Report(nLine, nColumn,
                   Quoted(strStored) + In(column) + " is read as the number " + strNumber);
        entries.push_back(strNumber);
    } else if (value.nType == RTYPE_STRING) {
        entries.push_back(value.strText);
    } else {
        SplitListElements(value.strText, entries);
    }
    if (column.type == EColumnType::String)
        CheckWord(nLine, nColumn, column, entries[0]);
    else
        CheckListEntries(nLine, nColumn, column, entries);
}

void CTableCheck::SetMaterials(const std::vector<std::string>* pMaterials) {
    m_materials.clear();
    m_materialSet.clear();
    m_bMaterialsGiven = pMaterials != nullptr;
    if (!pMaterials) return;
    m_materials.assign(pMaterials->begin(), pMaterials->end());
    m_materialSet.insert(m_materials.begin(), m_materials.end());
    m_pClosestMaterial = std::make_unique<CClosestWordIndex>(m_materials, MATERIAL_SLIP_DISTANCE);
}

// The builders keep a material as written and never look it up, so a misspelt one reaches the
// game silently; the default ("none", or empty) names no material.
void CTableCheck::CheckMaterial(std::uint32_t nLine, std::uint32_t nColumn, std::string_view strName) {
    if (!m_bMaterialsGiven) return;
    if (strName.empty() || EqualNoCase(strName, "none") || m_materialSet.count(strName)) return;
    std::string strText = "material " + Quoted(strName) + " is not a row of " +
                          std::string(AllKinds().front().pszTable);
    strText += DidYouMean(m_pClosestMaterial->Closest(strName));
    Report(nLine, nColumn, strText);
}

// A cell the sheet quoted whose text holds a comma or begins with a quote reaches the converter
// in quotes, so it is kept as one text; the builder splits it again only where a list is read.
void CTableCheck::CheckQuoted(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                              const SIniValue& value) {
    const std::string strText = StoredString(value);
    if (column.type == EColumnType::Int || column.type == EColumnType::Float) {
        Report(nLine, nColumn,
               Quoted(strText) + In(column) +
                   (HasDecimalComma(strText) ? " has a decimal comma, so it is no number"
                                             : " is no number") +
                   "; the builder uses the default " + DefaultTextOf(column));
        return;
    }
    std::vector<std::string_view>& entries = m_entries;
    entries.clear();
    if (column.type == EColumnType::String || strText.find(',') == std::string::npos)
        entries.push_back(strText);
    else
        SplitListElements(strText, entries);
    if (column.type == EColumnType::String)
        CheckWord(nLine, nColumn, column, entries[0]);
    else
        CheckListEntries(nLine, nColumn, column, entries);
}

void CTableCheck::NoteQuoted(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                             std::string_view strShown, size_t nProblemsBefore) {
    if (m_problems.size() != nProblemsBefore) return;  // what it reads as is said there
    const SIniValue value = ClassifyValue(StoredText(m_strValue));
    std::string strRead;
    if (IsNumber(value)) {
        strRead = column.type == EColumnType::String ? "the text " + Quoted(NumberTextOfValue(value))
                                                     : "the number " + NumberTextOfValue(value);
    } else if (column.type == EColumnType::StringList) {
        // A text in quotes (it held a comma) is split as the builder splits it; a list as stored.
        const std::string strText =
            value.nType == RTYPE_STRING ? StoredString(value) : std::string(value.strText);
        std::vector<std::string_view> entries;
        SplitListElements(strText, entries);
        for (std::string_view strEntry : entries)
            strRead += (strRead.empty() ? "the list " : ", ") + Quoted(strEntry);
        if (strRead.empty()) strRead = "the empty list";
    } else {
        strRead = "the text " + Quoted(value.nType == RTYPE_STRING ? StoredString(value)
                                                                   : std::string(value.strText));
    }
    Note(nLine, nColumn, Quoted(strShown) + In(column) + " is quoted; it is read as " + strRead);
}

void CTableCheck::CheckNumber(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                              std::string_view strStored, const SIniValue& value) {
    if (!IsNumber(value)) {
        std::string strWhat = " is no number";
        if (value.nType != RTYPE_STRING)
            strWhat = HasDecimalComma(strStored) ? " is a list to the converter (a decimal comma?)"
                                                 : " is a list where one value is read";
        Report(nLine, nColumn,
               Quoted(strStored) + In(column) + strWhat + "; the builder uses the default " +
                   DefaultTextOf(column));
        return;
    }
    if (column.type != EColumnType::Int) return;
    std::int32_t nValue = value.nInt;
    if (value.nType == RTYPE_FLOAT) {
        // GetInt truncates toward zero and saturates at the 32-bit limits.
        const float f = value.fFloat;
        nValue = f >= 2147483648.0f    ? INT32_MAX
                 : f <= -2147483648.0f ? INT32_MIN
                                       : static_cast<std::int32_t>(f);
        if (static_cast<double>(nValue) != static_cast<double>(f)) {
            Report(nLine, nColumn,
                   Quoted(strStored) + " in the integer column " + Quoted(column.pszName) +
                       " is read as " + NumberTextOf(nValue));
            return;
        }
    }
    if (column.rule == EValueRule::Flag && nValue != 0 && nValue != 1)
        Report(nLine, nColumn, "shop flag " + NumberTextOf(nValue) + In(column) + " is not 0 or 1");
}

void CTableCheck::CheckWord(std::uint32_t nLine, std::uint32_t nColumn, const SColumnInfo& column,
                            std::string_view strText) {
    if (column.rule == EValueRule::Material) {
        CheckMaterial(nLine, nColumn, strText);
        return;
    }
    const auto words = WordsOf(column.rule);
    if (words.empty() || IsWordOf(column.rule, strText)) return;
    Report(nLine, nColumn,
           "unknown " + std::string(WordKindOf(column.rule)) + " " + Quoted(strText) +
               DidYouMean(ClosestWord(strText, words)));
}

void CTableCheck::CheckAbsentWord(std::uint32_t nLine, std::uint32_t nColumn,
                                  const SColumnInfo& column) {
    if (column.type != EColumnType::String || WordsOf(column.rule).empty() ||
        IsWordOf(column.rule, column.pszDefault))
        return;
    Report(nLine, nColumn,
           "empty " + std::string(WordKindOf(column.rule)) + "; the builder's default " +
               Quoted(column.pszDefault) + " is no " + WordKindOf(column.rule));
}

void CTableCheck::CheckListEntries(std::uint32_t nLine, std::uint32_t nColumn,
                                   const SColumnInfo& column,
                                   const std::vector<std::string_view>& entries) {
    if (column.rule == EValueRule::SkillList || column.rule == EValueRule::WeaponList) {
        for (std::string_view strEntry : entries) CheckSkillEntry(nLine, nColumn, column, strEntry);
        return;
    }
    if (column.rule != EValueRule::CrippledList) return;
    for (std::string_view strEntry : entries) {
        // CrippledMaskOf sets bit (ParseAtoi(entry) AND 31).
        const auto nBit = static_cast<std::uint32_t>(ParseAtoi(strEntry)) & 31u;
        if (!IsWholeNumber(strEntry))
            Report(nLine, nColumn,
                   "crippled entry " + Quoted(strEntry) + " is no whole number; it sets bit " +
                       std::to_string(nBit));
        else if (const std::int32_t n = ParseAtoi(strEntry); n < 0 || n > 31)
            Report(nLine, nColumn,
                   "crippled number " + NumberTextOf(n) + " is outside 0 to 31; it sets bit " +
                       std::to_string(nBit));
    }
}

void CTableCheck::CheckSkillEntry(std::uint32_t nLine, std::uint32_t nColumn,
                                  const SColumnInfo& column, std::string_view strEntry) {
    const auto words = WordsOf(column.rule);
    std::string strName, strValue;
    if (!SplitListEntry(strEntry, strName, strValue)) {
        Report(nLine, nColumn, EntryWithoutSpaceText(strEntry, words));
        return;
    }
    LowercaseAscii(strName);
    if (SkillNameToCode(strName) != INVALID_CODE || ExtraSkillNameToCode(strName) != INVALID_CODE) {
        std::string strProblem;
        if (IsSkillLevelMisread(strName, strValue, strProblem))
            Report(nLine, nColumn, std::move(strProblem));
        return;
    }
    if (strName == "attack" || strName == "defence") {
        if (column.rule != EValueRule::WeaponList)
            Report(
                nLine, nColumn,
                Quoted(strName) + " counts only in the \"Lists\" of weapons; here it is ignored");
        else if (!IsDecimalNumber(strValue))
            Report(nLine, nColumn,
                   strName + " value " + Quoted(strValue) + " is no number; it is read as " +
                       NumberTextOf(ParseAtof(strValue)));
        return;
    }
    Report(nLine, nColumn,
           "unknown skill " + Quoted(strName) + " in " + Quoted(column.pszName) +
               DidYouMean(ClosestWord(strName, words)));
}
