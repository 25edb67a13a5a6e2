#include "loader/RecordLayout.h"

#include <type_traits>
#include <vector>

#include "loader/ItemKinds.h"
#include "loader/RecordFields.h"

namespace marrow {

namespace {
using T = EFieldType;

// The stored layout of a kind: for items the common chunks, then the kind's own.
template <class TRecord>
std::vector<SFieldLayout> LayoutOf() {
    std::vector<SFieldLayout> layout;
    if constexpr (std::is_base_of_v<SItemCommon, TRecord>)
        for (const auto& field : FieldsOf<SItemCommon>()) layout.push_back(field.layout);
    for (const auto& field : FieldsOf<TRecord>()) layout.push_back(field.layout);
    return layout;
}

struct SKindTable {
    std::array<std::vector<SFieldLayout>, ITEM_KIND_COUNT> layouts;
    std::array<SKindLayout, ITEM_KIND_COUNT> kinds;

    SKindTable() {
        std::size_t k = 0;
        ForEachKind([this, &k](const auto& entry) {
            using TRecord = typename std::remove_reference_t<decltype(entry)>::Record;
            layouts[k] = LayoutOf<TRecord>();
            kinds[k] = {entry.pszName, entry.nListId, layouts[k], entry.textColumns};
            ++k;
        });
    }
};
}  // namespace

const std::array<SKindLayout, ITEM_KIND_COUNT>& ItemKinds() {
    static const SKindTable table;
    return table.kinds;
}

std::uint32_t FixedSizeOf(const SFieldLayout& field) {
    switch (field.type) {
        case T::Int:
        case T::Mask:
        case T::Float: return 4;
        case T::Bool: return 1;
        case T::Bytes: return field.nCount;
        case T::Floats: return 4u * field.nCount;
        case T::Protection: return 36;
        case T::Text:
        case T::TextList: break;
    }
    return 0;
}

int FieldIndexOf(const SKindLayout& kind, std::uint8_t nId) {
    for (std::size_t i = 0; i < kind.fields.size(); ++i)
        if (kind.fields[i].nId == nId) return static_cast<int>(i);
    return NO_FIELD;
}

int FieldIndexOf(const SKindLayout& kind, std::string_view strName) {
    for (std::size_t i = 0; i < kind.fields.size(); ++i)
        if (strName == kind.fields[i].pszName) return static_cast<int>(i);
    return NO_FIELD;
}

std::string_view TextOfPayload(std::string_view strPayload) {
    return strPayload.substr(0, strPayload.find('\0'));
}

}  // namespace marrow
