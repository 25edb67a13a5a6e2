// Arbitrary bytes as tempreg.reg: every getter on every section the file names, and on names
// that it almost holds, must stay inside the bytes and agree with the typed lookup.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tableconv/FileRegistry.h"
#include "tableconv/TableConverter.h"

namespace {
class CProbeConverter : public CTableConverter {
public:
    bool Save(const char*) override { return true; }
};

void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

// The value names of a section record as the file lays them out, read with their own bounds
// checks, so that lookups also hit names that are really there.
void ValueNamesOf(const std::uint8_t* pData, std::uint32_t nSize, std::uint32_t nSection,
                  std::vector<std::string>& names) {
    names.clear();
    if (!InBounds(nSection, 4, nSize)) return;
    const std::uint32_t nValues = ReadU16(pData + nSection);
    const std::uint64_t nSlotsAt = nSection + 4ull + ReadU16(pData + nSection + 2);
    for (std::uint32_t j = 0; j < nValues && j < 8; ++j) {
        const std::uint64_t nSlot = nSlotsAt + REGISTRY_SLOT_SIZE * j;
        if (!InBounds(nSlot, REGISTRY_SLOT_SIZE, nSize)) return;
        const std::uint64_t nRecord = nSection + std::uint64_t{ReadU32(pData + nSlot + 2)};
        if (!InBounds(nRecord, 3, nSize)) continue;
        const std::uint16_t nLength = ReadU16(pData + nRecord + 1);
        if (!InBounds(nRecord + 3, nLength, nSize)) continue;
        names.emplace_back(reinterpret_cast<const char*>(pData + nRecord + 3), nLength);
    }
}

std::string UpperAscii(std::string str) {
    for (char& c : str)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return str;
}

void ProbeValue(const CFileRegistry& registry, std::string_view strSection,
                const std::string& strName) {
    const SValueName name(strName);
    SRegistryValue value;
    const bool bFound = registry.FindValue(strSection, name, value);
    const std::int32_t nInt = registry.GetInt(strSection, name, 12345);
    const float fFloat = registry.GetFloat(strSection, name, -1.5f);
    const std::string strText = registry.GetString(strSection, name, "\x01none");
    std::vector<std::string> list;
    const bool bList = registry.GetStringList(strSection, name, list);
    if (!bFound) {
        Check(nInt == 12345 && strText == "\x01none" && !bList && list.empty());
        return;
    }
    // Every getter goes through FindValue: what they read must be what it found.
    const std::uint8_t* pInt = registry.FindData(strSection, name, RTYPE_INT);
    if (value.nType == RTYPE_INT && value.nAvailable >= 4)
        Check(pInt == value.pData && nInt == static_cast<std::int32_t>(ReadU32(value.pData)));
    if (value.nType == RTYPE_FLOAT && value.nAvailable >= 4)
        Check(std::memcmp(&fFloat, value.pData, sizeof fFloat) == 0);
    if ((value.nType == RTYPE_INT || value.nType == RTYPE_FLOAT) && value.nAvailable >= 4)
        Check(bList && list.size() == 1 && list[0] == strText);
    if (value.nType == RTYPE_STRING && bList) Check(list.size() == 1 && list[0] == strText);
    if (!bList) Check(list.empty());
    bool bSingle = false;
    registry.FindData(strSection, name, RTYPE_LIST | RTYPE_STRING, &bSingle);
    registry.FindData(strSection, name, RTYPE_FLOAT, &bSingle);
}

// GetSectionNumbers promises what GetInt gives for each name of GetSectionNames.
void CheckSectionNumbers(const CFileRegistry& registry, const std::vector<std::string>& sections,
                         const std::string& strName) {
    std::vector<std::pair<std::int32_t, std::string>> numbers;
    registry.GetSectionNumbers(strName, -7, numbers);
    Check(numbers.size() == sections.size());
    for (size_t i = 0; i < numbers.size(); ++i)
        Check(numbers[i].second == sections[i] &&
              numbers[i].first == registry.GetInt(sections[i], strName, -7));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t nSize) {
    if (nSize > 0xFFFFFFFFu) return 0;
    CFileRegistry registry;
    if (!registry.OpenMemory(pData, static_cast<std::uint32_t>(nSize))) {
        Check(!registry.IsOpen());
        return 0;
    }
    std::string strProblem;
    Check(registry.Verify(strProblem) || !strProblem.empty());

    std::vector<std::string> sections;
    Check(registry.GetSectionNames(sections));
    std::vector<std::string> valueNames, firstNames;
    const std::uint32_t nSlots = ReadU16(pData + 4);
    // Slot i names sections[i] unless an earlier slot was damaged; any name will do.
    for (std::uint32_t i = 0; i < nSlots && i < 16; ++i) {
        const std::uint32_t nSection =
            ReadU32(pData + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * i + 2);
        ValueNamesOf(pData, static_cast<std::uint32_t>(nSize), nSection, valueNames);
        if (i == 0) firstNames = valueNames;
        valueNames.insert(valueNames.end(), {"Name", "SortOrderID", ""});
        const std::string strSection = i < sections.size() ? sections[i] : "Sword";
        for (const std::string& strName : valueNames) ProbeValue(registry, strSection, strName);
        // Names are found whatever their ASCII case.
        ProbeValue(registry, UpperAscii(strSection), UpperAscii(valueNames.front()));
        ProbeValue(registry, strSection + "x", "Name");
    }
    // The tail of the input as one more name, so that lookups can miss by a little.
    const size_t nTail = nSize < 8 ? nSize : 8;
    const std::string strTail(reinterpret_cast<const char*>(pData + nSize - nTail), nTail);
    ProbeValue(registry, strTail, strTail);

    // A name that the file holds, when there is one, finds more than the sort key would.
    CheckSectionNumbers(registry, sections,
                        firstNames.empty() ? std::string("SortOrderID") : firstNames.front());
    CProbeConverter converter;
    std::vector<std::string> sorted;
    converter.GetSortedSectionNames(registry, sorted);
    Check(sorted.size() == sections.size());
    return 0;
}
