#include "tools/itemcheck/Words.h"

#include <algorithm>
#include <vector>

#include "itemdb/Vocabulary.h"

namespace {
using namespace std::string_view_literals;

// "Lists" takes the eight skills and the three extra skills; weapons also attack and defence.
std::vector<std::string_view> ListWords(bool bWeapon) {
    std::vector<std::string_view> words;
    for (EVocabulary vocabulary : {EVocabulary::Skills, EVocabulary::ExtraSkills})
        for (std::string_view strWord : VocabularyWords(vocabulary)) words.push_back(strWord);
    if (bWeapon) words.insert(words.end(), {"attack"sv, "defence"sv});
    return words;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when strPart occurs in strWhole, ASCII case aside.
bool Holds(std::string_view strWhole, std::string_view strPart) {
    if (strPart.size() > strWhole.size()) return false;
    for (std::size_t i = 0; i + strPart.size() <= strWhole.size(); ++i) {
        std::size_t n = 0;
        while (n < strPart.size() && FoldAscii(strWhole[i + n]) == FoldAscii(strPart[n])) ++n;
        if (n == strPart.size()) return true;
    }
    return false;
}
}  // namespace

std::span<const std::string_view> WordsOf(EValueRule rule) {
    switch (rule) {
        case EValueRule::WeaponName: return VocabularyWords(EVocabulary::WeaponNames);
        case EValueRule::ArmorName: return VocabularyWords(EVocabulary::ArmorNames);
        case EValueRule::QuickType: return VocabularyWords(EVocabulary::QuickItemTypes);
        case EValueRule::LootType: return VocabularyWords(EVocabulary::LootTypes);
        case EValueRule::DamageType: return VocabularyWords(EVocabulary::DamageTypes);
        case EValueRule::SkillList: {
            static const std::vector<std::string_view> SKILLS = ListWords(false);
            return SKILLS;
        }
        case EValueRule::WeaponList: {
            static const std::vector<std::string_view> WEAPON_LIST = ListWords(true);
            return WEAPON_LIST;
        }
        case EValueRule::Any:
        case EValueRule::Flag:
        case EValueRule::Material:  // the rows of a table, not a word list
        case EValueRule::CrippledList: break;
    }
    return {};
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    // One row of the classic table at a time: row[j] is the distance between the first i characters
    // of a and the first j of b.
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t nDiagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t nAbove = row[j];
            const std::size_t nChange = FoldAscii(a[i - 1]) == FoldAscii(b[j - 1]) ? 0 : 1;
            row[j] = std::min({nAbove + 1, row[j - 1] + 1, nDiagonal + nChange});
            nDiagonal = nAbove;
        }
    }
    return row[b.size()];
}

std::string_view ClosestWord(std::string_view strWord,
                             std::span<const std::string_view> candidates) {
    // A word that holds the other ("Helmet" and "helm", "Sensor" and "dangersensor") is what was
    // meant more often than a short word a few edits away, so such candidates go first.
    std::string_view strBest;
    std::size_t nBest = 0;
    bool bBestHolds = false;
    for (std::string_view strCandidate : candidates) {
        const bool bHolds =
            !strWord.empty() && (Holds(strCandidate, strWord) || Holds(strWord, strCandidate));
        const std::size_t nDistance = EditDistance(strWord, strCandidate);
        if (strBest.empty() || (bHolds && !bBestHolds) ||
            (bHolds == bBestHolds && nDistance < nBest)) {
            strBest = strCandidate;
            nBest = nDistance;
            bBestHolds = bHolds;
        }
    }
    return strBest;
}
