// The words that the builders take for each kind of value, and the closest-word suggestion the
// table checker gives for a word outside them.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "itemdb/Columns.h"

// The words a value under the rule may be, lowercase, as itemdb/Vocabulary.cpp compares them after
// lowercasing the cell: weapon and armor names, quick item, loot and damage types; for "Lists" the
// skill names and extra skill names, plus "attack" and "defence" for weapons. Empty for rules
// without a word list.
std::span<const std::string_view> WordsOf(EValueRule rule);

// The number of single-character insertions, deletions and substitutions that turn one text into
// the other, ASCII case aside.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The candidate nearest to the word: among the candidates that hold the word or are held by it
// (ASCII case aside) when there are any, the one of least EditDistance, the first of equals. Empty
// without candidates.
std::string_view ClosestWord(std::string_view strWord,
                             std::span<const std::string_view> candidates);
