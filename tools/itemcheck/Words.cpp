#include "tools/itemcheck/Words.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>
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

// The classes of the masks of characters below a trie node: a bit for each letter, digit and the
// space, the other bytes sharing the rest. A character of the word whose class is missing below a
// node must be deleted or replaced in every candidate there.
std::uint64_t ClassBit(char c) {
    const auto u = static_cast<unsigned char>(c);
    unsigned nClass = 37 + u % 27;
    if (u >= 'a' && u <= 'z') nClass = u - 'a';
    else if (u >= '0' && u <= '9') nClass = 26 + (u - '0');
    else if (u == ' ') nClass = 36;
    return std::uint64_t{1} << nClass;
}

std::uint32_t GramCode(const char* p) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
           static_cast<unsigned char>(p[2]);
}

// Words asked again, as when a table names the same stray material on many rows, are answered
// from the memo, which stops growing at this many words.
constexpr std::size_t MEMO_WORDS = std::size_t{1} << 16;
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
    // of a and the first j of b. The row is the thread's own, as a scan calls this per candidate.
    thread_local std::vector<std::size_t> row;
    row.resize(b.size() + 1);
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
    if (strWord.size() > MAX_SLIP_LENGTH) return {};
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

CClosestWordIndex::CClosestWordIndex(std::span<const std::string_view> candidates,
                                     std::uint32_t nMaxDistance)
    : m_nMaxDistance(nMaxDistance), m_candidates(candidates.begin(), candidates.end()) {
    const auto nCandidates = static_cast<std::uint32_t>(m_candidates.size());
    m_foldedAt.reserve(m_candidates.size() + 1);
    for (std::string_view strCandidate : m_candidates) {
        m_foldedAt.push_back(static_cast<std::uint32_t>(m_folded.size()));
        for (char c : strCandidate) m_folded += FoldAscii(c);
    }
    m_foldedAt.push_back(static_cast<std::uint32_t>(m_folded.size()));

    for (std::uint32_t i = 0; i < nCandidates; ++i)
        (m_candidates[i].empty() ? m_empties : m_byLength).push_back(i);
    // The empty word holds nothing and is as far from a candidate as that is long: one scan.
    m_strForEmpty = ClosestWord({}, m_candidates);
    std::stable_sort(m_byLength.begin(), m_byLength.end(),
                     [this](std::uint32_t a, std::uint32_t b) {
                         return m_candidates[a].size() < m_candidates[b].size();
                     });

    // Each candidate once in the list of each of its trigrams, the lists in m_byLength order:
    // sorted as one number, the code above the rank.
    std::vector<std::uint64_t> grams;
    for (std::uint32_t nRank = 0; nRank < m_byLength.size(); ++nRank) {
        const std::string_view strFolded = Folded(m_byLength[nRank]);
        for (std::size_t i = 0; i + 3 <= strFolded.size(); ++i)
            grams.push_back(std::uint64_t{GramCode(strFolded.data() + i)} << 32 | nRank);
    }
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    m_gramIndexes.reserve(grams.size());
    for (std::uint64_t nGram : grams) {
        const auto nCode = static_cast<std::uint32_t>(nGram >> 32);
        if (m_gramCodes.empty() || m_gramCodes.back() != nCode) {
            m_gramCodes.push_back(nCode);
            m_gramAt.push_back(static_cast<std::uint32_t>(m_gramIndexes.size()));
        }
        m_gramIndexes.push_back(m_byLength[static_cast<std::uint32_t>(nGram)]);
    }
    m_gramAt.push_back(static_cast<std::uint32_t>(m_gramIndexes.size()));

    // The trie, level by level: a node stands for the candidates in folded order that share its
    // path; those that end at it come first.
    m_trieIndexes = m_byLength;
    std::sort(m_trieIndexes.begin(), m_trieIndexes.end(), [this](std::uint32_t a, std::uint32_t b) {
        return std::pair(Folded(a), a) < std::pair(Folded(b), b);
    });
    struct SSpan {
        std::uint32_t nBegin, nEnd, nDepth;
    };
    std::vector<SSpan> spans{{0, static_cast<std::uint32_t>(m_trieIndexes.size()), 0}};
    m_nodes.emplace_back();
    for (std::size_t x = 0; x < m_nodes.size(); ++x) {
        const SSpan span = spans[x];
        const auto charAt = [&](std::uint32_t i) { return Folded(m_trieIndexes[i])[span.nDepth]; };
        std::uint32_t i = span.nBegin;
        while (i < span.nEnd && Folded(m_trieIndexes[i]).size() == span.nDepth) ++i;
        m_nodes[x].nEnds = span.nBegin;
        m_nodes[x].nEndsEnd = i;
        m_nodes[x].nChildren = static_cast<std::uint32_t>(m_nodes.size());
        while (i < span.nEnd) {
            std::uint32_t j = i + 1;
            while (j < span.nEnd && charAt(j) == charAt(i)) ++j;
            m_nodes.emplace_back().ch = charAt(i);
            spans.push_back({i, j, span.nDepth + 1});
            i = j;
        }
        m_nodes[x].nChildrenEnd = static_cast<std::uint32_t>(m_nodes.size());
    }
    // Children follow their parent, so a backward pass finds them summed up.
    for (std::size_t x = m_nodes.size(); x-- > 0;) {
        SNode& node = m_nodes[x];
        if (node.nEnds != node.nEndsEnd) {
            node.nFirst = m_trieIndexes[node.nEnds];  // equal texts are in index order
            node.nShortest = 0;
        }
        for (std::uint32_t c = node.nChildren; c < node.nChildrenEnd; ++c) {
            const SNode& child = m_nodes[c];
            node.nBelow |= ClassBit(child.ch) | child.nBelow;
            node.nFirst = std::min(node.nFirst, child.nFirst);
            node.nShortest = std::min(node.nShortest, child.nShortest + 1);
            node.nLongest = std::max(node.nLongest, child.nLongest + 1);
        }
    }
    m_levels.resize(std::size_t{m_nodes[0].nLongest} + 1);
}

