#include "tools/idbdump/RegistryDump.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <map>

#include "tableconv/FileRegistry.h"
#include "tools/idbdump/IdbSchema.h"

namespace {
const char* TypeName(std::uint8_t nType) {
    switch (nType) {
        case RTYPE_INT: return "integer";
        case RTYPE_FLOAT: return "float";
        case RTYPE_STRING: return "string";
        case RTYPE_LIST | RTYPE_STRING: return "list";
        default: return "unknown";
    }
}

std::string Counted(std::uint64_t nCount, const char* pszNoun) {
    return std::to_string(nCount) + " " + pszNoun + (nCount == 1 ? "" : "s");
}

// "count 3, longest 2, mean 1.33 (length 1: 2, length 2: 1)": the chains per length.
std::string ChainSummary(const std::vector<std::uint32_t>& lengths) {
    std::map<std::uint32_t, std::uint32_t> countByLength;
    std::uint64_t nTotal = 0;
    for (std::uint32_t nLength : lengths) {
        ++countByLength[nLength];
        nTotal += nLength;
    }
    char szMean[32];
    std::snprintf(
        szMean, sizeof szMean, "%.2f",
        lengths.empty() ? 0.0 : static_cast<double>(nTotal) / static_cast<double>(lengths.size()));
    std::string strOut = "count " + std::to_string(lengths.size()) + ", longest " +
                         std::to_string(countByLength.empty() ? 0 : countByLength.rbegin()->first) +
                         ", mean " + szMean;
    std::string strSeparator = " (";
    for (const auto& [nLength, nCount] : countByLength) {
        strOut +=
            strSeparator + "length " + std::to_string(nLength) + ": " + std::to_string(nCount);
        strSeparator = ", ";
    }
    return countByLength.empty() ? strOut : strOut + ")";
}

// Walks the file after Verify has accepted it, checking every bound again on its own, so that
// the dump stays inside the file even where Verify and this walk might disagree.
class CRegistryPrinter {
public:
    CRegistryPrinter(const std::uint8_t* pData, std::uint32_t nSize)
        : m_pData(pData), m_nSize(nSize) {}
    bool Print(bool bSummaryOnly, std::string& strOut, std::string& strProblem);

private:
    bool Fail(std::uint64_t nAt, const std::string& strWhat, std::string& strProblem) const {
        strProblem = "at byte " + std::to_string(nAt) + ": " + strWhat;
        return false;
    }
    // The 16-bit length at nAt and the bytes after it, inside the file; moves nAt past them.
    bool CountedText(std::uint64_t& nAt, std::string_view& strText) const;
    bool ValueText(std::uint64_t nAt, std::uint8_t nType, std::string& strText) const;
    bool PrintSection(std::uint32_t nSlot, std::string& strSection, std::string& strProblem);

    const std::uint8_t* m_pData;
    std::uint32_t m_nSize;
    std::vector<std::uint32_t> m_valueChains;  // of every section
    std::uint64_t m_nValues = 0;
};

bool CRegistryPrinter::CountedText(std::uint64_t& nAt, std::string_view& strText) const {
    if (!InBounds(nAt, 2, m_nSize)) return false;
    const std::uint16_t nLength = ReadU16(m_pData + nAt);
    if (!InBounds(nAt + 2, nLength, m_nSize)) return false;
    strText = std::string_view(reinterpret_cast<const char*>(m_pData + nAt + 2), nLength);
    nAt += 2u + nLength;
    return true;
}

bool CRegistryPrinter::ValueText(std::uint64_t nAt, std::uint8_t nType,
                                 std::string& strText) const {
    std::string_view strElement;
    if (nType == RTYPE_INT || nType == RTYPE_FLOAT) {
        if (!InBounds(nAt, 4, m_nSize)) return false;
        const std::uint32_t nBits = ReadU32(m_pData + nAt);
        strText = nType == RTYPE_INT ? std::to_string(static_cast<std::int32_t>(nBits))
                                     : FloatText(std::bit_cast<float>(nBits));
        return true;
    }
    if (nType == RTYPE_STRING) {
        if (!CountedText(nAt, strElement)) return false;
        strText = JsonString(strElement);
        return true;
    }
    if (nType != (RTYPE_LIST | RTYPE_STRING) || !InBounds(nAt, 2, m_nSize)) return false;
    const std::uint16_t nCount = ReadU16(m_pData + nAt);
    nAt += 2;
    strText = "[";
    for (std::uint32_t i = 0; i < nCount; ++i) {
        if (!CountedText(nAt, strElement)) return false;
        strText += (i ? ", " : "") + JsonString(strElement);
    }
    strText += "]";
    return true;
}

bool CRegistryPrinter::PrintSection(std::uint32_t nSlot, std::string& strSection,
                                    std::string& strProblem) {
    const std::uint64_t nSlotAt = REGISTRY_HEADER_SIZE + std::uint64_t{REGISTRY_SLOT_SIZE} * nSlot;
    const std::uint64_t nOffset = ReadU32(m_pData + nSlotAt + 2);
    if (!InBounds(nOffset, 2, m_nSize))
        return Fail(nSlotAt, "section record outside the file", strProblem);
    const std::uint32_t nValues = ReadU16(m_pData + nOffset);
    std::uint64_t nSlotsAt = nOffset + 2;
    std::string_view strName;
    if (!CountedText(nSlotsAt, strName) ||
        !InBounds(nSlotsAt, std::uint64_t{REGISTRY_SLOT_SIZE} * nValues, m_nSize))
        return Fail(nOffset, "section record runs past the end of the file", strProblem);
    const std::vector<std::uint32_t> chains = ChainLengths(m_pData + nSlotsAt, nValues);
    m_valueChains.insert(m_valueChains.end(), chains.begin(), chains.end());
    m_nValues += nValues;
    const std::uint32_t nLongest =
        chains.empty() ? 0 : *std::max_element(chains.begin(), chains.end());
    strSection = "[" + PlainText(strName) + "] (slot " + std::to_string(nSlot) + ", byte " +
                 std::to_string(nOffset) + "): " + Counted(nValues, "value") + " in " +
                 Counted(chains.size(), "chain") + ", longest " + std::to_string(nLongest) + "\n";
    for (std::uint32_t j = 0; j < nValues; ++j) {
        const std::uint8_t* pSlot = m_pData + nSlotsAt + REGISTRY_SLOT_SIZE * j;
        std::uint64_t nRecord = nOffset + std::uint64_t{ReadU32(pSlot + 2)};
        std::string_view strValueName;
        std::string strValue;
        if (!InBounds(nRecord, 1, m_nSize))
            return Fail(nRecord, "value record outside the file", strProblem);
        const std::uint8_t nType = m_pData[nRecord];
        std::uint64_t nDataAt = nRecord + 1;
        if (!CountedText(nDataAt, strValueName) || !ValueText(nDataAt, nType, strValue))
            return Fail(nRecord, "value record runs past the end of the file", strProblem);
        strSection +=
            "  " + PlainText(strValueName) + " = " + TypeName(nType) + " " + strValue + "\n";
    }
    return true;
}

bool CRegistryPrinter::Print(bool bSummaryOnly, std::string& strOut, std::string& strProblem) {
    const std::uint32_t nSections = ReadU16(m_pData + 4);
    std::string strSections;
    for (std::uint32_t i = 0; i < nSections; ++i) {
        std::string strSection;
        if (!PrintSection(i, strSection, strProblem)) return false;
        if (!bSummaryOnly) strSections += strSection;
    }
    strOut = "registry file, " + Counted(m_nSize, "byte") + ": " + Counted(nSections, "section") +
             ", " + Counted(m_nValues, "value") + "\n" + strSections;
    strOut +=
        "section chains: " + ChainSummary(ChainLengths(m_pData + REGISTRY_HEADER_SIZE, nSections)) +
        "\n";
    strOut += "value chains: " + ChainSummary(m_valueChains) + "\n";
    return true;
}
}  // namespace

