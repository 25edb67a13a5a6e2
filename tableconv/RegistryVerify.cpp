// CFileRegistry::Verify: a walk over every slot and record of a registry file that names the
// first count, length, offset or link that leaves the file or loops.
#include <cstdio>
#include <string>
#include <vector>

#include "tableconv/FileRegistry.h"

namespace {
std::string Problem(std::uint64_t nOffset, const char* pszFormat, std::uint64_t nA = 0,
                    std::uint64_t nB = 0) {
    char szText[160];
    std::snprintf(szText, sizeof szText, pszFormat, static_cast<unsigned long long>(nA),
                  static_cast<unsigned long long>(nB));
    return "at byte " + std::to_string(nOffset) + ": " + szText;
}

// Checks the data of one value of the given type; false with the problem.
bool VerifyValueData(std::uint8_t nType, const std::uint8_t* p, std::uint32_t nAvailable,
                     std::uint64_t nAt, std::string& strProblem) {
    std::string_view str;
    switch (nType) {
        case RTYPE_INT:
        case RTYPE_FLOAT:
            if (nAvailable >= 4) return true;
            break;
        case RTYPE_STRING:
            if (ReadCountedString(p, nAvailable, str)) return true;
            break;
        case RTYPE_LIST | RTYPE_STRING: {
            if (nAvailable < 2) break;
            const std::uint16_t nCount = ReadU16(p);
            p += 2;
            nAvailable -= 2;
            std::uint16_t i = 0;
            while (i < nCount && ReadCountedString(p, nAvailable, str)) ++i;
            if (i == nCount) return true;
            break;
        }
        default:
            strProblem = Problem(nAt, "value of unknown type %llu", nType);
            return false;
    }
    strProblem = Problem(nAt, "value data of type %llu runs past the end of the file", nType);
    return false;
}

// Finds a chain that runs into itself among the nSlots slots at pSlots (links outside the table
// end a chain). True with the first slot met twice. Each slot is walked once: O(nSlots).
// The two buffers are the caller's, so that checking many small tables allocates nothing.
bool FindChainLoop(const std::uint8_t* pSlots, std::uint32_t nSlots, std::uint32_t& nLoopSlot,
                   std::vector<std::uint8_t>& state, std::vector<std::uint32_t>& walk) {
    enum : std::uint8_t { UNSEEN, ON_WALK, ENDS };
    state.assign(nSlots, UNSEEN);
    for (std::uint32_t nStart = 0; nStart < nSlots; ++nStart) {
        walk.clear();
        std::uint32_t nSlot = nStart;
        while (nSlot < nSlots && state[nSlot] == UNSEEN) {
            state[nSlot] = ON_WALK;
            walk.push_back(nSlot);
            nSlot = ReadU16(pSlots + REGISTRY_SLOT_SIZE * nSlot);
        }
        if (nSlot < nSlots && state[nSlot] == ON_WALK) {
            nLoopSlot = nSlot;
            return true;
        }
        for (std::uint32_t nWalked : walk) state[nWalked] = ENDS;
    }
    return false;
}
}  // namespace

bool CFileRegistry::Verify(std::string& strProblem) const {
    if (!m_pData) {
        strProblem = "the registry is not open";
        return false;
    }
    const std::uint32_t nSections = ReadU16(m_pData + 4);
    std::vector<std::uint8_t> state;
    std::vector<std::uint32_t> walk;
    // Checks the section of slot i and its values; false with the problem.
    auto checkSection = [&](std::uint32_t i) {
        const std::uint64_t nSlotAt = REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * i;
        const std::uint16_t nNext = ReadU16(m_pData + nSlotAt);
        const std::uint32_t nOffset = ReadU32(m_pData + nSlotAt + 2);
        if (nNext != CHAIN_END && nNext >= nSections) {
            strProblem = Problem(nSlotAt, "section slot %llu links to slot %llu, outside the table",
                                 i, nNext);
            return false;
        }
        if (!InBounds(nOffset, 4, m_nSize) ||
            !InBounds(nOffset + 4ull, ReadU16(m_pData + nOffset + 2), m_nSize)) {
            strProblem = Problem(nSlotAt + 2, "section record at %llu runs past the end (%llu)",
                                 nOffset, m_nSize);
            return false;
        }
        const std::uint32_t nValues = ReadU16(m_pData + nOffset);
        const std::uint64_t nSlotsAt = nOffset + 4ull + ReadU16(m_pData + nOffset + 2);
        if (!InBounds(nSlotsAt, std::uint64_t{REGISTRY_SLOT_SIZE} * nValues, m_nSize)) {
            strProblem = Problem(nOffset, "the %llu value slots run past the end (%llu)", nValues,
                                 m_nSize);
            return false;
        }
        for (std::uint32_t j = 0; j < nValues; ++j) {
            const std::uint64_t nValueSlotAt = nSlotsAt + REGISTRY_SLOT_SIZE * j;
            const std::uint16_t nValueNext = ReadU16(m_pData + nValueSlotAt);
            const std::uint64_t nRecord = nOffset + std::uint64_t{ReadU32(m_pData + nValueSlotAt + 2)};
            if (nValueNext != CHAIN_END && nValueNext >= nValues) {
                strProblem = Problem(nValueSlotAt, "value slot %llu links to slot %llu, outside "
                                     "the table", j, nValueNext);
                return false;
            }
            if (!InBounds(nRecord, 3, m_nSize) ||
                !InBounds(nRecord + 3, ReadU16(m_pData + nRecord + 1), m_nSize)) {
                strProblem = Problem(nValueSlotAt + 2, "value record at %llu runs past the end "
                                     "(%llu)", nRecord, m_nSize);
                return false;
            }
            const std::uint64_t nDataAt = nRecord + 3 + ReadU16(m_pData + nRecord + 1);
            if (!VerifyValueData(m_pData[nRecord], m_pData + nDataAt,
                                 static_cast<std::uint32_t>(m_nSize - nDataAt), nRecord,
                                 strProblem))
                return false;
        }
        std::uint32_t nLoopSlot = 0;
        if (FindChainLoop(m_pData + nSlotsAt, nValues, nLoopSlot, state, walk)) {
            strProblem = Problem(nSlotsAt + REGISTRY_SLOT_SIZE * nLoopSlot,
                                 "the chain through value slot %llu loops", nLoopSlot);
            return false;
        }
        return true;
    };
    // Slots are in hash order, records in file order: visiting the sections in slot order
    // would jump around a file of up to 2 GiB. Each section's check stands alone, so walk them
    // in file order first; only a damaged file is walked again in slot order, so that the
    // problem named is still the first one in slot order.
    const std::vector<std::uint16_t>& byOffset = SectionsInFileOrder();
    bool bSound = true;
    for (std::uint32_t k = 0; k < nSections && bSound; ++k) {
        // The values of a section are read in hash order, each record's first bytes missing the
        // cache: ask for the next section's bytes while this one is checked.
        PrefetchSection(k + 1);
        bSound = checkSection(byOffset[k]);
    }
    if (!bSound)
        for (std::uint32_t i = 0; i < nSections; ++i)
            if (!checkSection(i)) return false;
    std::uint32_t nLoopSlot = 0;
    if (FindChainLoop(m_pData + REGISTRY_HEADER_SIZE, nSections, nLoopSlot, state, walk)) {
        strProblem = Problem(REGISTRY_HEADER_SIZE + REGISTRY_SLOT_SIZE * nLoopSlot,
                             "the chain through section slot %llu loops", nLoopSlot);
        return false;
    }
    return true;
}