std::string_view CClosestWordIndex::Closest(std::string_view strWord) const {
    if (strWord.size() > MAX_SLIP_LENGTH) return {};
    std::string strFolded(strWord);
    for (char& c : strFolded) c = FoldAscii(c);
    if (strFolded.empty()) return m_strForEmpty;
    // The answer depends on the word only as folded, as every comparison folds it.
    const auto known = m_memo.find(strFolded);
    if (known != m_memo.end()) return known->second;
    const std::string_view strClosest = Search(strFolded);
    if (m_memo.size() < MEMO_WORDS) m_memo.emplace(std::move(strFolded), strClosest);
    return strClosest;
}

std::string_view CClosestWordIndex::Folded(std::uint32_t nIndex) const {
    return std::string_view(m_folded).substr(m_foldedAt[nIndex],
                                             m_foldedAt[nIndex + 1] - m_foldedAt[nIndex]);
}

std::uint32_t CClosestWordIndex::Child(const SNode& node, char ch) const {
    const auto begin = m_nodes.begin() + node.nChildren, end = m_nodes.begin() + node.nChildrenEnd;
    const auto found = std::lower_bound(begin, end, ch, [](const SNode& child, char c) {
        return static_cast<unsigned char>(child.ch) < static_cast<unsigned char>(c);
    });
    return found != end && found->ch == ch ? static_cast<std::uint32_t>(found - m_nodes.begin())
                                           : NONE;
}

std::uint32_t CClosestWordIndex::FirstEndingAt(const SNode& node, std::uint32_t nFrom) const {
    const auto begin = m_trieIndexes.begin() + node.nEnds;
    const auto end = m_trieIndexes.begin() + node.nEndsEnd;
    const auto found = std::lower_bound(begin, end, nFrom);
    return found != end ? *found : NONE;
}

