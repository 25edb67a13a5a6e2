#include "tableconv/ListElements.h"

std::string_view TrimBlanks(std::string_view str) {
    return TrimIf(str, [](char c) { return c == ' ' || c == '\t'; });
}

void SplitListElements(std::string_view strList, std::vector<std::string_view>& elements) {
    elements.clear();
    for (;;) {
        const size_t nComma = strList.find(',');
        const std::string_view strElement = TrimBlanks(strList.substr(0, nComma));
        if (!strElement.empty()) elements.push_back(strElement);
        if (nComma == std::string_view::npos) return;
        strList.remove_prefix(nComma + 1);
    }
}
