// The name index of marrow/ItemIndex.h: open addressing over record positions,
// keyed by a hash of the name with A to Z folded, so no name is copied and a
// lookup costs one hash and, on average, about one comparison.
#include "marrow/ItemIndex.h"

#include <new>
#include <type_traits>

#include "loader/ItemKinds.h"

namespace marrow {
namespace {
constexpr char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// FNV-1a over the folded bytes: cheap, and spreads the short, similar names of
// a table well.
std::uint32_t HashName(std::string_view strName) {
    std::uint32_t nHash = 2166136261u;
    for (const char c : strName) {
        nHash ^= static_cast<unsigned char>(Fold(c));
        nHash *= 16777619u;
    }
    return nHash;
}

template <class TRecord>
bool BuildSlots(const std::vector<TRecord>& list, std::vector<std::uint32_t>& slots) {
    // The lists a load gives hold at most 65,535 records; a larger one is left to
    // the walk (no slots).
    if (list.size() >= 0x7FFFFFFFu) return true;
    std::size_t nSize = 4;
    while (nSize < 2 * list.size()) nSize *= 2;
    slots.assign(nSize, 0);
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::size_t nSlot = HashName(list[i].Name) & (nSize - 1);
        bool bTaken = false;
        for (; slots[nSlot] != 0; nSlot = (nSlot + 1) & (nSize - 1))
            if (SameName(list[slots[nSlot] - 1].Name, list[i].Name)) bTaken = true;
        // Only the first record of a name goes in, so lookups find the first.
        if (!bTaken) slots[nSlot] = static_cast<std::uint32_t>(i + 1);
    }
    return true;
}

template <class TRecord>
const TRecord* WalkFind(const std::vector<TRecord>& list, std::string_view strName) {
    for (const TRecord& record : list)
        if (SameName(record.Name, strName)) return &record;
    return nullptr;
}
}  // namespace

bool SameName(std::string_view strA, std::string_view strB) noexcept {
    if (strA.size() != strB.size()) return false;
    for (std::size_t i = 0; i < strA.size(); ++i)
        if (Fold(strA[i]) != Fold(strB[i])) return false;
    return true;
}

bool CItemIndex::Build(const SItemLists& lists) noexcept {
    m_pLists = &lists;
    // Slots of an earlier Build could miss records of these lists: none is better
    // than stale.
    for (auto& slots : m_slots) std::vector<std::uint32_t>().swap(slots);
    try {
        bool bBuilt = true;
        ForEachKind([&](const auto& kind) {
            using TRecord = typename std::decay_t<decltype(kind)>::Record;
            bBuilt = bBuilt && BuildSlots(lists.*kind.pList, m_slots[KIND_INDEX<TRecord>]);
        });
        return bBuilt;
    } catch (const std::bad_alloc&) {
        for (auto& slots : m_slots) slots.clear();
        return false;
    }
}

template <class TRecord>
const TRecord* CItemIndex::Find(std::string_view strName) const noexcept {
    if (!m_pLists) return nullptr;
    const std::vector<TRecord>& list = m_pLists->*KindOf<TRecord>().pList;
    const std::vector<std::uint32_t>& slots = m_slots[KIND_INDEX<TRecord>];
    if (slots.empty()) return WalkFind(list, strName);
    const std::size_t nMask = slots.size() - 1;
    for (std::size_t nSlot = HashName(strName) & nMask; slots[nSlot] != 0;
         nSlot = (nSlot + 1) & nMask) {
        const std::size_t nAt = slots[nSlot] - 1;
        // The list may have shrunk or changed since Build: a stale position is a
        // miss.
        if (nAt < list.size() && SameName(list[nAt].Name, strName)) return &list[nAt];
    }
    return nullptr;
}
#define MARROW_INSTANTIATE_FIND(record, ...) \
    template const record* CItemIndex::Find<record>(std::string_view) const noexcept;
MARROW_ITEM_KINDS(MARROW_INSTANTIATE_FIND)
#undef MARROW_INSTANTIATE_FIND

std::optional<std::size_t> CItemIndex::MaterialIndexOf(const SItemCommon& item) const noexcept {
    const SMaterial* pMaterial = FindMaterial(item.MaterialName);
    if (!pMaterial) return std::nullopt;
    return static_cast<std::size_t>(pMaterial - m_pLists->m_materials.data());
}

}  // namespace marrow
