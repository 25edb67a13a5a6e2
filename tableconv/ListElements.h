// How a list value is cut into its elements: one rule for the converter that stores lists, the
// builders that read quoted lists back, and the table checker.
#pragma once

#include <string_view>
#include <vector>

// The text without the characters at either end for which isBlank(c) holds: the one trimming
// of the system, which TrimBlanks and TrimWhite (TableConverter.h) apply.
template <class FIsBlank>
std::string_view TrimIf(std::string_view str, FIsBlank isBlank) {
    while (!str.empty() && isBlank(str.front())) str.remove_prefix(1);
    while (!str.empty() && isBlank(str.back())) str.remove_suffix(1);
    return str;
}
// Blanks and tabs removed from both ends, as the converter trims every value.
std::string_view TrimBlanks(std::string_view str);
// A list's elements as the registry stores them: cut at every comma, trimmed, empty ones gone.
void SplitListElements(std::string_view strList, std::vector<std::string_view>& elements);
