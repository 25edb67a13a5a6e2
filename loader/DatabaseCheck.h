// The strict structural check of an items.idb: the loader's verdict on a file, and the view that
// idbdump prints (where every record and field lies). Layout: docs/idb-format.md; fields:
// RecordLayout.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/RecordLayout.h"

namespace marrow {

// Where a field's payload lies in the file.
struct SFieldRef {
    std::uint32_t nStart = 0;
    std::uint32_t nLength = 0;
};

struct SRecordView {
    std::uint32_t nAt = 0;          // the record chunk's first byte
    std::vector<SFieldRef> fields;  // by field index of the kind; a missing one is empty
};

struct SDatabaseView {
    std::string_view strBytes;  // the whole file; the caller keeps it alive
    std::array<std::vector<SRecordView>, ITEM_KIND_COUNT> lists;  // in list chunk order
    // Tolerated oddities, each "at byte N: ...": what a reader reads well but Marrow would not
    // write (see CheckDatabase). Only the first KEPT_NOTES are kept; nNotes counts them all, so
    // that a file of millions of odd chunks costs a count, not a text each.
    static constexpr std::size_t KEPT_NOTES = 10;
    std::vector<std::string> notes;
    std::size_t nNotes = 0;

    std::string_view Payload(const SFieldRef& field) const {
        return strBytes.substr(field.nStart, field.nLength);
    }
    // Field 0 of every kind is its Name.
    std::string_view NameOf(const SRecordView& record) const {
        return TextOfPayload(Payload(record.fields[0]));
    }
};

enum class ECheckOutcome { Valid, NotItemDatabase, Damaged };

struct SCheckProblem {
    ECheckOutcome outcome = ECheckOutcome::Valid;
    std::uint32_t nOffset = 0;  // the byte the first problem lies at
    std::string strText;        // "at byte N: where: what"; empty when valid
};

// Checks the whole file against the layout: top-level chunks 1, 0 and 2 in this order and
// nothing after them, the six list chunks 1 to 6, record chunks with id 1, and every chunk
// within its parent. What a reader reads well though Marrow would not write it is a note, not a
// problem: a field that is missing (it reads as zero or empty), a data chunk of another size
// (zero-filled or cut), a text without its closing zero, a field twice (the first is read), an
// unknown id. A list of more than MAX_LIST_RECORDS records is damaged at the first record too
// many. Time is linear in the file; memory beyond the view is a few kilobytes. True, with the view filled when one is given. False with the first problem:
// NotItemDatabase when the file does not begin with the lists chunk holding the materials list
// (an empty file, a file of another kind), Damaged otherwise; the view is then empty.
bool CheckDatabase(std::string_view strBytes, SDatabaseView* pView, SCheckProblem& problem);
// The same with the view always filled and only the problem's text.
bool CheckDatabase(std::string_view strBytes, SDatabaseView& view, std::string& strProblem);

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::SFieldRef;
using marrow::SRecordView;
using marrow::SDatabaseView;
using marrow::ECheckOutcome;
using marrow::SCheckProblem;
using marrow::CheckDatabase;
