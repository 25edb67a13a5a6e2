// The strict structural check of an items.idb, which yields the view that idbdump prints: where
// every record and field lies. Layout: docs/idb-format.md; fields: IdbSchema.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/idbdump/IdbSchema.h"

// Where a field's payload lies in the file.
struct SFieldRef {
    std::uint32_t nStart = 0;
    std::uint32_t nLength = 0;
};

struct SRecordView {
    std::uint32_t nAt = 0;          // the record chunk's first byte
    std::vector<SFieldRef> fields;  // by field index of the kind; every field is present
};

struct SDatabaseView {
    std::string_view strBytes;  // the whole file; the caller keeps it alive
    std::array<std::vector<SRecordView>, ITEM_KIND_COUNT> lists;  // in list chunk order
    // Tolerated oddities, each "at byte N: ...": chunks of unknown ids inside a record.
    std::vector<std::string> notes;

    std::string_view Payload(const SFieldRef& field) const {
        return strBytes.substr(field.nStart, field.nLength);
    }
    // Field 0 of every kind is its Name.
    std::string_view NameOf(const SRecordView& record) const {
        return TextOfPayload(Payload(record.fields[0]));
    }
};

// Checks the whole file against the layout: top-level chunks 1, 0 and 2 in this order and
// nothing after them, the six list chunks 1 to 6, record chunks with id 1, and in each record
// every field chunk of its kind once with its size (texts end in a zero byte). True with the
// view filled; false with the first problem as "at byte N: where: what" and the view empty.
bool CheckDatabase(std::string_view strBytes, SDatabaseView& view, std::string& strProblem);
