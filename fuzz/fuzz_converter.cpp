// Arbitrary text as tempreg.ini: the converter either refuses with a reason, for a limit that
// the text really passes, or writes a registry in which the reader finds every value the INI
// held, with the converter's type and the same value, text or list elements.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "tableconv/FileRegistry.h"
#include "tools/ini2reg/IniConverter.h"

namespace {
constexpr size_t NPOS = std::string_view::npos;
constexpr size_t LIMIT = 65535;

void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

std::string_view OracleTrim(std::string_view str) {
    const size_t nBegin = str.find_first_not_of(" \t");
    return nBegin == NPOS ? std::string_view()
                          : str.substr(nBegin, str.find_last_not_of(" \t") - nBegin + 1);
}

std::vector<std::string_view> OracleSplitList(std::string_view strText) {
    std::vector<std::string_view> elements;
    for (;;) {
        const size_t nComma = strText.find(',');
        const std::string_view strElement = OracleTrim(strText.substr(0, nComma));
        if (!strElement.empty()) elements.push_back(strElement);
        if (nComma == NPOS) return elements;
        strText.remove_prefix(nComma + 1);
    }
}

struct SKey {
    std::string_view name, value;
};
struct SSection {
    std::string_view name;
    std::vector<SKey> keys;
};

// Keeps the first of the items whose names are equal, ASCII case aside, in their order.
template <class T>
void KeepFirstOfEachName(std::vector<T>& items) {
    std::unordered_set<std::string> seen;
    std::vector<T> kept;
    for (T& item : items) {
        std::string strLower(item.name);
        for (char& c : strLower) c = LowerAscii(c);
        if (seen.insert(std::move(strLower)).second) kept.push_back(std::move(item));
    }
    items.swap(kept);
}

// The INI as the converter's rules read it, line by line, without its code.
std::vector<SSection> ParseIni(std::string_view strIni) {
    std::vector<SSection> sections;
    while (!strIni.empty()) {
        const size_t nFeed = strIni.find('\n');
        std::string_view strLine = strIni.substr(0, nFeed);
        strIni.remove_prefix(nFeed == NPOS ? strIni.size() : nFeed + 1);
        if (!strLine.empty() && strLine.back() == '\r') strLine.remove_suffix(1);
        if (strLine.empty() || strLine[0] == ';') continue;
        if (strLine[0] == '[') {
            const size_t nClose = strLine.rfind(']');
            sections.push_back(SSection{strLine.substr(1, nClose == NPOS ? NPOS : nClose - 1), {}});
            continue;
        }
        const size_t nEquals = strLine.find('=');
        if (sections.empty() || nEquals == NPOS) continue;  // before the first section
        sections.back().keys.push_back(
            SKey{strLine.substr(0, nEquals), OracleTrim(strLine.substr(nEquals + 1))});
    }
    // A repeated section is dropped with all its keys.
    KeepFirstOfEachName(sections);
    for (SSection& section : sections) KeepFirstOfEachName(section.keys);
    return sections;
}

bool OracleIsQuoted(std::string_view strValue) {
    return strValue.size() >= 2 && strValue.front() == '"' && strValue.back() == '"';
}

// A string value as stored: inside quotes each "" is one ", left to right; unquoted text is
// kept as written.
std::string OracleStored(std::string_view strValue) {
    if (!OracleIsQuoted(strValue)) return std::string(strValue);
    const std::string_view strText = strValue.substr(1, strValue.size() - 2);
    std::string strOut;
    for (size_t i = 0; i < strText.size(); ++i) {
        strOut += strText[i];
        if (strText[i] == '"' && i + 1 < strText.size() && strText[i + 1] == '"') ++i;
    }
    return strOut;
}

bool PassesLimit(const std::vector<SSection>& sections) {
    if (sections.size() > LIMIT) return true;
    for (const SSection& section : sections) {
        if (section.name.size() > LIMIT || section.keys.size() > LIMIT) return true;
        for (const SKey& key : section.keys) {
            const SIniValue value = ClassifyValue(key.value);
            if (key.name.size() > LIMIT) return true;
            if (value.nType == RTYPE_STRING && OracleStored(key.value).size() > LIMIT)
                return true;
            if (value.nType != (RTYPE_LIST | RTYPE_STRING)) continue;
            const std::vector<std::string_view> elements = OracleSplitList(value.strText);
            if (elements.size() > LIMIT ||
                std::any_of(elements.begin(), elements.end(),
                            [](std::string_view str) { return str.size() > LIMIT; }))
                return true;
        }
    }
    return false;
}

void CheckValue(const CFileRegistry& registry, std::string_view strSection, const SKey& key) {
    const SIniValue expected = ClassifyValue(key.value);
    SRegistryValue found;
    Check(registry.FindValue(strSection, key.name, found) && found.nType == expected.nType);
    switch (expected.nType) {
        case RTYPE_INT:
            Check(registry.GetInt(strSection, key.name, 0) == expected.nInt);
            break;
        case RTYPE_FLOAT: {
            const float fRead = registry.GetFloat(strSection, key.name, 0.0f);
            Check(std::memcmp(&fRead, &expected.fFloat, sizeof fRead) == 0);
            break;
        }
        case RTYPE_STRING:
            Check(registry.GetString(strSection, key.name, "\x01none") == OracleStored(key.value));
            break;
        default: {
            std::vector<std::string> list;
            const std::vector<std::string_view> elements = OracleSplitList(expected.strText);
            Check(registry.GetStringList(strSection, key.name, list) &&
                  std::equal(list.begin(), list.end(), elements.begin(), elements.end()));
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t nSize) {
    const std::string_view strIni(reinterpret_cast<const char*>(pData), nSize);
    std::string strRegistry, strError;
    const bool bConverted = ConvertIniToMemory(strIni, strRegistry, strError);
    const std::vector<SSection> sections = ParseIni(strIni);
    Check(bConverted != PassesLimit(sections) && (bConverted || !strError.empty()));
    if (!bConverted) return 0;
    CFileRegistry registry;
    Check(registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(strRegistry.data()),
                              static_cast<std::uint32_t>(strRegistry.size())));
    std::string strProblem;
    Check(registry.Verify(strProblem));
    std::vector<std::string> names;
    Check(registry.GetSectionNames(names));
    std::vector<std::string_view> expected;
    for (const SSection& section : sections) {
        expected.push_back(section.name);
        for (const SKey& key : section.keys) CheckValue(registry, section.name, key);
    }
    // The same names, byte for byte, in whatever slot order.
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    Check(std::equal(names.begin(), names.end(), expected.begin(), expected.end()));
    return 0;
}
