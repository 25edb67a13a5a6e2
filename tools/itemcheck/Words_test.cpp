#include "tools/itemcheck/Words.h"

#include <gtest/gtest.h>

#include <cctype>

#include <random>
#include <string>
#include <vector>

namespace {
using namespace std::string_view_literals;

// Views of the texts, which the index and ClosestWord take.
std::vector<std::string_view> Views(const std::vector<std::string>& texts) {
    return std::vector<std::string_view>(texts.begin(), texts.end());
}

// Material names as a studio writes them, from a few stems, sizes and numbers, in any case, with
// repeats, names equal but for case, and short ones.
class CNames {
public:
    explicit CNames(unsigned nSeed) : m_random(nSeed) {}

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }

    std::string Name() {
        static const char* const STEMS[] = {"Iron", "Steel", "Oak", "Dragon Bone", "Yew", "Silk",
                                            "Bronze", "Ash", "Elven Steel", "Tin", "Mithril"};
        static const char* const SIZES[] = {"Fine ", "Rough ", "Old ", "", "", ""};
        std::string strName =
            std::string(SIZES[Below(std::size(SIZES))]) + STEMS[Below(std::size(STEMS))];
        if (Below(3) != 0) strName += " " + std::to_string(Below(Below(2) ? 40 : 5000));
        switch (Below(12)) {
            case 0: return std::string(1, "xQ7 "[Below(4)]) + (Below(2) ? std::string(1, 'a') : "");
            case 1: strName += '\xE9'; break;  // a byte beyond ASCII, which case folding leaves be
            case 2: return Recased(strName);
            default: break;
        }
        return strName;
    }

    std::string Recased(std::string str) {
        for (char& c : str) {
            if (Below(3) != 0) continue;
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        }
        return str;
    }

    // A slip or two of typing: a character changed, dropped, added or two swapped.
    std::string Typo(std::string str) {
        for (std::size_t nEdits = 1 + Below(3); nEdits > 0 && !str.empty(); --nEdits) {
            const std::size_t i = Below(str.size());
            const char c = "abcdeilnorst 0123AEIOU-"[Below(23)];
            switch (Below(4)) {
                case 0: str[i] = c; break;
                case 1: str.erase(i, 1); break;
                case 2: str.insert(str.begin() + static_cast<std::ptrdiff_t>(i), c); break;
                default:
                    if (i + 1 < str.size()) std::swap(str[i], str[i + 1]);
                    break;
            }
        }
        return str;
    }

    // A word an item might name against these candidates.
    std::string Word(const std::vector<std::string>& candidates) {
        const std::string& strSome = candidates[Below(candidates.size())];
        switch (Below(9)) {
            case 0:
            case 1:
            case 2: return Typo(strSome);
            case 3: return Recased(strSome);
            case 4: {  // a part of a candidate
                if (strSome.empty()) return strSome;
                const std::size_t nAt = Below(strSome.size());
                return strSome.substr(nAt, 1 + Below(strSome.size() - nAt));
            }
            case 5: return Name() + " " + Name();  // holds candidates, or nearly
            case 6: return std::string(Below(3), "rT9"[Below(3)]);  // empty or very short
            default: {  // unrelated
                std::string strWord;
                for (std::size_t n = 1 + Below(14); n > 0; --n)
                    strWord += "bcdfgkmpquvwxyz 589"[Below(19)];
                return strWord;
            }
        }
    }

private:
    std::mt19937 m_random;
};

void ExpectSameAsClosestWord(const std::vector<std::string>& candidates,
                             const std::vector<std::string>& words) {
    const std::vector<std::string_view> views = Views(candidates);
    const CClosestWordIndex index(views);
    for (const std::string& strWord : words) {
        const std::string_view strExpected = ClosestWord(strWord, views);
        ASSERT_EQ(strExpected, index.Closest(strWord)) << "word \"" << strWord << "\"";
        ASSERT_EQ(strExpected, index.Closest(strWord)) << "word \"" << strWord << "\" asked again";
    }
}
}  // namespace

TEST(ClosestWordIndex, AnswersAsClosestWordDoes) {
    const std::vector<std::string> armors = {"helm", "plate", "boots", "gloves", "helmet of iron"};
    const std::vector<std::string_view> views = Views(armors);
    const CClosestWordIndex index(views);
    EXPECT_EQ("helm", index.Closest("Helmet"));  // held by the word, before the longer holder
    EXPECT_EQ("boots", index.Closest("bots"));
    EXPECT_EQ("helmet of iron", index.Closest("of IRON"));
    EXPECT_EQ("plate", index.Closest("plat"));
    EXPECT_EQ("gloves", index.Closest("glovs"));
    EXPECT_EQ("helm", index.Closest(""));  // the first shortest
    EXPECT_EQ("", CClosestWordIndex({}).Closest("x"));
    EXPECT_EQ("", CClosestWordIndex({}).Closest(""));
}

