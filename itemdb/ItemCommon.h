// How a row of a table fills a record: the columns a kind's declaration (marrow/ItemTable.h)
// fills as they stand are read for every kind alike; each kind's reader (itemdb/<Kind>.cpp)
// adds only what needs code: scaling, word lists, masks, codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/Vocabulary.h"
#include "loader/RecordSerialize.h"  // how each record is stored
#include "marrow/ItemTable.h"
#include "marrow/Records.h"

using marrow::CPackedStrings;
using marrow::SItemCommon;

class CFileRegistry;

// The builder calls every record by its short name: SWeapon for marrow::SWeapon.
#define MARROW_USING_RECORD(record, ...) using marrow::record;
MARROW_ITEM_KINDS(MARROW_USING_RECORD)
#undef MARROW_USING_RECORD

// Fills the common fields from one row (section) of the registry; every field read is
// replaced, absent values taking their defaults.
void ReadCommonFields(const CFileRegistry& registry, std::string_view strSection,
                      SItemCommon& item);

// For each kind: ReadDeclaredColumns fills the members that the kind's own columns fill as they
// stand; Read<Kind> (as ReadWeapon) is the kind's own code, run after it and, for items, after
// ReadCommonFields. nRow is the record's position in its list.
#define MARROW_DECLARE_READERS(record, singular, ...)                                      \
    void ReadDeclaredColumns(const CFileRegistry& registry, std::string_view strSection,  \
                             marrow::record& value);                                       \
    void Read##singular(const CFileRegistry& registry, std::string_view strSection,       \
                        std::int32_t nRow, marrow::record& value);
MARROW_ITEM_KINDS(MARROW_DECLARE_READERS)
#undef MARROW_DECLARE_READERS

// The OR of the five shop columns, each integer shifted left by its shop number - 1 as read.
std::uint32_t ReadShopMask(const CFileRegistry& registry, std::string_view strSection);
// Bit (n AND 31) for every number n of a crippled list, numbers read as atoi does.
std::uint32_t CrippledMaskOf(const std::vector<std::string>& entries);