bool IsRegistryFile(std::string_view strBytes) {
    return strBytes.size() >= 4 &&
           ReadU32(reinterpret_cast<const std::uint8_t*>(strBytes.data())) == REGISTRY_MAGIC;
}

std::vector<std::uint32_t> ChainLengths(const std::uint8_t* pSlots, std::uint32_t nSlots) {
    std::vector<bool> linkedTo(nSlots, false);
    for (std::uint32_t i = 0; i < nSlots; ++i) {
        const std::uint32_t nNext = ReadU16(pSlots + REGISTRY_SLOT_SIZE * i);
        if (nNext < nSlots) linkedTo[nNext] = true;
    }
    std::vector<std::uint32_t> lengths;
    for (std::uint32_t nStart = 0; nStart < nSlots; ++nStart) {
        if (linkedTo[nStart]) continue;
        std::uint32_t nLength = 0;
        // A chain without loops visits each slot at most once.
        for (std::uint32_t nSlot = nStart; nSlot < nSlots && nLength < nSlots;
             nSlot = ReadU16(pSlots + REGISTRY_SLOT_SIZE * nSlot))
            ++nLength;
        lengths.push_back(nLength);
    }
    return lengths;
}

bool DumpRegistry(std::string_view strBytes, bool bSummaryOnly, std::string& strOut,
                  std::string& strProblem) {
    strOut.clear();
    const auto* pData = reinterpret_cast<const std::uint8_t*>(strBytes.data());
    if (!IsRegistryFile(strBytes)) {
        strProblem = "at byte 0: no registry magic";
        return false;
    }
    if (strBytes.size() < REGISTRY_HEADER_SIZE) {
        strProblem = "at byte 4: the file ends inside the header (" +
                     std::to_string(strBytes.size()) + " bytes, 6 needed)";
        return false;
    }
    if (strBytes.size() > 0xFFFFFFFFu) {
        strProblem = "at byte 0: the file is larger than 4 GiB";
        return false;
    }
    const auto nSize = static_cast<std::uint32_t>(strBytes.size());
    const std::uint32_t nSections = ReadU16(pData + 4);
    if (!InBounds(REGISTRY_HEADER_SIZE, std::uint64_t{REGISTRY_SLOT_SIZE} * nSections, nSize)) {
        strProblem = "at byte 4: the section table of " + Counted(nSections, "slot") +
                     " runs past the end of the file (" + Counted(nSize, "byte") + ")";
        return false;
    }
    CFileRegistry registry;
    if (!registry.OpenMemory(pData, nSize) || !registry.Verify(strProblem)) {
        if (strProblem.empty()) strProblem = "at byte 0: the registry does not open";
        return false;
    }
    if (CRegistryPrinter(pData, nSize).Print(bSummaryOnly, strOut, strProblem)) return true;
    strOut.clear();
    return false;
}
