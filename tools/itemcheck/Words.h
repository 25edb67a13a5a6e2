// The words that the builders take for each kind of value, and the closest-word suggestion the
// table checker gives for a word outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "itemdb/Columns.h"

// The words a value under the rule may be, lowercase, as itemdb/Vocabulary.cpp compares them after
// lowercasing the cell: weapon and armor names, quick item, loot and damage types; for "Lists" the
// skill names and extra skill names, plus "attack" and "defence" for weapons. Empty for rules
// without a word list.
std::span<const std::string_view> WordsOf(EValueRule rule);

// The number of single-character insertions, deletions and substitutions that turn one text into
// the other, ASCII case aside. Allocates only when a text is longer than any before on the thread.
std::size_t EditDistance(std::string_view a, std::string_view b);

// A text longer than this is no slip of a word: it gets no suggestion, which also keeps the
// checker linear in the length of a cell.
inline constexpr std::size_t MAX_SLIP_LENGTH = 256;

// The candidate nearest to the word (empty for a word over MAX_SLIP_LENGTH): among the
// candidates that hold the word or are held by it
// (ASCII case aside) when there are any, the one of least EditDistance, the first of equals. Empty
// without candidates.
std::string_view ClosestWord(std::string_view strWord,
                             std::span<const std::string_view> candidates);

// ClosestWord for many words against one long list of candidates, such as the rows of
// Materials.txt against every material cell: the same answer, found through indexes instead of a
// scan of every candidate per word. The index keeps the views, not the characters: what they show
// must outlive it. Closest keeps a memo of the words it was asked, so one index serves one thread
// at a time.
class CClosestWordIndex {
public:
    static constexpr std::uint32_t ANY_DISTANCE = UINT32_MAX;

    // With nMaxDistance, a word that no candidate holds or is held by, and that is further than
    // that from every candidate, gets no answer (empty): a name that far from all is no slip,
    // and proving which candidate is nearest would cost a long search.
    explicit CClosestWordIndex(std::span<const std::string_view> candidates,
                               std::uint32_t nMaxDistance = ANY_DISTANCE);

    std::string_view Closest(std::string_view strWord) const;

private:
    static constexpr std::uint32_t NONE = UINT32_MAX;

    // A candidate and its EditDistance to the word; nIndex NONE: none.
    struct SFound {
        std::uint32_t nDistance = NONE;
        std::uint32_t nIndex = NONE;
    };
    // A node of the trie of the folded candidates. Its children are adjacent, in byte order.
    struct SNode {
        std::uint64_t nBelow = 0;  // a bit per character class of the texts below the node
        std::uint32_t nFirst = NONE;  // the least candidate index at the node or below
        std::uint32_t nShortest = NONE, nLongest = 0;  // the lengths of the texts below it
        std::uint32_t nChildren = 0, nChildrenEnd = 0;  // in m_nodes
        std::uint32_t nEnds = 0, nEndsEnd = 0;  // in m_trieIndexes: candidates that end here
        char ch = 0;  // the character that leads here from the parent
    };
    // A child worth a look, with the least EditDistance any candidate at it or below can have.
    struct SPending {
        std::uint32_t nBound;
        std::uint32_t nFirst;
        std::uint32_t nNode;
        std::uint32_t nRow;  // its row of the distance table, in the level's rows
    };
    // One level of the nearest search: the tried children of a node and their rows.
    struct SLevel {
        std::vector<std::uint32_t> rows;
        std::vector<SPending> pending;
        std::size_t nNext = 0;
    };

    std::string_view Folded(std::uint32_t nIndex) const;
    std::uint32_t Child(const SNode& node, char ch) const;
    std::uint32_t FirstEndingAt(const SNode& node, std::uint32_t nFrom) const;
    std::string_view Search(std::string_view strFolded) const;
    SFound HeldByWord(std::string_view strFolded, std::uint32_t nFrom) const;
    SFound HoldingWord(std::string_view strFolded, std::uint32_t nFrom) const;
    std::uint32_t FirstKeptOverEmpty(std::string_view strFolded) const;
    SFound Nearest(std::string_view strFolded, std::uint32_t nFrom, std::uint32_t nLimit) const;
    template <class FVisit>
    void ForEachHolding(std::string_view strFolded, std::size_t nLongest, FVisit visit) const;

    std::uint32_t m_nMaxDistance;
    std::vector<std::string_view> m_candidates;
    std::string m_folded;  // every candidate lowercased (A to Z), back to back
    std::vector<std::uint32_t> m_foldedAt;  // where each begins in m_folded, and the end
    std::vector<std::uint32_t> m_empties;  // the indexes of empty candidates
    std::string_view m_strForEmpty;  // the answer for the empty word
    std::vector<SNode> m_nodes;  // the root first
    std::vector<std::uint32_t> m_trieIndexes;  // candidate indexes in folded text order
    std::vector<std::uint32_t> m_byLength;  // non-empty candidates by length, then index
    // Trigram posting lists of the folded candidates: the codes in order, where each list begins
    // (and the end), the candidates in m_byLength order.
    std::vector<std::uint32_t> m_gramCodes, m_gramAt, m_gramIndexes;
    mutable std::unordered_map<std::string, std::string_view> m_memo;
    // The nearest search's tables, kept between words so that a word seldom allocates.
    mutable std::vector<SLevel> m_levels;
    mutable std::vector<std::uint64_t> m_wordClasses;
    mutable std::vector<std::uint32_t> m_leastAt;
};
