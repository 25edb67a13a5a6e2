#include "tableconv/FileRegistry.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <vector>

#include "errors/ErrorReport.h"

namespace {

float FloatFromBits(std::uint32_t nBits) {
    float f;
    std::memcpy(&f, &nBits, sizeof f);
    return f;
}

std::string NumberText(const SRegistryValue& value) {
    char szText[32];
    std::to_chars_result result{};
    if (value.nType == RTYPE_INT)
        result = std::to_chars(szText, szText + sizeof szText,
                               static_cast<std::int32_t>(ReadU32(value.pData)));
    else result = std::to_chars(szText, szText + sizeof szText, FloatFromBits(ReadU32(value.pData)));
    return std::string(szText, result.ptr);
}

bool IsNumber(const SRegistryValue& value) {
    return (value.nType == RTYPE_INT || value.nType == RTYPE_FLOAT) && value.nAvailable >= 4;
}
}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Names are nearly always asked for as they are written.
    if (std::memcmp(a.data(), b.data(), a.size()) == 0) return true;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::uint64_t NoCaseHash(std::string_view str) {
    std::uint64_t nHash = 14695981039346656037ull;  // FNV-1a
    for (char c : str) nHash = (nHash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return nHash;
}

bool CFileRegistry::Open(const char* pszPath) {
    Close();
    if (!m_file.Open(pszPath, CMappedFile::EAccess::ReadOnly)) return false;
    m_pData = m_file.GetData();
    m_nSize = m_file.GetSize();
    return IsValid();
}

bool CFileRegistry::OpenMemory(const std::uint8_t* pData, std::uint32_t nSize) {
    Close();
    m_pData = pData;
    m_nSize = nSize;
    return pData != nullptr && IsValid();
}

bool CFileRegistry::IsValid() {
    if (m_pData && m_nSize >= REGISTRY_HEADER_SIZE && ReadU32(m_pData) == REGISTRY_MAGIC &&
        InBounds(REGISTRY_HEADER_SIZE,
                 std::uint64_t{REGISTRY_SLOT_SIZE} * ReadU16(m_pData + 4), m_nSize))
        return true;
    DebugTrace("CFileRegistry::IsValid().\nThat is not registry file.\n");
    Close();
    return false;
}

void CFileRegistry::Close() {
    m_file.Close();
    m_pData = nullptr;
    m_nSize = 0;
    m_bCacheValid = false;
    m_sectionIndex.clear();
    m_bIndexBuilt = false;
    m_bIndexExact = false;
    m_fileOrder.clear();
    m_bFileOrderBuilt = false;
    m_nNamedSlots = 0;
}

std::uint32_t CFileRegistry::SectionOffset(std::uint32_t nSlot) const {
    return ReadU32(m_pData + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * nSlot + 2);
}

const std::vector<std::uint16_t>& CFileRegistry::SectionsInFileOrder() const {
    if (m_bFileOrderBuilt) return m_fileOrder;
    m_bFileOrderBuilt = true;
    const std::uint32_t nSlots = m_pData ? ReadU16(m_pData + 4) : 0;
    m_fileOrder.resize(nSlots);
    for (std::uint32_t i = 0; i < nSlots; ++i) m_fileOrder[i] = static_cast<std::uint16_t>(i);
    std::sort(m_fileOrder.begin(), m_fileOrder.end(), [this](std::uint16_t a, std::uint16_t b) {
        const std::uint32_t nA = SectionOffset(a), nB = SectionOffset(b);
        return nA != nB ? nA < nB : a < b;
    });
    return m_fileOrder;
}

void CFileRegistry::PrefetchSection(std::uint32_t k) const {
    // Up to the next section's record, or 16 KiB of a very large one; nothing outside the file.
    if (k + 1 >= m_fileOrder.size()) return;
    const std::uint32_t nBegin = SectionOffset(m_fileOrder[k]);
    const std::uint32_t nEnd = std::min({SectionOffset(m_fileOrder[k + 1]), m_nSize, nBegin + 16384u});
    for (std::uint32_t n = nBegin; n < nEnd; n += 64) __builtin_prefetch(m_pData + n);
}

bool CFileRegistry::WalkSectionChain(std::string_view strSection, SSectionRef& section) const {
    const std::uint32_t nSlots = ReadU16(m_pData + 4);
    if (nSlots == 0) return false;
    std::uint32_t nSlot = HashName(strSection, nSlots);
    // A chain can visit each slot once; more steps mean a loop in a damaged file.
    for (std::uint32_t nSteps = 0; nSteps < nSlots; ++nSteps) {
        const std::uint8_t* pSlot = m_pData + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * nSlot;
        const std::uint32_t nOffset = ReadU32(pSlot + 2);
        if (InBounds(nOffset, 4, m_nSize)) {
            const std::uint16_t nNameLength = ReadU16(m_pData + nOffset + 2);
            if (InBounds(nOffset + 4ull, nNameLength, m_nSize) &&
                EqualNoCase(strSection, std::string_view(
                                            reinterpret_cast<const char*>(m_pData + nOffset + 4),
                                            nNameLength))) {
                section = SSectionRef{true, nOffset, ReadU16(m_pData + nOffset), nNameLength};
                return true;
            }
        }
        nSlot = ReadU16(pSlot);
        if (nSlot >= nSlots) break;  // CHAIN_END, or an index outside the table
    }
    return false;
}

bool CFileRegistry::FindIndexed(std::string_view strSection, std::uint64_t nHash,
                                SSectionRef& section) const {
    const size_t nMask = m_sectionIndex.size() - 1;
    for (size_t i = static_cast<size_t>(nHash) & nMask;; i = (i + 1) & nMask) {
        const SIndexEntry& entry = m_sectionIndex[i];
        if (!entry.section.bFound) return false;
        if (entry.nHash == nHash &&
            EqualNoCase(strSection, std::string_view(reinterpret_cast<const char*>(
                                                         m_pData + entry.section.nOffset + 4),
                                                     entry.section.nNameLength))) {
            section = entry.section;
            return true;
        }
    }
}

void CFileRegistry::BuildSectionIndex() const {
    m_bIndexBuilt = true;
    const std::uint32_t nSlots = ReadU16(m_pData + 4);
    if (nSlots == 0) return;
    // Each slot's section, read once: its name and home slot (NO_HOME when damaged).
    constexpr std::uint32_t NO_HOME = 0xFFFFFFFFu;
    struct SSlotInfo {
        std::uint32_t nHome = NO_HOME;
        std::uint32_t nOffset = 0;
        std::uint32_t nOrdinal = 0;  // its place in file order
        std::string_view strName;
    };
    std::vector<SSlotInfo> slots(nSlots);
    std::vector<bool> isHome(nSlots, false);
    std::uint32_t nNamed = 0, nIndexed = 0;
    const std::vector<std::uint16_t>& fileOrder = SectionsInFileOrder();
    for (std::uint32_t k = 0; k < nSlots; ++k) {
        const std::uint32_t i = fileOrder[k];
        SSlotInfo& slot = slots[i];
        slot.nOrdinal = k;
        slot.nOffset = SectionOffset(i);
        if (!InBounds(slot.nOffset, 4, m_nSize)) continue;
        const std::uint16_t nLength = ReadU16(m_pData + slot.nOffset + 2);
        if (!InBounds(slot.nOffset + 4ull, nLength, m_nSize)) continue;
        slot.strName = std::string_view(reinterpret_cast<const char*>(m_pData + slot.nOffset + 4), nLength);
        slot.nHome = HashName(slot.strName, nSlots);
        isHome[slot.nHome] = true;
        ++nNamed;
    }
    size_t nCapacity = 16;
    while (nCapacity < 2u * nSlots) nCapacity <<= 1;
    m_sectionIndex.assign(nCapacity, SIndexEntry{});
    // A name is found where the walk from its home slot first meets it: walk each chain once
    // and keep, per name, that first entry. Chains that run through each other (a writer that
    // coalesces them) could make this cost the square of the sections; then give up and let
    // every lookup walk its own chain, which is no slower than without the index.
    std::uint64_t nBudget = 16ull * nSlots + 64;
    for (std::uint32_t nHome = 0; nHome < nSlots; ++nHome) {
        if (!isHome[nHome]) continue;
        std::uint32_t nSlot = nHome;
        for (std::uint32_t nSteps = 0; nSteps < nSlots; ++nSteps) {
            if (nBudget-- == 0) {
                m_sectionIndex.clear();
                return;
            }
            const SSlotInfo& slot = slots[nSlot];
            if (slot.nHome == nHome) {
                const std::uint64_t nHash = NoCaseHash(slot.strName);
                SSectionRef existing;
                if (!FindIndexed(slot.strName, nHash, existing)) {
                    size_t i = static_cast<size_t>(nHash) & (nCapacity - 1);
                    while (m_sectionIndex[i].section.bFound) i = (i + 1) & (nCapacity - 1);
                    m_sectionIndex[i] = SIndexEntry{
                        nHash, SSectionRef{true, slot.nOffset, ReadU16(m_pData + slot.nOffset),
                                           static_cast<std::uint16_t>(slot.strName.size()),
                                           slot.nOrdinal}};
                    ++nIndexed;
                }
            }
            nSlot = ReadU16(m_pData + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * nSlot);
            if (nSlot >= nSlots) break;
        }
    }
    m_bIndexExact = nIndexed == nNamed;
    m_nNamedSlots = nNamed;
}

bool CFileRegistry::FindSection(std::string_view strSection, SSectionRef& section) const {
    if (m_bCacheValid && m_strCachedSection == strSection) {
        section = m_cachedSection;
        return section.bFound;
    }
    if (!m_bIndexBuilt) BuildSectionIndex();
    section = SSectionRef{};
    // Builders read the rows in table order, which is file order: try the section after the
    // last one first. When every section is found by its own name, names are unique and that
    // section is the one the index would give.
    if (m_bIndexExact && m_bCacheValid && m_cachedSection.bFound &&
        m_cachedSection.nOrdinal != NO_ORDINAL && m_cachedSection.nOrdinal + 1 < m_fileOrder.size()) {
        const std::uint32_t nNext = m_cachedSection.nOrdinal + 1;
        const std::uint32_t nOffset = SectionOffset(m_fileOrder[nNext]);
        if (InBounds(nOffset, 4, m_nSize)) {
            const std::uint16_t nNameLength = ReadU16(m_pData + nOffset + 2);
            if (InBounds(nOffset + 4ull, nNameLength, m_nSize) &&
                EqualNoCase(strSection, std::string_view(reinterpret_cast<const char*>(m_pData + nOffset + 4),
                                                         nNameLength)))
                section = SSectionRef{true, nOffset, ReadU16(m_pData + nOffset), nNameLength, nNext};
        }
    }
    if (!section.bFound) {
        if (!m_sectionIndex.empty()) FindIndexed(strSection, NoCaseHash(strSection), section);
        else if (ReadU16(m_pData + 4) != 0) WalkSectionChain(strSection, section);
    }
    if (section.bFound && section.nOrdinal != NO_ORDINAL) PrefetchSection(section.nOrdinal + 1);
    m_strCachedSection.assign(strSection);
    m_cachedSection = section;
    m_bCacheValid = true;
    return section.bFound;
}

bool CFileRegistry::FindValue(std::string_view strSection, const SValueName& name,
                              SRegistryValue& value) const {
    SSectionRef section;
    return m_pData && FindSection(strSection, section) && FindValueIn(section, name, value);
}

bool CFileRegistry::FindValueIn(const SSectionRef& section, const SValueName& name,
                                SRegistryValue& value) const {
    if (section.nValues == 0) return false;
    const std::uint64_t nSlotsAt = section.nOffset + 4ull + section.nNameLength;
    const std::uint32_t nSlots = section.nValues;
    if (!InBounds(nSlotsAt, std::uint64_t{REGISTRY_SLOT_SIZE} * nSlots, m_nSize)) return false;
    std::uint32_t nSlot = name.nByteSum % nSlots;
    for (std::uint32_t nSteps = 0; nSteps < nSlots; ++nSteps) {
        const std::uint8_t* pSlot = m_pData + nSlotsAt + REGISTRY_SLOT_SIZE * nSlot;
        const std::uint64_t nRecord = section.nOffset + std::uint64_t{ReadU32(pSlot + 2)};
        if (InBounds(nRecord, 3, m_nSize)) {
            const std::uint8_t* pRecord = m_pData + nRecord;
            const std::uint16_t nNameLength = ReadU16(pRecord + 1);
            if (nNameLength == name.strName.size() && InBounds(nRecord + 3, nNameLength, m_nSize) &&
                EqualNoCase(name.strName, std::string_view(reinterpret_cast<const char*>(pRecord + 3),
                                                           nNameLength))) {
                value.nType = pRecord[0];
                value.pData = pRecord + 3 + nNameLength;
                value.nAvailable = static_cast<std::uint32_t>(m_nSize - (nRecord + 3 + nNameLength));
                return true;
            }
        }
        nSlot = ReadU16(pSlot);
        if (nSlot >= nSlots) break;
    }
    return false;
}

const std::uint8_t* CFileRegistry::FindData(std::string_view strSection, const SValueName& name,
                                            std::uint8_t nType, bool* pbSingle) const {
    SRegistryValue value;
    if (!FindValue(strSection, name, value)) return nullptr;
    if (pbSingle) *pbSingle = (nType & RTYPE_LIST) == 0;
    if (value.nType == nType) return value.pData;
    if ((nType & RTYPE_LIST) && value.nType == (nType & ~RTYPE_LIST)) {
        if (pbSingle) *pbSingle = true;
        return value.pData;
    }
    DebugTrace("CFileRegistry::FindData().\nWrong type of entry.\n");
    return nullptr;
}

bool CFileRegistry::GetSectionNames(std::vector<std::string>& names) const {
    names.clear();
    if (!m_pData) return false;
    const std::uint32_t nSlots = ReadU16(m_pData + 4);
    names.reserve(nSlots);
    for (std::uint32_t i = 0; i < nSlots; ++i) {
        const std::uint32_t nOffset =
            ReadU32(m_pData + REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * i + 2);
        if (!InBounds(nOffset, 4, m_nSize)) continue;  // a damaged slot names nothing
        const std::uint16_t nNameLength = ReadU16(m_pData + nOffset + 2);
        if (!InBounds(nOffset + 4ull, nNameLength, m_nSize)) continue;
        names.emplace_back(reinterpret_cast<const char*>(m_pData + nOffset + 4), nNameLength);
    }
    return true;
}

void CFileRegistry::GetSectionNumbers(const SValueName& name, std::int32_t nDefault,
                                      std::vector<std::pair<std::int32_t, std::string>>& sections) const {
    sections.clear();
    if (!m_pData) return;
    if (!m_bIndexBuilt) BuildSectionIndex();
    const std::uint32_t nSlots = ReadU16(m_pData + 4);
    if (!m_bIndexExact || m_nNamedSlots != nSlots) {
        std::vector<std::string> names;
        GetSectionNames(names);
        sections.reserve(names.size());
        for (std::string& strName : names) {
            const std::int32_t nNumber = GetInt(strName, name, nDefault);
            sections.emplace_back(nNumber, std::move(strName));
        }
        return;
    }
    // Every slot holds a section that its own name finds: read each in place, in file order,
    // and put it at its slot's place.
    sections.resize(nSlots);
    for (std::uint32_t k = 0; k < nSlots; ++k) {
        PrefetchSection(k + 1);
        const std::uint32_t nSlot = m_fileOrder[k];
        const std::uint32_t nOffset = SectionOffset(nSlot);
        const SSectionRef section{true, nOffset, ReadU16(m_pData + nOffset),
                                  ReadU16(m_pData + nOffset + 2)};
        SRegistryValue value;
        const bool bFound = FindValueIn(section, name, value);
        sections[nSlot].first = bFound ? IntOf(value, nDefault) : nDefault;
        sections[nSlot].second.assign(reinterpret_cast<const char*>(m_pData + nOffset + 4),
                                      section.nNameLength);
    }
}

std::int32_t CFileRegistry::IntOf(const SRegistryValue& value, std::int32_t nDefault) {
    if (value.nAvailable < 4) return nDefault;
    if (value.nType == RTYPE_INT) return static_cast<std::int32_t>(ReadU32(value.pData));
    if (value.nType != RTYPE_FLOAT) return nDefault;
    const float f = FloatFromBits(ReadU32(value.pData));
    if (std::isnan(f)) return nDefault;
    if (f >= 2147483648.0f) return INT32_MAX;
    if (f <= -2147483648.0f) return INT32_MIN;
    return static_cast<std::int32_t>(f);  // truncates toward zero
}

std::int32_t CFileRegistry::GetInt(std::string_view strSection, const SValueName& name,
                                   std::int32_t nDefault) const {
    SRegistryValue value;
    return FindValue(strSection, name, value) ? IntOf(value, nDefault) : nDefault;
}

float CFileRegistry::GetFloat(std::string_view strSection, const SValueName& name,
                              float fDefault) const {
    SRegistryValue value;
    if (!FindValue(strSection, name, value) || value.nAvailable < 4) return fDefault;
    if (value.nType == RTYPE_FLOAT) return FloatFromBits(ReadU32(value.pData));
    if (value.nType == RTYPE_INT)
        return static_cast<float>(static_cast<std::int32_t>(ReadU32(value.pData)));
    return fDefault;
}

std::string CFileRegistry::GetString(std::string_view strSection, const SValueName& name,
                                     std::string_view strDefault) const {
    SRegistryValue value;
    if (!FindValue(strSection, name, value)) return std::string(strDefault);
    if (IsNumber(value)) return NumberText(value);
    std::string_view strText;
    if (value.nType != RTYPE_STRING || !ReadCountedString(value.pData, value.nAvailable, strText))
        return std::string(strDefault);
    return std::string(strText);
}

bool CFileRegistry::GetStringList(std::string_view strSection, const SValueName& name,
                                  std::vector<std::string>& list) const {
    list.clear();
    SRegistryValue value;
    if (!FindValue(strSection, name, value)) return false;
    if (IsNumber(value)) {
        list.push_back(NumberText(value));
        return true;
    }
    std::string_view strText;
    if (value.nType == RTYPE_STRING) {
        if (!ReadCountedString(value.pData, value.nAvailable, strText)) return false;
        list.emplace_back(strText);
        return true;
    }
    if (value.nType != (RTYPE_LIST | RTYPE_STRING) || value.nAvailable < 2) return false;
    const std::uint16_t nCount = ReadU16(value.pData);
    const std::uint8_t* p = value.pData + 2;
    std::uint32_t nAvailable = value.nAvailable - 2;
    // Records keep their lists for the whole run: no spare capacity. Each element takes at
    // least its two length bytes, so a damaged count cannot reserve more than the file holds.
    list.reserve(std::min<std::uint32_t>(nCount, nAvailable / 2));
    for (std::uint32_t i = 0; i < nCount; ++i) {
        if (!ReadCountedString(p, nAvailable, strText)) {
            list.clear();  // a list that runs off the file is not half read
            return false;
        }
        list.emplace_back(strText);
    }
    return true;
}
