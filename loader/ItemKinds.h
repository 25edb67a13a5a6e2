// The kinds of record of marrow/ItemTable.h, in build order, as the file holds them: record
// type, list member, list chunk id, the name idbdump gives the list, and the fields idbdump's
// table view shows. Code that goes over all kinds at run time reads this table: the save and
// the loader (SerializeItemLists), the name index, the layout table (ItemKinds() in
// RecordLayout.h), and through the build table keyed to it (itemdb/Columns.h) the driver, the
// builders, itemcheck and the test fixtures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "loader/RecordLayout.h"
#include "loader/Span.h"
#include "marrow/Loader.h"

namespace marrow {

template <class TRecord>
struct SKindEntry {
    using Record = TRecord;
    const char* pszName;  // the list's name in the JSON output and in messages
    std::uint8_t nListId;
    std::vector<TRecord> marrow::SItemLists::*pList;
    span<const char* const> textColumns;  // field names shown by idbdump --text, in order
};

namespace item_kinds {
// The fields idbdump --text shows of each kind, from the kind's line in marrow/ItemTable.h.
#define MARROW_TEXT_COLUMNS(record, singular, plural, LIST_NAME, member, id, name, words, table, text) \
    inline constexpr const char* LIST_NAME##_TEXT_COLUMNS[] = {MARROW_UNPAREN text};
MARROW_ITEM_KINDS(MARROW_TEXT_COLUMNS)
#undef MARROW_TEXT_COLUMNS

using marrow::SItemLists;
#define MARROW_KIND_ENTRY(record, singular, plural, LIST_NAME, member, id, name, ...) \
    SKindEntry<marrow::record>{name, id, &SItemLists::member, LIST_NAME##_TEXT_COLUMNS},
inline constexpr std::tuple KINDS{MARROW_ITEM_KINDS(MARROW_KIND_ENTRY)};
#undef MARROW_KIND_ENTRY
static_assert(std::tuple_size_v<decltype(KINDS)> == ITEM_KIND_COUNT);

template <class TRecord, std::size_t I = 0>
constexpr std::size_t IndexOf() {
    static_assert(I < ITEM_KIND_COUNT, "not a kind of record");
    if constexpr (std::is_same_v<typename std::tuple_element_t<I, decltype(KINDS)>::Record,
                                 TRecord>)
        return I;
    else return IndexOf<TRecord, I + 1>();
}
}  // namespace item_kinds

// Calls f(entry) for each kind's SKindEntry, in build order.
template <class F>
void ForEachKind(F&& f) {
    std::apply([&f](const auto&... kinds) { (f(kinds), ...); }, item_kinds::KINDS);
}

// The position of a record type's kind in build order, which is also its index in ItemKinds().
template <class TRecord>
inline constexpr std::size_t KIND_INDEX = item_kinds::IndexOf<TRecord>();

template <class TRecord>
constexpr const SKindEntry<TRecord>& KindOf() {
    return std::get<KIND_INDEX<TRecord>>(item_kinds::KINDS);
}

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::SKindEntry;
using marrow::ForEachKind;
using marrow::KIND_INDEX;
using marrow::KindOf;
namespace item_kinds = marrow::item_kinds;
