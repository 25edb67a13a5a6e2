#include "loader/LoadSteps.h"

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

#include "loader/ItemKinds.h"

namespace marrow {

namespace {

// The heap block a text needs beyond the string itself.
std::size_t HeapOf(const std::string& str) {
    static const std::size_t nInside = std::string().capacity();
    return str.capacity() > nInside ? str.capacity() + 1 : 0;
}

std::size_t HeapOf(const std::vector<std::string>& list) {
    std::size_t nBytes = list.capacity() * sizeof(std::string);
    for (const std::string& str : list) nBytes += HeapOf(str);
    return nBytes;
}
// Numbers and blocks live inside the record; the builder's packed lists stay empty in a load.
template <class T>
std::size_t HeapOf(const T&) {
    return 0;
}

// The heap blocks of every declared member of a record.
#define MARROW_HEAP_OF(shape, ...) MARROW_HEAP_OF_##shape(__VA_ARGS__)
#define MARROW_HEAP_OF_READ(column, chunk, type, member, ...) +HeapOf(record.member)
#define MARROW_HEAP_OF_BUILT(column, chunk, type, member, ...) +HeapOf(record.member)
#define MARROW_HEAP_OF_FIELD(chunk, type, member, initial) +HeapOf(record.member)
#define MARROW_HEAP_OF_KEPT(...)
#define MARROW_HEAP_OF_BLOCK(...)
#define MARROW_HEAP_OF_PART(...)
#define MARROW_HEAP_OF_COLUMN(...)
#define MARROW_HEAP_OF_SHARED(...)
std::size_t HeapOfCommon(const SItemCommon& record) {
    return 0 MARROW_ITEM_COMMON_FIELDS(MARROW_HEAP_OF);
}
template <class TRecord>
std::size_t HeapOfCommonPart(const TRecord& record) {
    if constexpr (std::is_base_of_v<SItemCommon, TRecord>) return HeapOfCommon(record);
    else return 0;
}
#define MARROW_DEFINE_HEAP_OF(type, singular, plural, LIST_NAME, ...)                     \
    std::size_t HeapOfRecord(const marrow::type& record) {                                \
        return HeapOfCommonPart(record) MARROW_##LIST_NAME##_FIELDS(MARROW_HEAP_OF);      \
    }
MARROW_ITEM_KINDS(MARROW_DEFINE_HEAP_OF)
#undef MARROW_DEFINE_HEAP_OF
#undef MARROW_HEAP_OF
#undef MARROW_HEAP_OF_READ
#undef MARROW_HEAP_OF_BUILT
#undef MARROW_HEAP_OF_FIELD
#undef MARROW_HEAP_OF_KEPT
#undef MARROW_HEAP_OF_BLOCK
#undef MARROW_HEAP_OF_PART
#undef MARROW_HEAP_OF_COLUMN
#undef MARROW_HEAP_OF_SHARED

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
