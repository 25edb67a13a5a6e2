// The stored layout of each kind of record: per kind, each field's chunk id, name and storage,
// in one table that the structural check, idbdump and its printers read. It is derived from the
// kinds (ItemKinds.h) and their field lists (RecordFields.h). Layout: docs/idb-format.md.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "loader/Span.h"
#include "marrow/Loader.h"  // ITEM_KIND_COUNT

namespace marrow {

// How a field is stored in its chunk.
enum class EFieldType : std::uint8_t {
    Text,        // the bytes, then one zero byte
    Int,         // signed 32-bit
    Mask,        // unsigned 32-bit, printed as a number
    Float,       // IEEE 754 single
    Bool,        // one byte, non-zero is true
    Bytes,       // nCount unsigned bytes (skill levels, reserved bytes)
    Floats,      // nCount singles (damage blocks)
    Protection,  // a single, seven singles, an unsigned 32-bit mask: 36 bytes
    TextList,    // child chunks with id 1, each a text
};

struct SFieldLayout {
    std::uint8_t nId;
    const char* pszName;  // the record struct's member name
    EFieldType type;
    std::uint8_t nCount = 0;  // elements of Bytes and Floats
};

struct SKindLayout {
    const char* pszName;  // the list's name in the JSON output and in messages
    std::uint8_t nListId;
    span<const SFieldLayout> fields;
    span<const char* const> textColumns;  // field names shown by --text, in order
};

// The most records a list holds: a table becomes a list through one registry file, which holds
// at most 65,535 sections (MAX_REGISTRY_ENTRIES). Readers refuse more, so that a crafted file of
// millions of empty records cannot make a load take gigabytes.
inline constexpr std::size_t MAX_LIST_RECORDS = 65535;
inline constexpr std::uint8_t NAME_FIELD_ID = 0;  // every kind keeps its name in chunk 0
inline constexpr int NO_FIELD = -1;

// The six kinds in list chunk order (materials first).
const std::array<SKindLayout, ITEM_KIND_COUNT>& ItemKinds();
// The payload size a field's chunk must have; 0 for Text and TextList, whose size varies.
std::uint32_t FixedSizeOf(const SFieldLayout& field);
// The index of the kind's field with this chunk id, or NO_FIELD.
int FieldIndexOf(const SKindLayout& kind, std::uint8_t nId);
int FieldIndexOf(const SKindLayout& kind, std::string_view strName);

// A text chunk's payload as the loader reads it: up to its first zero byte.
std::string_view TextOfPayload(std::string_view strPayload);

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::EFieldType;
using marrow::SFieldLayout;
using marrow::SKindLayout;
using marrow::ITEM_KIND_COUNT;
using marrow::MAX_LIST_RECORDS;
using marrow::NAME_FIELD_ID;
using marrow::NO_FIELD;
using marrow::ItemKinds;
using marrow::FixedSizeOf;
using marrow::FieldIndexOf;
using marrow::TextOfPayload;
