#include "loader/LoadSteps.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "loader/ItemKinds.h"

namespace marrow {

namespace {

// The heap block a text needs beyond the string itself.
std::size_t HeapOf(const std::string& str) {
    static const std::size_t nInside = std::string().capacity();
    return str.capacity() > nInside ? str.capacity() + 1 : 0;
}

std::size_t HeapOfCommon(const SItemCommon& item) {
    return HeapOf(item.Name) + HeapOf(item.TypeName) + HeapOf(item.MaterialName);
}
std::size_t HeapOfRecord(const marrow::SMaterial& material) {
    return HeapOf(material.Name) + HeapOf(material.MaterialType) + HeapOf(material.CodeName);
}
std::size_t HeapOfRecord(const marrow::SWeapon& weapon) { return HeapOfCommon(weapon); }
std::size_t HeapOfRecord(const marrow::SArmor& armor) { return HeapOfCommon(armor); }
std::size_t HeapOfRecord(const marrow::SQuickItem& item) {
    return HeapOfCommon(item) + HeapOf(item.Spell);
}
std::size_t HeapOfRecord(const marrow::SQuestItem& item) {
    std::size_t nBytes = HeapOfCommon(item) + item.QuestZones.capacity() * sizeof(std::string);
    for (const std::string& strZone : item.QuestZones) nBytes += HeapOf(strZone);
    return nBytes;
}
std::size_t HeapOfRecord(const marrow::SLootItem& item) { return HeapOfCommon(item); }

template <class T>
std::size_t FootprintOf(const std::vector<T>& list) {
    std::size_t nBytes = list.capacity() * sizeof(T);
    for (const T& record : list) nBytes += HeapOfRecord(record);
    return nBytes;
}
}  // namespace

EPathKind KindOfPath(const char* pszPath, std::uint64_t& nSize) {
    nSize = 0;
    if (!pszPath || !*pszPath) return EPathKind::Unknown;
    try {
        const std::filesystem::path path(pszPath);
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(path, error);
        if (error || !std::filesystem::exists(status)) return EPathKind::Unknown;
        if (!std::filesystem::is_regular_file(status)) return EPathKind::Other;
        const std::uintmax_t nBytes = std::filesystem::file_size(path, error);
        if (!error) nSize = nBytes;
        return EPathKind::RegularFile;
    } catch (const std::exception&) {
        // A name the library cannot convert to the system's form (Windows) is left to fopen,
        // which takes it as it is and says why it cannot open it.
        return EPathKind::Unknown;
    }
}

std::size_t ListsFootprint(const marrow::SItemLists& lists) {
    std::size_t nBytes = 0;
    ForEachKind([&](const auto& kind) { nBytes += FootprintOf(lists.*kind.pList); });
    return nBytes;
}

}  // namespace marrow
