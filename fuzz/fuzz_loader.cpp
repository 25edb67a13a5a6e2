// Arbitrary bytes as items.idb through the loader's strict and lenient readings, under a memory
// limit: no crash and no exception; the strict verdict is the check's; no list holds more than
// 65,535 records; and the load stays within the bound docs/loader.md states, 200 times the
// file's size plus 64 KiB at its peak (counted through the sanitizer's allocation hooks), the
// lists alone within LISTS_BYTES_PER_FILE_BYTE times the size.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "loader/DatabaseCheck.h"
#include "loader/ItemKinds.h"
#include "loader/LoadSteps.h"
#include "loader/RecordSerialize.h"
#include "marrow/ItemIndex.h"
#include "output/DataStream.h"

namespace {
void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

// ---- The bytes allocated while a load runs, and their peak ----------------------------------

bool g_bCounting = false;
std::int64_t g_nLive = 0;
std::int64_t g_nPeak = 0;

void OnMalloc(const volatile void*, std::size_t nSize) {
    if (!g_bCounting) return;
    g_nLive += static_cast<std::int64_t>(nSize);
    if (g_nLive > g_nPeak) g_nPeak = g_nLive;
}

void OnFree(const volatile void* p) {
    // Called before the block is released, so its size is still known.
    if (g_bCounting && p)
        g_nLive -= static_cast<std::int64_t>(
            __sanitizer_get_allocated_size(const_cast<const void*>(p)));
}

template <class F>
std::int64_t PeakDuring(F&& f) {
    g_nLive = g_nPeak = 0;
    g_bCounting = true;
    f();
    g_bCounting = false;
    return g_nPeak;
}

// ---- The lists ----------------------------------------------------------------------------

// Lists the loader must leave as they are when it does not load.
marrow::SItemLists MarkedLists() {
    marrow::SItemLists lists;
    lists.m_lootItems.resize(1);
    lists.m_lootItems[0].Name = "a record the file does not hold";
    return lists;
}

bool IsMarked(const marrow::SItemLists& lists) {
    return lists.m_materials.empty() && lists.m_lootItems.size() == 1 &&
           lists.m_lootItems[0].Name == "a record the file does not hold";
}

void CheckLimits(const marrow::SItemLists& lists, std::size_t nFileSize) {
    ForEachKind([&](const auto& kind) { Check((lists.*kind.pList).size() <= MAX_LIST_RECORDS); });
    Check(ListsFootprint(lists) <= LISTS_BYTES_PER_FILE_BYTE * nFileSize);
}

bool SameNames(const marrow::SItemLists& a, const marrow::SItemLists& b) {
    bool bSame = true;
    ForEachKind([&](const auto& kind) {
        const auto& listA = a.*kind.pList;
        const auto& listB = b.*kind.pList;
        bSame = bSame && listA.size() == listB.size();
        for (std::size_t i = 0; bSame && i < listA.size(); ++i)
            bSame = listA[i].Name == listB[i].Name;
    });
    return bSame;
}
}  // namespace

// The memory limit of this target, in front of the command line so that a limit given there
// still wins: no single allocation of a load of an input of at most a few hundred kilobytes
// comes near it.
extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv) {
    static std::vector<char*> args;
    static char szMallocLimit[] = "-malloc_limit_mb=64";
    args.assign(*pArgv, *pArgv + *pArgc);
    args.insert(args.begin() + 1, szMallocLimit);
    args.push_back(nullptr);
    *pArgc = static_cast<int>(args.size() - 1);
    *pArgv = args.data();
    Check(__sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize > 0xFFFFFFF0u) return 0;
    const auto nBytes = static_cast<std::uint32_t>(nSize);
    const std::int64_t nBound = 200 * static_cast<std::int64_t>(nSize) + (64 << 10);

    marrow::SItemLists strict = MarkedLists();
    marrow::SLoadResult result;
    // The bytes are counted with the load, in a block of the file's size and one byte more, as
    // LoadItemDatabase reads a file.
    const auto ReadBytes = [&](CMemoryStream& bytes) {
        bytes.Reserve(nBytes + 1);
        bytes.Write(pData, nBytes);
    };
    const std::int64_t nStrictPeak = PeakDuring([&] {
        CMemoryStream bytes;
        ReadBytes(bytes);
        result = LoadItemBytes(bytes, strict);
    });
    Check(nStrictPeak <= nBound);

    SCheckProblem problem;
    const bool bValid =
        CheckDatabase(std::string_view(reinterpret_cast<const char*>(pData), nSize), nullptr,
                      problem);
    switch (result.Status) {
        case marrow::ELoadStatus::Loaded: Check(bValid && result.Reason.empty()); break;
        case marrow::ELoadStatus::NotItemDatabase:
            Check(!bValid && problem.outcome == ECheckOutcome::NotItemDatabase);
            Check(IsMarked(strict));
            break;
        case marrow::ELoadStatus::Damaged:
            Check(!bValid && problem.outcome == ECheckOutcome::Damaged);
            break;
        case marrow::ELoadStatus::CannotOpen: Check(false); break;  // memory enough here
    }
    Check(result.Reason == problem.strText && result.Offset == problem.nOffset);

    // The memory form reads the same bytes through the caller's buffer, never beyond it: the
    // same verdict and the same lists. The index over them finds every record by its name.
    marrow::SItemLists fromMemory = MarkedLists();
    const marrow::SLoadResult memoryResult = marrow::LoadItemDatabase(pData, nSize, fromMemory);
    Check(memoryResult.Status == result.Status && memoryResult.Reason == result.Reason &&
          memoryResult.Offset == result.Offset);
    Check(SameNames(strict, fromMemory));
    const marrow::CItemIndex index(fromMemory);
    for (const marrow::SWeapon& weapon : fromMemory.m_weapons) {
        const marrow::SWeapon* pFound = index.FindWeapon(weapon.Name);
        Check(pFound && marrow::SameName(pFound->Name, weapon.Name));
        if (const auto nMaterial = index.MaterialIndexOf(weapon))
            Check(*nMaterial < fromMemory.m_materials.size());
    }

    marrow::SItemLists lenient;
    const std::int64_t nLenientPeak = PeakDuring([&] {
        CMemoryStream bytes;
        ReadBytes(bytes);
        ReadItemDatabase(bytes, lenient, /*bResetStream=*/true);
    });
    Check(nLenientPeak <= nBound);
    CheckLimits(lenient, nSize);
    if (result.Status == marrow::ELoadStatus::NotItemDatabase) return 0;
    // Loaded, or emptied and then read leniently: the same lists either way.
    CheckLimits(strict, nSize);
    Check(SameNames(strict, lenient));
    return 0;
}
