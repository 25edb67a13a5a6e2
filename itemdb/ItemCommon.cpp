#include "itemdb/ItemCommon.h"

#include <type_traits>

#include "itemdb/Columns.h"
#include "tableconv/FileRegistry.h"

std::uint32_t ReadShopMask(const CFileRegistry& registry, std::string_view strSection) {
    std::uint32_t nMask = 0;
    for (unsigned k = 0; k < 5; ++k)  // unsigned: any integer shifts without overflow
        nMask |= static_cast<std::uint32_t>(ReadInt(registry, strSection, *columns::SHOPS[k])) << k;
    return nMask;
}

std::uint32_t CrippledMaskOf(const std::vector<std::string>& entries) {
    std::uint32_t nMask = 0;
    for (const std::string& strEntry : entries)
        nMask |= 1u << (static_cast<std::uint32_t>(ParseAtoi(strEntry)) & 31u);
    return nMask;
}

namespace {
// A column read as it stands into a member of the type its declaration gives.
template <EColumnType TYPE, class T>
void ReadAsDeclared(const CFileRegistry& registry, std::string_view strSection,
                    const SColumnInfo& column, T& value) {
    if constexpr (TYPE == EColumnType::Float) {
        static_assert(std::is_same_v<T, float>, "a Float column fills a float");
        value = ReadFloat(registry, strSection, column);
    } else if constexpr (TYPE == EColumnType::Int && std::is_same_v<T, bool>) {
        value = ReadInt(registry, strSection, column) != 0;
    } else if constexpr (TYPE == EColumnType::Int) {
        static_assert(std::is_same_v<T, std::int32_t>, "an Int column fills an int32 or a bool");
        value = ReadInt(registry, strSection, column);
    } else if constexpr (TYPE == EColumnType::String) {
        static_assert(std::is_same_v<T, std::string>, "a String column fills a string");
        value = ReadString(registry, strSection, column);
    } else if constexpr (std::is_same_v<T, CPackedStrings>) {
        std::vector<std::string> list;
        ReadList(registry, strSection, column, list);
        value.Assign(list);
    } else {
        static_assert(std::is_same_v<T, std::vector<std::string>>,
                      "a StringList column fills a list of strings");
        ReadList(registry, strSection, column, value);
    }
}

#define MARROW_READ_OF(shape, ...) MARROW_READ_OF_##shape(__VA_ARGS__)
#define MARROW_READ_OF_READ(column, chunk, type, member, initial, ctype, ...) \
    ReadAsDeclared<EColumnType::ctype>(registry, strSection, columns::column, value.member);
#define MARROW_READ_OF_KEPT(column, type, member, initial, ctype, ...) \
    ReadAsDeclared<EColumnType::ctype>(registry, strSection, columns::column, value.member);
#define MARROW_READ_OF_BUILT(...)
#define MARROW_READ_OF_FIELD(...)
#define MARROW_READ_OF_BLOCK(...)
#define MARROW_READ_OF_PART(...)
#define MARROW_READ_OF_COLUMN(...)
#define MARROW_READ_OF_SHARED(...)

void ReadDeclaredCommon(const CFileRegistry& registry, std::string_view strSection,
                        SItemCommon& value) {
    MARROW_ITEM_COMMON_FIELDS(MARROW_READ_OF)
}
}  // namespace

#define MARROW_DEFINE_READ_DECLARED(record, singular, plural, LIST_NAME, ...)                 \
    void ReadDeclaredColumns([[maybe_unused]] const CFileRegistry& registry,                  \
                             [[maybe_unused]] std::string_view strSection,                    \
                             [[maybe_unused]] marrow::record& value) {                        \
        MARROW_##LIST_NAME##_FIELDS(MARROW_READ_OF)                                           \
    }
MARROW_ITEM_KINDS(MARROW_DEFINE_READ_DECLARED)
#undef MARROW_DEFINE_READ_DECLARED

void ReadCommonFields(const CFileRegistry& registry, std::string_view strSection,
                      SItemCommon& item) {
    ReadDeclaredCommon(registry, strSection, item);
    item.Name = ReadString(registry, strSection, columns::NAME);
    LowercaseAscii(item.Name);
    item.ShopMask = ReadShopMask(registry, strSection);
}