std::string_view CClosestWordIndex::Search(std::string_view strFolded) const {
    if (m_candidates.empty()) return {};
    // ClosestWord takes an empty candidate (held by every word, as far from it as it is long) over
    // the best so far unless that holds or is held by the word and is no further, and then takes
    // whichever candidate comes next. So nothing up to the last empty candidate before the first
    // such one counts, and with nothing after it the answer is empty.
    std::uint32_t nFrom = 0;
    if (!m_empties.empty()) {
        const std::uint32_t nKept = FirstKeptOverEmpty(strFolded);
        const auto after = std::lower_bound(m_empties.begin(), m_empties.end(), nKept);
        if (after != m_empties.begin()) nFrom = *(after - 1) + 1;
    }
    const auto better = [](const SFound& a, const SFound& b) {
        return std::tie(a.nDistance, a.nIndex) < std::tie(b.nDistance, b.nIndex);
    };
    SFound found = HeldByWord(strFolded, nFrom);
    const SFound holding = HoldingWord(strFolded, nFrom);
    if (better(holding, found)) found = holding;
    // Most stray words are a few slips from a candidate: narrow searches find those cheaply,
    // before the full search for the rest.
    for (std::uint32_t nLimit : {2u, 3u, NONE})
        if (found.nIndex == NONE) found = Nearest(strFolded, nFrom, std::min(nLimit, m_nMaxDistance));
    return found.nIndex == NONE ? std::string_view() : m_candidates[found.nIndex];
}

// A candidate that the word holds is as far from it as the lengths differ: the rest of the word
// deleted. So the longest one found wins.
CClosestWordIndex::SFound CClosestWordIndex::HeldByWord(std::string_view strFolded,
                                                        std::uint32_t nFrom) const {
    SFound found;
    for (std::size_t nStart = 0; nStart < strFolded.size(); ++nStart) {
        std::uint32_t x = 0;
        for (std::size_t i = nStart; i < strFolded.size(); ++i) {
            x = Child(m_nodes[x], strFolded[i]);
            if (x == NONE) break;
            const std::uint32_t nIndex = FirstEndingAt(m_nodes[x], nFrom);
            const auto nDistance = static_cast<std::uint32_t>(strFolded.size() - (i + 1 - nStart));
            if (nIndex != NONE &&
                std::tie(nDistance, nIndex) < std::tie(found.nDistance, found.nIndex))
                found = {nDistance, nIndex};
        }
    }
    return found;
}

// Visits the candidates whose folded text holds the word and is no longer than nLongest, by
// length and then index, until visit returns false.
template <class FVisit>
void CClosestWordIndex::ForEachHolding(std::string_view strFolded, std::size_t nLongest,
                                       FVisit visit) const {
    const auto visitIfHolding = [&](std::uint32_t nIndex) {
        return Folded(nIndex).find(strFolded) == std::string_view::npos || visit(nIndex);
    };
    if (strFolded.size() < 3) {
        // Too short for a trigram: the candidates from its length up, each looked at.
        auto i = std::partition_point(m_byLength.begin(), m_byLength.end(), [&](std::uint32_t n) {
            return m_candidates[n].size() < strFolded.size();
        });
        for (; i != m_byLength.end() && m_candidates[*i].size() <= nLongest; ++i)
            if (!visitIfHolding(*i)) return;
        return;
    }
    // A holder has every trigram of the word: the shortest list of one is looked through.
    std::uint32_t nBegin = 0, nEnd = NONE;
    for (std::size_t i = 0; i + 3 <= strFolded.size(); ++i) {
        const std::uint32_t nCode = GramCode(strFolded.data() + i);
        const auto found = std::lower_bound(m_gramCodes.begin(), m_gramCodes.end(), nCode);
        if (found == m_gramCodes.end() || *found != nCode) return;
        const auto k = static_cast<std::size_t>(found - m_gramCodes.begin());
        if (nEnd == NONE || m_gramAt[k + 1] - m_gramAt[k] < nEnd - nBegin) {
            nBegin = m_gramAt[k];
            nEnd = m_gramAt[k + 1];
        }
    }
    for (std::uint32_t i = nBegin; i < nEnd; ++i) {
        if (m_candidates[m_gramIndexes[i]].size() > nLongest) return;
        if (!visitIfHolding(m_gramIndexes[i])) return;
    }
}

