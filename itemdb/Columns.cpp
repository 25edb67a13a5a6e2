#include "itemdb/Columns.h"

#include <array>
#include <iterator>
#include <type_traits>

#include "itemdb/ItemDatabase.h"
#include "loader/RecordLayout.h"
#include "tableconv/FileRegistry.h"
#include "tableconv/ListElements.h"

namespace {
using namespace columns;

// Each kind's columns in the order of its declaration; the common item columns come first.
#define MARROW_COLUMN_PTR(shape, ...) MARROW_COLUMN_PTR_##shape(__VA_ARGS__)
#define MARROW_COLUMN_PTR_READ(column, ...) &column,
#define MARROW_COLUMN_PTR_BUILT(column, ...) &column,
#define MARROW_COLUMN_PTR_KEPT(column, ...) &column,
#define MARROW_COLUMN_PTR_COLUMN(column, ...) &column,
#define MARROW_COLUMN_PTR_SHARED(column) &column,
#define MARROW_COLUMN_PTR_FIELD(...)
#define MARROW_COLUMN_PTR_BLOCK(...)
#define MARROW_COLUMN_PTR_PART(...)

constexpr const SColumnInfo* ITEM_COMMON_COLUMNS[] = {MARROW_ITEM_COMMON_FIELDS(MARROW_COLUMN_PTR)};

template <class TRecord, std::size_t N>
constexpr auto ColumnsOfKind(const SColumnInfo* const (&own)[N]) {
    constexpr std::size_t nCommon =
        std::is_base_of_v<SItemCommon, TRecord> ? std::size(ITEM_COMMON_COLUMNS) : 0;
    std::array<const SColumnInfo*, nCommon + N> all{};
    for (std::size_t i = 0; i < nCommon; ++i) all[i] = ITEM_COMMON_COLUMNS[i];
    for (std::size_t i = 0; i < N; ++i) all[nCommon + i] = own[i];
    return all;
}

#define MARROW_KIND_COLUMN_LIST(record, singular, plural, LIST_NAME, ...)                     \
    constexpr const SColumnInfo* LIST_NAME##_OWN_COLUMNS[] = {                                  \
        MARROW_##LIST_NAME##_FIELDS(MARROW_COLUMN_PTR)};                                        \
    constexpr auto LIST_NAME##_COLUMNS = ColumnsOfKind<marrow::record>(LIST_NAME##_OWN_COLUMNS);
MARROW_ITEM_KINDS(MARROW_KIND_COLUMN_LIST)

#define MARROW_KIND_ENTRY(record, singular, plural, LIST_NAME, member, id, name, words, table, \
                          ...)                                                                  \
    {words, table, &CItemDatabase::Build##plural, LIST_NAME##_COLUMNS},
constexpr SKindColumns KINDS[] = {MARROW_ITEM_KINDS(MARROW_KIND_ENTRY)};
static_assert(std::size(KINDS) == ITEM_KIND_COUNT, "one entry per kind of the loader");
#undef MARROW_KIND_ENTRY
#undef MARROW_KIND_COLUMN_LIST
#undef MARROW_COLUMN_PTR
#undef MARROW_COLUMN_PTR_READ
#undef MARROW_COLUMN_PTR_BUILT
#undef MARROW_COLUMN_PTR_KEPT
#undef MARROW_COLUMN_PTR_COLUMN
#undef MARROW_COLUMN_PTR_SHARED
#undef MARROW_COLUMN_PTR_FIELD
#undef MARROW_COLUMN_PTR_BLOCK
#undef MARROW_COLUMN_PTR_PART
}  // namespace

std::span<const SKindColumns> AllKinds() { return KINDS; }

std::vector<const SColumnInfo*> ColumnsInTableOrder(const SKindColumns& kind) {
    std::vector<const SColumnInfo*> ordered;
    std::vector<bool> taken(kind.columns.size(), false);
    for (size_t i = 0; i < kind.columns.size(); ++i) {
        if (taken[i]) continue;
        const std::string_view strGroup = kind.columns[i]->pszGroup;
        size_t nInGroup = 0;
        for (size_t j = i; j < kind.columns.size(); ++j) {
            if (taken[j] || strGroup != kind.columns[j]->pszGroup) continue;
            taken[j] = true;
            ordered.push_back(kind.columns[j]);
            ++nInGroup;
        }
        if (nInGroup == 1 && *kind.columns[i]->pszSub) ordered.push_back(nullptr);
    }
    return ordered;
}

std::string HeaderLinesOf(const SKindColumns& kind) {
    const std::vector<const SColumnInfo*> ordered = ColumnsInTableOrder(kind);
    std::string strGroups, strSubs;
    for (size_t i = 0; i < ordered.size(); ++i) {
        if (i) {
            strGroups += '\t';
            strSubs += '\t';
        }
        if (!ordered[i]) continue;  // the spare column stays empty
        if (i == 0 || !ordered[i - 1] || std::string_view(ordered[i - 1]->pszGroup) != ordered[i]->pszGroup)
            strGroups += ordered[i]->pszGroup;
        strSubs += ordered[i]->pszSub;
    }
    return strGroups + "\n" + strSubs + "\n";
}

std::int32_t ReadInt(const CFileRegistry& registry, std::string_view strSection,
                     const SColumnInfo& column) {
    return registry.GetInt(strSection, SValueName(column.pszName, column.nByteSum), static_cast<std::int32_t>(column.fDefault));
}

float ReadFloat(const CFileRegistry& registry, std::string_view strSection,
                const SColumnInfo& column) {
    return registry.GetFloat(strSection, SValueName(column.pszName, column.nByteSum), column.fDefault);
}

std::string ReadString(const CFileRegistry& registry, std::string_view strSection,
                       const SColumnInfo& column) {
    return registry.GetString(strSection, SValueName(column.pszName, column.nByteSum), column.pszDefault);
}

bool HasValue(const CFileRegistry& registry, std::string_view strSection, const SColumnInfo& column) {
    SRegistryValue value;
    return registry.FindValue(strSection, SValueName(column.pszName, column.nByteSum), value);
}

void ReadList(const CFileRegistry& registry, std::string_view strSection,
              const SColumnInfo& column, std::vector<std::string>& list) {
    registry.GetStringList(strSection, SValueName(column.pszName, column.nByteSum), list);
    // A spreadsheet may wrap a list cell in quotes (it holds commas), which makes it one string.
    if (list.size() == 1 && list.front().find(',') != std::string::npos) {
        const std::string strWhole = std::move(list.front());
        std::vector<std::string_view> elements;
        SplitListElements(strWhole, elements);
        list.assign(elements.begin(), elements.end());
    }
}