TEST(ClosestWordIndex, TakesTheFirstOfEqualCandidates) {
    const std::vector<std::string> names = {"Bone 12", "bone 13", "BONE 12", "Bone 14"};
    const std::vector<std::string_view> views = Views(names);
    const CClosestWordIndex index(views);
    EXPECT_EQ("Bone 12", index.Closest("bone 1"));  // held by all: the first of the shortest
    EXPECT_EQ("Bone 12", index.Closest("bone 15"));  // one change from every candidate
    EXPECT_EQ("bone 13", index.Closest("bone 3"));
    EXPECT_EQ("Bone 12", index.Closest("bONE 12"));  // equal but for case, twice
}

TEST(ClosestWordIndex, PrefersACandidateThatHoldsTheWordOrIsHeldByIt) {
    const std::vector<std::string> names = {"Irn", "Iron Ore", "Oak", "Steel 12",
                                            "Dragon Bone 4711"};
    const std::vector<std::string_view> views = Views(names);
    const CClosestWordIndex index(views);
    EXPECT_EQ("Iron Ore", index.Closest("Iron"));  // held, though "Irn" is a single edit away
    EXPECT_EQ("Oak", index.Closest("Oak Plank"));
    EXPECT_EQ("Dragon Bone 4711", index.Closest("bone"));
    EXPECT_EQ("Steel 12", index.Closest("Stell 12"));
}

TEST(ClosestWordIndex, AnEmptyCandidateCountsAsClosestWordCountsIt) {
    // ClosestWord takes an empty candidate (held by every word) unless what it has holds or is
    // held by the word within the word's length, and then takes whatever candidate follows.
    const std::vector<std::string> names = {"Steel", "", "Iron", "Oak", ""};
    const std::vector<std::string_view> views = Views(names);
    const CClosestWordIndex index(views);
    for (std::string_view strWord :
         {"Stee"sv, "xyz"sv, "ron"sv, "Oaken"sv, ""sv, "q"sv, "Ironclad"sv})
        EXPECT_EQ(ClosestWord(strWord, views), index.Closest(strWord)) << strWord;
    EXPECT_EQ("", CClosestWordIndex(Views({"", ""})).Closest("a"));
}

TEST(ClosestWordIndex, AnswersAsClosestWordForManyWordsAndLists) {
    CNames names(20240611);
    for (int nList = 0; nList < 6; ++nList) {
        std::vector<std::string> candidates;
        const std::size_t nCandidates = 1 + names.Below(nList < 2 ? 30 : 500);
        for (std::size_t i = 0; i < nCandidates; ++i) {
            const std::string strEarlier =
                candidates.empty() ? names.Name() : candidates[names.Below(candidates.size())];
            switch (names.Below(40)) {
                case 0:
                case 1: candidates.push_back(strEarlier); break;  // a repeat
                case 2:
                case 3: candidates.push_back(names.Recased(strEarlier)); break;
                case 4: candidates.push_back(nList == 5 ? std::string() : names.Name()); break;
                default: candidates.push_back(names.Name()); break;
            }
        }
        std::vector<std::string> words;
        for (int i = 0; i < 1000; ++i) words.push_back(names.Word(candidates));
        ExpectSameAsClosestWord(candidates, words);
    }
}

TEST(Words, EditDistanceTakesEitherOrder) {
    EXPECT_EQ(EditDistance("Dragon Bone 4711", "dragon bne 4712"),
              EditDistance("dragon bne 4712", "Dragon Bone 4711"));
    EXPECT_EQ(16u, EditDistance(std::string(16, 'x'), ""));
    EXPECT_EQ(1u, EditDistance(std::string(300, 'a'), std::string(299, 'A')));
}

// With a distance limit, only a word that is no slip of any candidate goes without an answer.
TEST(ClosestWordIndex, WithALimitAFarWordGetsNoAnswer) {
    const std::vector<std::string> candidates = {"Iron", "Steel", "Dragon Bone", "Oak"};
    const std::vector<std::string_view> views = Views(candidates);
    const CClosestWordIndex index(views, 3);
    EXPECT_EQ("Steel", index.Closest("Stell"));
    EXPECT_EQ("Dragon Bone", index.Closest("dragon"));  // held: however far, it is what was meant
    EXPECT_EQ("Iron", index.Closest("Iron Ore 12"));     // holds "Iron"
    EXPECT_EQ("", index.Closest("Quicksilver"));
    const auto folded = [](std::string_view str) {
        std::string strLower(str);
        for (char& c : strLower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return strLower;
    };
    for (const std::string strWord : {"Irn", "Oakk", "Bone", "Mithril", "xyz", "Steal 4", "Dragon Bones"}) {
        const std::string_view strExact = ClosestWord(strWord, views);
        const std::string strA = folded(strWord), strB = folded(strExact);
        const bool bHolds = strA.find(strB) != std::string::npos || strB.find(strA) != std::string::npos;
        const bool bNear = bHolds || EditDistance(strWord, strExact) <= 3;
        EXPECT_EQ(bNear ? strExact : std::string_view(), index.Closest(strWord)) << strWord;
    }
}