// A candidate that holds the word is as far from it as the lengths differ: the rest inserted. So
// the first shortest one wins.
CClosestWordIndex::SFound CClosestWordIndex::HoldingWord(std::string_view strFolded,
                                                         std::uint32_t nFrom) const {
    SFound found;
    ForEachHolding(strFolded, std::string_view::npos, [&](std::uint32_t nIndex) {
        if (nIndex < nFrom) return true;
        const std::size_t nInserted = m_candidates[nIndex].size() - strFolded.size();
        found = {static_cast<std::uint32_t>(nInserted), nIndex};
        return false;
    });
    return found;
}

// The least index of a candidate that an empty candidate after it does not displace: one that the
// word holds, or one that holds the word and is at most twice as long (an empty candidate's
// distance being the word's length).
std::uint32_t CClosestWordIndex::FirstKeptOverEmpty(std::string_view strFolded) const {
    std::uint32_t nFirst = NONE;
    for (std::size_t nStart = 0; nStart < strFolded.size(); ++nStart) {
        std::uint32_t x = 0;
        for (std::size_t i = nStart; i < strFolded.size() && x != NONE; ++i) {
            x = Child(m_nodes[x], strFolded[i]);
            if (x != NONE && m_nodes[x].nEnds != m_nodes[x].nEndsEnd)
                nFirst = std::min(nFirst, m_trieIndexes[m_nodes[x].nEnds]);
        }
    }
    ForEachHolding(strFolded, 2 * strFolded.size(), [&](std::uint32_t nIndex) {
        nFirst = std::min(nFirst, nIndex);
        return true;
    });
    return nFirst;
}

// The candidate of least EditDistance, the first of equals, from nFrom on and at most nLimit
// away (NONE: any distance): a search of the trie with one row of the distance table per node (the
// word against the node's path), the children most promising first. A node is passed over when no
// candidate below it can beat the best so far: its row's least value bounds every candidate below,
// raised by the characters of the rest of the word that appear nowhere below and by lengths that
// cannot match.
CClosestWordIndex::SFound CClosestWordIndex::Nearest(std::string_view strFolded,
                                                     std::uint32_t nFrom,
                                                     std::uint32_t nLimit) const {
    const std::size_t nLength = strFolded.size(), nWidth = nLength + 1;
    m_wordClasses.resize(nLength);
    for (std::size_t i = 0; i < nLength; ++i) m_wordClasses[i] = ClassBit(strFolded[i]);
    // Each distinct character of the word gets a slot, for the least row value before any of its
    // places: what a child of that character can reach at least along the diagonal.
    std::array<std::uint32_t, 256> slotOf;
    slotOf.fill(NONE);
    std::uint32_t nSlots = 0;
    for (char c : strFolded) {
        std::uint32_t& nSlot = slotOf[static_cast<unsigned char>(c)];
        if (nSlot == NONE) nSlot = nSlots++;
    }
    m_leastAt.resize(nSlots);
    // Within a limit, a value more than the limit off the diagonal exceeds it: only that band of
    // a row is worked out, with a value past the limit on either side of it.
    const bool bBanded = nLimit != NONE;
    const auto bandOf = [&](std::size_t nDepth) {
        if (!bBanded) return std::pair<std::size_t, std::size_t>(0, nLength);
        return std::pair(nDepth > nLimit ? nDepth - nLimit : 0, std::min(nLength, nDepth + nLimit));
    };

    SFound best{nLimit, NONE};
    const auto promising = [&best](std::uint32_t nBound, std::uint32_t nFirst) {
        return std::tie(nBound, nFirst) < std::tie(best.nDistance, best.nIndex);
    };
    m_levels[0].rows.resize(nWidth);
    for (std::size_t i = 0; i < nWidth; ++i) m_levels[0].rows[i] = static_cast<std::uint32_t>(i);
    m_levels[0].pending.assign(1, SPending{0, m_nodes[0].nFirst, 0, 0});
    m_levels[0].nNext = 0;
    std::size_t nLevel = 0;
    for (;;) {
        SLevel& level = m_levels[nLevel];
        if (level.nNext == level.pending.size()) {
            if (nLevel == 0) break;
            --nLevel;
            continue;
        }
        const SPending item = level.pending[level.nNext++];
        if (!promising(item.nBound, item.nFirst)) continue;
        const SNode& node = m_nodes[item.nNode];
        const std::uint32_t* pRow = level.rows.data() + std::size_t{item.nRow} * nWidth;
        const std::uint32_t nIndex = FirstEndingAt(node, nFrom);
        if (nIndex != NONE && bandOf(nLevel).second == nLength &&
            std::tie(pRow[nLength], nIndex) < std::tie(best.nDistance, best.nIndex))
            best = {pRow[nLength], nIndex};
        const std::size_t nDepth = nLevel + 1;
        const auto [nLow, nHigh] = bandOf(nDepth);
        if (node.nChildren == node.nChildrenEnd || nLow > nLength) continue;

        SLevel& next = m_levels[nDepth];
        const std::size_t nChildren = node.nChildrenEnd - node.nChildren;
        if (next.rows.size() < nChildren * nWidth) next.rows.resize(nChildren * nWidth);
        next.pending.clear();
        next.nNext = 0;
        // A child's row cannot go below the parent's least value plus one, or the least value
        // before a place of the child's character in the word: known before the row is worked
        // out, which pays off with several children.
        const bool bFloors = nChildren > 2;
        std::uint32_t nLeast = 0;
        if (bFloors) {
            const auto [nParentLow, nParentHigh] = bandOf(nLevel);
            nLeast = NONE;
            std::fill(m_leastAt.begin(), m_leastAt.end(), NONE);
            for (std::size_t i = nParentLow; i <= nParentHigh; ++i) {
                nLeast = std::min(nLeast, pRow[i]);
                if (i == nLength) break;
                std::uint32_t& nAt = m_leastAt[slotOf[static_cast<unsigned char>(strFolded[i])]];
                nAt = std::min(nAt, pRow[i]);
            }
        }
        for (std::uint32_t c = node.nChildren; c < node.nChildrenEnd; ++c) {
            const SNode& child = m_nodes[c];
            if (bFloors) {
                const std::uint32_t nSlot = slotOf[static_cast<unsigned char>(child.ch)];
                const std::uint32_t nFloor =
                    nSlot == NONE ? nLeast + 1 : std::min(nLeast + 1, m_leastAt[nSlot]);
                if (!promising(nFloor, child.nFirst)) continue;
            }
            const std::uint32_t nRow = c - node.nChildren;
            std::uint32_t* pNew = next.rows.data() + std::size_t{nRow} * nWidth;
            std::size_t i = nLow;
            if (i == 0) pNew[i++] = static_cast<std::uint32_t>(nDepth);
            else pNew[i - 1] = nLimit + 1;
            for (; i <= nHigh; ++i)
                pNew[i] = std::min(std::min(pRow[i], pNew[i - 1]) + 1,
                                   pRow[i - 1] + (strFolded[i - 1] != child.ch ? 1u : 0u));
            if (nHigh < nLength) pNew[nHigh + 1] = nLimit + 1;
            // Characters missing below are counted within the band only, which still bounds.
            std::uint32_t nMissing = 0, nBound = NONE;
            for (std::size_t j = nHigh + 1; j-- > nLow;) {
                if (j < nHigh && !(child.nBelow & m_wordClasses[j])) ++nMissing;
                const auto nRest = static_cast<std::uint32_t>(nLength - j);
                std::uint32_t nAfter = nMissing;
                if (nRest < child.nShortest) nAfter += child.nShortest - nRest;
                else if (nRest > child.nLongest) nAfter = std::max(nAfter, nRest - child.nLongest);
                nBound = std::min(nBound, pNew[j] + nAfter);
            }
            if (promising(nBound, child.nFirst))
                next.pending.push_back({nBound, child.nFirst, c, nRow});
        }
        std::sort(next.pending.begin(), next.pending.end(),
                  [](const SPending& a, const SPending& b) {
                      return std::tie(a.nBound, a.nFirst) < std::tie(b.nBound, b.nFirst);
                  });
        nLevel = nDepth;
    }
    return best;
}
